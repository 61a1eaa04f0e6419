// telvane --dump run as a program: a workspace file in, JSON or the load message out.
#include <gtest/gtest.h>
#include <unistd.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "model/workspace.h"
#include "model/workspace_file.h"

namespace {

struct DumpResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

DumpResult RunDump(const std::string& path) {
  const std::string errPath = ::testing::TempDir() + std::to_string(getpid()) + "_" + "dump_stderr.txt";
  const std::string command =
      std::string(TELVANE_BINARY_DIR) + "/app/telvane --dump '" + path + "' 2>" + errPath;
  DumpResult result;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return result;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) result.out.append(buffer, n);
  const int status = pclose(pipe);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errPath);
  result.err.assign(std::istreambuf_iterator<char>(err), {});
  return result;
}

std::string Saved(const clWorkspace& ws, const std::string& name) {
  const std::string path = ::testing::TempDir() + std::to_string(getpid()) + "_" + name;
  EXPECT_EQ(SaveWorkspaceFile(ws, path), "");
  return path;
}

TEST(DumpCommand, EmptyWorkspacePrintsCountersAndEmptyLists) {
  clWorkspace ws;
  ws.SetCounterValue(clWorkspace::kDeviceIdCounter, 42);
  const DumpResult r = RunDump(Saved(ws, "empty.cf1"));
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "{\"counters\":[1,1,1,1,1,1,1,42],\"ports\":[],\"masters\":[],\"slaves\":[],"
            "\"monitors\":[],\"columnWidths\":[]}\n");
}

TEST(DumpCommand, EveryTagFieldAppearsUnderItsName) {
  clWorkspace ws;
  ws.InitNew();
  clDevice* master = ws.CommitDevice(ws.NewMaster());
  auto sector = ws.NewSector(*master);
  clSector* raw = sector.object.get();
  ws.CommitSector(*master, std::move(sector.object));
  auto tag = ws.NewTag(*master);
  tag.object->SetName("Pump \"A\" é");
  tag.object->SetIoa(658188);
  tag.object->SetRawValue(1.5);
  tag.object->SetTimeStamp(clTimeStamp{2023, 4, 5, 6, 7, 8, 9});
  ws.CommitTag(*master, *raw, std::move(tag.object));
  const DumpResult r = RunDump(Saved(ws, "one_tag.cf1"));
  ASSERT_EQ(r.exitCode, 0);
  EXPECT_NE(r.out.find("{\"id\":1,\"sectorId\":1,\"name\":\"Pump \\\"A\\\" é\",\"type\":1,"
                       "\"ioa\":658188,\"value\":1.5,\"reservedA\":0,\"quality\":256,\"cause\":0,"
                       "\"commandState\":0,\"flags\":2,\"reservedB\":0,"
                       "\"timestamp\":\"2023-04-05 06:07:08.009\",\"scalingEnabled\":false,"
                       "\"structuredIoa\":false,\"rawMax\":0,\"rawMin\":0,\"engMax\":0,"
                       "\"engMin\":0,\"scaleFactor\":0,\"linkEnabled\":false,\"linkTarget\":0}"),
            std::string::npos)
      << r.out;
  for (const char* key : {"\"sectors\":[{", "\"testPeriodSec\":5", "\"portName\":\"COM1\"",
                          "\"phoneNumber\":\"ATD000000\"", "\"listKind\":\"ChannelMaster\"",
                          "\"baudRate\":9600", "\"commonAddress\":1"}) {
    EXPECT_NE(r.out.find(key), std::string::npos) << key;
  }
}

TEST(DumpCommand, UnreadableFilesExitWithThreeAndTheMessage) {
  const std::string garbage = ::testing::TempDir() + std::to_string(getpid()) + "_" + "garbage.cf1";
  std::ofstream(garbage) << "definitely not a workspace";
  DumpResult r = RunDump(garbage);
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "Unexpected file format.\n");
  r = RunDump(::testing::TempDir() + std::to_string(getpid()) + "_" + "no_such_file.cf1");
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.err, "Failed to open document.\n");
}

}  // namespace

// telvane --import run as a program: a workspace file and a workbook in, the
// workspace with the device's new sectors and tags out, then --dump of it.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "model/workspace.h"
#include "model/workspace_file.h"

namespace {

struct ProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

std::string Temp(const std::string& name) {
  return ::testing::TempDir() + std::to_string(getpid()) + "_import_" + name;
}

ProgramRun Telvane(const std::string& arguments) {
  const std::string errPath = Temp("stderr.txt");
  const std::string command =
      std::string(TELVANE_BINARY_DIR) + "/app/telvane " + arguments + " 2>" + errPath;
  ProgramRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  char buffer[4096];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
  const int status = pclose(pipe);
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errPath);
  run.err.assign(std::istreambuf_iterator<char>(err), {});
  return run;
}

std::string Template(const std::string& extension) {
  return std::string(TELVANE_SOURCE_DIR) + "/tests/workbook/data/tag_template." + extension;
}

std::string FileText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(file)), {});
}

// A workspace with a master, a slave holding one sector of common address 9,
// and a monitor.
std::string SavedWorkspace(const std::string& name) {
  clWorkspace ws;
  ws.InitNew();
  ws.CommitDevice(ws.NewMaster());
  clDevice* slave = ws.CommitDevice(ws.NewSlave());
  ws.CommitDevice(ws.NewMonitor());
  auto sector = ws.NewSector(*slave).object;
  sector->SetCommonAddress(9);
  ws.CommitSector(*slave, std::move(sector));
  const std::string path = Temp(name);
  EXPECT_EQ(SaveWorkspaceFile(ws, path), "");
  return path;
}

TEST(ImportCommand, ImportsIntoACopyThenDumps) {
  const std::string original = SavedWorkspace("ws.cf1");
  const std::string before = FileText(original);
  const std::string out = Temp("out.cf1");
  const ProgramRun run = Telvane("--import '" + original + "' slave1 '" + Template("xlsx") +
                                 "' --save-as '" + out + "'");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "imported 19 tags in 6 sectors into Slave1 from " + Template("xlsx") +
                         "; saved " + out + "\n");
  EXPECT_EQ(FileText(original), before);  // --save-as leaves the workspace file alone

  clWorkspace ws;
  ASSERT_EQ(LoadWorkspaceFile(out, ws), "");
  const clDevice* slave = ws.Slaves().FindByName("Slave1");
  EXPECT_EQ(slave->Sectors()->FindByCommonAddress(9), nullptr);
  const clSector* s3 = slave->Sectors()->FindByCommonAddress(3);
  ASSERT_NE(s3, nullptr);
  const clTag* breaker = slave->Sectors()->FindByCommonAddress(1)->Tags().FindByName("Breaker1");
  EXPECT_EQ(s3->Tags().FindByName("CloseCmd")->LinkTarget(), breaker->Id());
  EXPECT_EQ(s3->Tags().FindByName("TripCmd")->LinkTarget(), 0);
  EXPECT_TRUE(ws.Masters().Items()[0]->Sectors()->Empty());

  const ProgramRun dump = Telvane("--dump '" + out + "'");
  EXPECT_EQ(dump.exitCode, 0);
  EXPECT_NE(dump.out.find("\"name\":\"CloseCmd\""), std::string::npos);
  EXPECT_NE(dump.out.find("\"name\":\"Sector4\""), std::string::npos);
  EXPECT_EQ(dump.out.find("NeverRead"), std::string::npos);
}

TEST(ImportCommand, ListedRowsIntoTheWorkspaceFileItself) {
  const std::string path = SavedWorkspace("inplace.cf1");
  const ProgramRun run =
      Telvane("--import '" + path + "' MASTER1 '" + Template("ods") + "' --rows 9,6-7");
  ASSERT_EQ(run.exitCode, 0) << run.err;
  clWorkspace ws;
  ASSERT_EQ(LoadWorkspaceFile(path, ws), "");
  const clDevice* master = ws.Masters().FindByName("Master1");
  ASSERT_EQ(master->Sectors()->Count(), 2u);
  const clTag* voltage = master->Sectors()->FindByCommonAddress(2)->Tags().FindByName("Voltage");
  ASSERT_NE(voltage, nullptr);
  EXPECT_TRUE(voltage->ScalingEnabled());
  EXPECT_EQ(voltage->RawMax(), 32767);
  EXPECT_EQ(master->Sectors()->FindByCommonAddress(1)->Tags().Count(), 2u);
}

TEST(ImportCommand, FailuresSayWhatAndWhyAndKeepTheFile) {
  const std::string path = SavedWorkspace("kept.cf1");
  const std::string before = FileText(path);
  const std::string empty = Temp("empty.csv");
  std::ofstream(empty) << "title\n\n\n\n\n\n\n\n\n\n\n\n1,too late\n";
  struct Case {
    std::string arguments;
    int exitCode;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"'" + path + "' Nobody '" + Template("csv") + "'", 2, "no master or slave named 'Nobody'"},
      {"'" + path + "' Monitor1 '" + Template("csv") + "'", 2, "'Monitor1' is a monitor"},
      {"'" + path + "' Slave1 /nonexistent.xlsx", 3,
       "telvane: /nonexistent.xlsx: No such file or directory"},
      {"'" + path + "' Slave1 '" + path + "'", 3, "telvane: " + path + ": it is no .xlsx"},
      {"/nonexistent.cf1 Slave1 '" + Template("csv") + "'", 3,
       "telvane: /nonexistent.cf1: No such file or directory"},
      {"'" + path + "' Slave1 '" + Template("csv") + "' --rows 5", 2, "bad row list '5'"},
      {"'" + path + "' Slave1 '" + Template("csv") + "' --rows=6,16", 2, "row 16 of"},
      {"'" + path + "' Slave1 '" + empty + "'", 3, "no tag rows"},
      {"'" + path + "' Slave1", 2, "--import takes a workspace file, a device name and a workbook"},
      {"'" + path + "' Slave1 '" + Template("csv") + "' --seconds 3", 2,
       "--import does not take --seconds"},
      {"'" + path + "' Slave1 '" + Template("csv") + "' --save-as /nonexistent/out.cf1", 1,
       "telvane: /nonexistent/out.cf1: /nonexistent: No such file or directory"},
  };
  for (const Case& c : cases) {
    const ProgramRun run = Telvane("--import " + c.arguments);
    EXPECT_EQ(run.exitCode, c.exitCode) << c.arguments << "\n" << run.err;
    EXPECT_EQ(run.err.rfind("telvane: ", 0), 0u) << run.err;
    EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(FileText(path), before) << c.arguments;
  }
}

}  // namespace

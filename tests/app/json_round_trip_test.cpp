// --dump and --build run as programs: the dump shows what a file holds, and
// building its dump gives the same file back, byte for byte.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <string>

#include "app/demo_workspace.h"
#include "bench/bench_workspace.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "tests/app/run_telvane_helpers.h"
#include "tests/model/workspace_helpers.h"

namespace {

std::string Saved(const clWorkspace& ws, const std::string& name) {
  const std::string path = TestPath(name);
  EXPECT_EQ(SaveWorkspaceFile(ws, path), "");
  return path;
}

// Dumps the file, builds the dump, and compares the two files.
void ExpectRoundTrip(const std::string& file) {
  const clProgramRun dump = RunTelvane({"--dump", file}, "", 300000);
  ASSERT_EQ(dump.exitCode, 0) << dump.err;
  const std::string json = file + ".json", rebuilt = file + ".rebuilt.cf1";
  WriteWholeFile(json, dump.out);
  const clProgramRun build = RunTelvane({"--build", json, "--save-as", rebuilt}, "", 300000);
  ASSERT_EQ(build.exitCode, 0) << build.err;
  EXPECT_TRUE(ReadWholeFile(rebuilt) == ReadWholeFile(file)) << file;
}

// Values at the edges of what a file can hold.
void FillOddValues(clWorkspace& ws) {
  ws.InitNew();
  clDevice* master = ws.CommitDevice(ws.NewMaster());
  auto sector = ws.NewSector(*master);
  clSector* kept = sector.object.get();
  ws.CommitSector(*master, std::move(sector.object));
  const double odd[] = {-0.0, std::numeric_limits<double>::infinity(),
                        -std::numeric_limits<double>::infinity(),
                        std::numeric_limits<double>::quiet_NaN(), -std::nan(""),
                        std::numeric_limits<double>::denorm_min(), 1e308, 0.1};
  for (double value : odd) {
    auto tag = ws.NewTag(*master).object;
    tag->SetRawValue(value);
    tag->SetRawMin(value);
    tag->SetName(std::string(255, 'x') + "\x01\"\\é");
    tag->SetTimeStamp(clTimeStamp{-2147483647 - 1, 2147483647, -1, 99, -100, 0, 1000});
    tag->SetQuality(0);
    kept->Tags().Append(std::move(tag));
  }
}

TEST(JsonRoundTrip, EveryWorkspaceOfTheSuiteComesBackByteForByte) {
  clWorkspace empty;
  ExpectRoundTrip(Saved(empty, "empty.cf1"));
  clWorkspace fresh;
  fresh.InitNew();
  ExpectRoundTrip(Saved(fresh, "new.cf1"));
  clWorkspace every;
  FillEveryField(every);
  ExpectRoundTrip(Saved(every, "every_field.cf1"));
  clWorkspace demo;
  BuildDemoWorkspace(demo);
  ExpectRoundTrip(Saved(demo, "demo.cf1"));
  clWorkspace odd;
  FillOddValues(odd);
  ExpectRoundTrip(Saved(odd, "odd_values.cf1"));
  // A workspace after a run: monitor tags, values, causes and times as collected.
  const std::string ran = TestPath("after_run.cf1");
  ASSERT_EQ(RunTelvane({"--demo", "--quiet", "--seconds", "1.5", "--save-as", ran}).exitCode, 0);
  ExpectRoundTrip(ran);
}

TEST(JsonRoundTrip, TheBenchmarksHundredThousandTagsComeBackByteForByte) {
  clWorkspace ws;
  BuildWorkspace(ws, 100000);
  ExpectRoundTrip(Saved(ws, "hundred_thousand.cf1"));
}

TEST(JsonRoundTrip, TheDumpShowsTheStoredQualityOfMasterTags) {
  clWorkspace ws;
  ws.InitNew();
  clDevice* master = ws.CommitDevice(ws.NewMaster());
  auto sector = ws.NewSector(*master);
  clSector* raw = sector.object.get();
  ws.CommitSector(*master, std::move(sector.object));
  auto tag = ws.NewTag(*master);
  tag.object->SetQuality(clTag::kQualityInvalid);
  ws.CommitTag(*master, *raw, std::move(tag.object));
  const clProgramRun dump = RunTelvane({"--dump", Saved(ws, "stored_quality.cf1")});
  EXPECT_NE(dump.out.find("\"quality\":8,"), std::string::npos) << dump.out;
}

TEST(JsonRoundTrip, ADescriptionWithNamesAndMissingFieldsGetsTheDesktopsDefaults) {
  const std::string json = TestPath("bench.json");
  WriteWholeFile(json, R"json({
    "ports": [{"name": "/dev/ttyUSB0", "baudRate": 19200, "parity": "Even",
               "stopBits": "1.5", "flowControl": "Modem (RTS+Toggle)"}],
    "masters": [{"portName": "/dev/ttyUSB0", "sectors": [{"commonAddress": 7, "tags": [
      {"type": "Measured Float", "ioa": 100, "quality": "Invalid,Blocked"},
      {"ioa": 101, "quality": ["nt"]}]}]}],
    "slaves": [{"sectors": [{"tags": [{"type": 2}]}]}]
  })json");
  const std::string built = TestPath("bench.cf1");
  const clProgramRun build = RunTelvane({"--build", json, "--save-as", built});
  ASSERT_EQ(build.exitCode, 0) << build.err;
  clWorkspace ws;
  const std::string bytes = ReadWholeFile(built);
  ASSERT_EQ(LoadWorkspaceBytes(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), ws,
                               clLoadPurpose::kInspect),
            "");
  ASSERT_EQ(ws.Ports().Count(), 1);
  EXPECT_EQ(ws.Ports().At(0)->Parity(), clSerialPort::kParityEven);
  EXPECT_EQ(ws.Ports().At(0)->StopBits(), clSerialPort::kStopBitsOneAndHalf);
  EXPECT_EQ(ws.Ports().At(0)->FlowControl(), clSerialPort::kFlowRtsToggle);
  clIEC101MasterDevice* master = ws.Masters().Items()[0];
  EXPECT_EQ(master->Name(), "Master1");
  EXPECT_EQ(master->NextCommonAddress(), 8);
  clSector* sector = master->Sectors()->First();
  EXPECT_EQ(sector->Name(), "Sector7");
  clTag* first = sector->Tags().FindByIoa(100);
  clTag* second = sector->Tags().FindByIoa(101);
  EXPECT_EQ(first->Name(), "Tag1");
  EXPECT_EQ(first->Quality(), clTag::kQualityInvalid | clTag::kQualityBlocked);
  EXPECT_EQ(second->TagType(), clTag::kMeasuredFloat) << "the type of the last tag made";
  EXPECT_EQ(second->Quality(), clTag::kQualityNotTopical);
  EXPECT_EQ(second->Id(), 2);
  clTag* slavePoint = ws.Slaves().Items()[0]->Sectors()->First()->Tags().Items()[0];
  EXPECT_EQ(slavePoint->Value(), 1) << "a new slave double point starts at 1";
  EXPECT_EQ(slavePoint->Name(), "Tag1");
  // Counters go past every name and id given, so the desktop makes no duplicate.
  EXPECT_EQ(ws.CounterValue(clWorkspace::kMasterNameCounter), 2);
  EXPECT_EQ(ws.CounterValue(clWorkspace::kTagIdCounter), 4);
  EXPECT_EQ(ws.ColumnWidths().Count(), 7u);
}

TEST(JsonRoundTrip, ErrorsNameTheJsonPathOfTheBadField) {
  struct Row {
    std::string json;
    std::string error;
  };
  const Row rows[] = {
      {R"({"masters":[{},{},{"sectors":[{"tags":[{"ioa":"x"}]}]}]})",
       "masters[2].sectors[0].tags[0].ioa: not a number"},
      {R"({"ports":[{"parity":"evn"}]})",
       "ports[0].parity: unknown parity 'evn' (None, Odd, Even, Mark, Space, or a number)"},
      {R"({"masters":[{"pollInterval":5}]})", "masters[0].pollInterval: unknown field"},
      {R"({"slaves":[{"retries":4294967296}]})",
       "slaves[0].retries: out of range (-2147483648 to 2147483647)"},
      {R"({"monitors":[{"name":"→"}]})",
       "monitors[0].name: holds a character the workspace file cannot store (Windows-1252 only)"},
      {R"({"masters":[{"sectors":[{"tags":[{"timestamp":"yesterday"}]}]}]})",
       "masters[0].sectors[0].tags[0].timestamp: not a time of the form YYYY-MM-DD hh:mm:ss.mmm"},
      {R"({"counters":[1,2]})", "counters: not 8 numbers"},
      {R"([1])", "not an object"},
      {"{\"masters\":[\n{\"name\":}]}", "line 2, column 9: syntax error"},
      {R"({"counters":1e999})", "number overflow parsing '1e999'"},
      {std::string(40, '[') + std::string(40, ']'), "nested more than 32 levels deep"},
  };
  for (const Row& row : rows) {
    const std::string json = TestPath("error.json");
    WriteWholeFile(json, row.json);
    const clProgramRun build = RunTelvane({"--build", json, "--save-as", TestPath("error.cf1")});
    EXPECT_EQ(build.exitCode, 3) << row.json;
    const std::string expected = "telvane: " + json + ": " + row.error;
    EXPECT_EQ(build.err.substr(0, expected.size()), expected) << build.err;
  }
}

}  // namespace

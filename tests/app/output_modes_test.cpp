// How a headless run prints: the trace forms, the device filter, a slow or
// closed output, and the ways a run ends while the script waits for input.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <map>
#include <memory>
#include <regex>
#include <sstream>
#include <string>

#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/tick_clock.h"
#include "tests/app/run_telvane_helpers.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

TEST(OutputModes, EveryLineOfATraceCarriesItsDevice) {
  const clProgramRun run = RunTelvane({"--demo", "--seconds", "1.5", "--only", "Master1,Slave1"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_GT(lines.size(), 10u);
  for (const std::string& line : lines) {
    EXPECT_TRUE(line.rfind("[Master1] ", 0) == 0 || line.rfind("[Slave1] ", 0) == 0) << line;
  }
  EXPECT_NE(run.out.find("[Slave1] Link Control: Status of link [PRM:1 FCV:0 FCB:0]"),
            std::string::npos);
}

TEST(OutputModes, OneLineGivesDeviceArrowTimeTitleAndOctets) {
  const clProgramRun run = RunTelvane({"--demo", "--seconds", "1.5", "--oneline"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::regex shape(R"(\[(Master1|Slave1|Monitor1)\] (->|<-) \d\d:\d\d:\d\d\.\d\d\d .+ \[[0-9A-F ]+\])");
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_GT(lines.size(), 10u);
  for (const std::string& line : lines) EXPECT_TRUE(std::regex_match(line, shape)) << line;
  EXPECT_NE(run.out.find("] -> "), std::string::npos);
  EXPECT_NE(run.out.find(" Status of link Request [10 49 01 4A 16]"), std::string::npos);
}

// A master polling as fast as it can at 115200 baud, with a slave and a monitor:
// a few thousand records a second.
std::string BusyWorkspace() {
  clWorkspace ws;
  ws.InitNew();
  for (const char* name : {"VLINE60-A", "VLINE60-B", "VLINE60-A-TAP", "VLINE60-B-TAP"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetBaudRate(115200);
    ws.Ports().Add(std::move(port));
  }
  auto master = ws.NewMaster();
  master->SetPortName("VLINE60-A");
  master->SetPollIntervalMs(1);
  ws.CommitDevice(std::move(master));
  auto slave = ws.NewSlave();
  slave->SetPortName("VLINE60-B");
  ws.CommitDevice(std::move(slave));
  auto monitor = ws.NewMonitor();
  monitor->SetPort1Name("VLINE60-A-TAP");
  monitor->SetPort2Name("VLINE60-B-TAP");
  ws.CommitDevice(std::move(monitor));
  const std::string path = TestPath("busy.cf1");
  EXPECT_EQ(SaveWorkspaceFile(ws, path), "");
  return path;
}

TEST(OutputModes, ASlowOutputLosesRecordsAndSaysSoUnlessBlocking) {
  const std::string busy = BusyWorkspace();
  for (const bool block : {false, true}) {
    clTelvaneProcess run;
    std::vector<std::string> args{"--headless", busy, "--seconds", "6"};
    if (block) args.push_back("--block");
    ASSERT_TRUE(run.Start(args));
    usleep(5500 * 1000);  // a reader that does not keep up
    run.ReadToEnd(120000);
    EXPECT_EQ(run.WaitForExit(120000), 0);
    const std::regex dropped(R"(telvane: (Master1|Slave1|Monitor1): \d+ records dropped, output too slow)");
    EXPECT_EQ(std::regex_search(run.Err(), dropped), !block) << run.Err();
    EXPECT_GT(run.out.size(), 65536u);
  }
}

TEST(OutputModes, TheSummaryCountsFramesErrorsRetriesAndRestartsPerDevice) {
  const std::string script = TestPath("noise.txt");
  WriteWholeFile(script, "sleep 1000\nline 1 noise both 0.3\nsleep 4000\nquit\n");
  const clProgramRun run =
      RunTelvane({"--demo", "--quiet", "--summary", "--seed", "7", "--script", script});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  const std::regex line(
      R"(telvane: (\w+): sent (\d+), received (\d+), invalid (\d+), checksum (\d+), )"
      R"(time-outs (\d+), overflows (\d+), retries (\d+), link restarts (\d+), )"
      R"(records dropped 0\n)");
  std::map<std::string, std::vector<long>> counts;
  for (std::sregex_iterator it(run.err.begin(), run.err.end(), line), end; it != end; ++it) {
    for (size_t i = 2; i < it->size(); ++i) counts[(*it)[1]].push_back(std::stol((*it)[i]));
  }
  ASSERT_EQ(counts.size(), 3u) << run.err;
  EXPECT_EQ(counts["Monitor1"][0], 0) << "a monitor sends nothing";
  EXPECT_GT(counts["Monitor1"][1], 0);
  for (const char* station : {"Master1", "Slave1"}) {
    const std::vector<long>& c = counts[station];
    EXPECT_GT(c[0], 0) << station;
    EXPECT_GT(c[1], 0) << station;
    EXPECT_GT(c[2] + c[3] + c[4], 0) << station << ": the noise shows as rejected frames";
  }
  EXPECT_GT(counts["Master1"][6], 0) << "the master repeats what got no answer";
}

TEST(OutputModes, AClosedOutputEndsTheRunAndStillSaves) {
  const std::string saved = TestPath("closed_output.cf1");
  clTelvaneProcess run;
  ASSERT_TRUE(run.Start({"--demo", "--seconds", "120", "--save-as", saved}));
  ASSERT_TRUE(run.WaitForText("\n", 10000));
  run.CloseOutput();
  EXPECT_EQ(run.WaitForExit(30000), 0) << run.Err();
  clWorkspace reloaded;
  EXPECT_EQ(LoadWorkspaceFile(saved, reloaded), "");
}

TEST(OutputModes, SighupSavesAndEndsLikeSigterm) {
  for (const int signal : {SIGHUP, SIGTERM}) {
    const std::string saved = TestPath("signal_" + std::to_string(signal) + ".cf1");
    clTelvaneProcess run;
    ASSERT_TRUE(run.Start({"--demo", "--save-as", saved}));
    ASSERT_TRUE(run.WaitForText("Status of link", 10000));
    run.Signal(signal);
    EXPECT_EQ(run.WaitForExit(30000), 0) << run.Err();
    clWorkspace reloaded;
    EXPECT_EQ(LoadWorkspaceFile(saved, reloaded), "") << signal;
  }
}

TEST(OutputModes, AScriptWaitingOnItsInputEndsWithTheRunLengthAndSignals) {
  int quiet[2];
  ASSERT_EQ(pipe(quiet), 0);  // the test holds the write end open and writes nothing
  clTelvaneProcess timed;
  const uint64_t started = TickNowMs();
  ASSERT_TRUE(timed.Start({"--demo", "--quiet", "--seconds", "1", "--script", "-"}, quiet[0]));
  EXPECT_EQ(timed.WaitForExit(30000), 0);
  EXPECT_LT(TickNowMs() - started, 20000u);
  clTelvaneProcess signalled;
  ASSERT_TRUE(signalled.Start({"--demo", "--script", "-"}, quiet[0]));
  ASSERT_TRUE(signalled.WaitForText("Status of link", 10000));
  signalled.Signal(SIGTERM);
  EXPECT_EQ(signalled.WaitForExit(30000), 0);
  close(quiet[0]);
  close(quiet[1]);
}

}  // namespace

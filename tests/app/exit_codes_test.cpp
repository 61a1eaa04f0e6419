// The exit codes of telvane, one row per way a run can end.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/tick_clock.h"
#include "tests/app/run_telvane_helpers.h"

namespace {

// A workspace whose one master is on a port that does not exist.
std::string WorkspaceWithDeadPort() {
  clWorkspace ws;
  ws.InitNew();
  auto port = std::make_unique<clSerialPort>();
  port->SetName("/nonexistent/tty");
  ws.Ports().Add(std::move(port));
  auto master = ws.NewMaster();
  master->SetPortName("/nonexistent/tty");
  ws.CommitDevice(std::move(master));
  const std::string path = TestPath("dead_port.cf1");
  EXPECT_EQ(SaveWorkspaceFile(ws, path), "");
  return path;
}

std::string Script(const std::string& name, const std::string& text) {
  const std::string path = TestPath(name);
  WriteWholeFile(path, text);
  return path;
}

TEST(ExitCodes, EachEndOfARunHasItsCode) {
  const std::string garbage = Script("garbage.cf1", "not a workspace");
  const std::string badJson = Script("bad.json", "{\"masters\":[{\"ioa\":1}]}");
  const std::string deadPort = WorkspaceWithDeadPort();
  const std::string refused = Script("refused.txt", "frobnicate\nquit\n");
  // A refused line and a timed-out wait: the smaller code wins.
  const std::string timedOut = Script("timed_out.txt", "frob\nwait Master1 1 4 4321 50\nquit\n");
  struct Row {
    std::vector<std::string> args;
    std::string input;
    int code;
  };
  const Row rows[] = {
      {{"--help"}, "", 0},
      {{"--version"}, "", 0},
      {{"--demo", "--seconds", "0.3", "--quiet"}, "", 0},
      {{"--quiet", "--seconds=0.3", "--demo"}, "", 0},  // options before the command word
      {{"--frob"}, "", 2},
      {{"--demo", "--seconds", "soon"}, "", 2},
      {{"--demo", "--save-as", "--quiet"}, "", 2},
      {{"--demo", "--quiet=yes"}, "", 2},
      {{"--decode", "--seconds", "1"}, "", 2},
      {{"--demo", "--dump", "x.cf1"}, "", 2},
      {{"--headless"}, "", 2},
      {{"--demo", "--only", "Nobody", "--seconds", "0"}, "", 2},
      {{"--headless", "/nonexistent/workspace.cf1"}, "", 3},
      {{"--dump", garbage}, "", 3},
      {{"--build", badJson, "--save-as", TestPath("never.cf1")}, "", 3},
      {{"--demo", "--quiet", "--script", "/nonexistent/script.txt"}, "", 3},
      {{"--decode"}, "ZZ\n68 09\n", 3},
      {{"--demo", "--quiet", "--save-as", "/nonexistent/folder/out.cf1"}, "", 1},
      {{"--demo", "--quiet", "--seconds", "30", "--script", timedOut}, "", 4},
      {{"--demo", "--quiet", "--seconds", "30", "--script", refused}, "", 5},
      {{"--headless", deadPort, "--quiet", "--seconds", "30"}, "", 6},
      {{"--headless", deadPort, "--quiet", "--seconds", "0.2", "--keep-going"}, "", 0},
  };
  for (const Row& row : rows) {
    std::string shown;
    for (const std::string& a : row.args) shown += a + " ";
    const clProgramRun run = RunTelvane(row.args, row.input);
    EXPECT_EQ(run.exitCode, row.code) << shown << "\n" << run.err;
  }
}

TEST(ExitCodes, StrictEndsTheRunAtTheFirstRefusedLine) {
  const std::string script = Script("strict.txt", "sleep 10\nfrob\nsleep 600000\n");
  const uint64_t started = TickNowMs();
  const clProgramRun run = RunTelvane({"--demo", "--quiet", "--strict", "--script", script});
  EXPECT_EQ(run.exitCode, 5) << run.err;
  EXPECT_LT(TickNowMs() - started, 30000u) << "the sleep after the refused line ran";
}

TEST(ExitCodes, HelpAndVersionPrintOnStandardOutput) {
  const clProgramRun help = RunTelvane({"--help"});
  EXPECT_EQ(help.out.rfind("usage: telvane", 0), 0u) << help.out;
  EXPECT_NE(help.out.find("Exit codes:"), std::string::npos);
  EXPECT_EQ(help.err, "");
  EXPECT_EQ(RunTelvane({"--version"}).out.rfind("telvane ", 0), 0u);
}

}  // namespace

// telvane --headless run as a program: a monitor on two pseudo-terminals prints
// what it sees, stops cleanly on SIGTERM and saves the tags it collected.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/tick_clock.h"

namespace {

const std::string kTelvane = std::string(TELVANE_BINARY_DIR) + "/app/telvane";

// A child process with its standard output on a pipe.
struct Child {
  pid_t pid = -1;
  int out = -1;
  std::string text;

  // Standard error goes to errPath when given.
  bool Spawn(const std::vector<std::string>& args, const std::string& errPath = "") {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return false;
    pid = fork();
    if (pid == 0) {
      if (!errPath.empty()) {
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (err >= 0) dup2(err, STDERR_FILENO);
      }
      dup2(pipeFds[1], STDOUT_FILENO);
      close(pipeFds[0]);
      close(pipeFds[1]);
      std::vector<char*> argv;
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(argv[0], argv.data());
      _exit(127);
    }
    close(pipeFds[1]);
    out = pipeFds[0];
    return pid > 0;
  }
  // Reads output until it contains `needle` or the time passes.
  bool WaitForText(const std::string& needle, uint64_t timeoutMs) {
    const uint64_t deadline = TickNowMs() + timeoutMs;
    while (text.find(needle) == std::string::npos) {
      uint64_t now = TickNowMs();
      if (now >= deadline) return false;
      pollfd p{out, POLLIN, 0};
      if (poll(&p, 1, static_cast<int>(deadline - now)) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(out, buffer, sizeof buffer);
      if (n <= 0) return text.find(needle) != std::string::npos;
      text.append(buffer, static_cast<size_t>(n));
    }
    return true;
  }
  // Waits for the exit; -1 when it did not end in time (then it is killed).
  int WaitForExit(uint64_t timeoutMs) {
    const uint64_t deadline = TickNowMs() + timeoutMs;
    for (;;) {
      int status = 0;
      if (waitpid(pid, &status, WNOHANG) == pid) {
        pid = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      if (TickNowMs() >= deadline) {
        kill(pid, SIGKILL);
        waitpid(pid, &status, 0);
        pid = -1;
        return -1;
      }
      usleep(5000);
    }
  }
  ~Child() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (out >= 0) close(out);
  }
};

struct Pty {
  int master = -1, slave = -1;
  std::string name;
  bool Open() {
    char path[128];
    if (openpty(&master, &slave, path, nullptr, nullptr) != 0) return false;
    name = path;
    return true;
  }
  ~Pty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
};

// A workspace file with one monitor whose ports are the two pseudo-terminals.
std::string WriteMonitorWorkspace(const std::string& port1, const std::string& port2) {
  clWorkspace workspace;
  workspace.InitNew();
  for (const std::string& name : {port1, port2}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetParity(clSerialPort::kParityNone);
    workspace.Ports().Add(std::move(port));
  }
  auto monitor = workspace.NewMonitor();
  monitor->SetName("Tap");
  monitor->SetPort1Name(port1);
  monitor->SetPort2Name(port2);
  workspace.CommitDevice(std::move(monitor));
  std::string path = ::testing::TempDir() + std::to_string(getpid()) + "_" + "headless_monitor.cf1";
  EXPECT_EQ(SaveWorkspaceFile(workspace, path), "");
  return path;
}

TEST(HeadlessRunner, PrintsMonitorTrafficStopsOnSigtermAndSavesTheCollectedTags) {
  Pty lines[2];
  ASSERT_TRUE(lines[0].Open() && lines[1].Open());
  const std::string file = WriteMonitorWorkspace(lines[0].name, lines[1].name);
  const std::string saved =
      ::testing::TempDir() + std::to_string(getpid()) + "_" + "headless_saved.cf1";
  unlink(saved.c_str());
  Child child;
  ASSERT_TRUE(child.Spawn({kTelvane, "--headless", file, "--save-as", saved}));

  // Single point, common address 1, object 5, On, spontaneous, on the slave's line.
  const uint8_t frame[] = {0x68, 0x0A, 0x0A, 0x68, 0x08, 0x01, 0x01, 0x01,
                           0x03, 0x01, 0x00, 0x05, 0x00, 0x01, 0x16, 0x16};
  uint8_t sealed[sizeof frame];
  std::copy(std::begin(frame), std::end(frame), sealed);
  uint8_t sum = 0;
  for (int i = 4; i < 14; ++i) sum = static_cast<uint8_t>(sum + frame[i]);
  sealed[14] = sum;
  // The port may not be open yet: send until the monitor shows the frame.
  bool seen = false;
  for (int attempt = 0; attempt < 25 && !seen; ++attempt) {
    ASSERT_EQ(write(lines[1].master, sealed, sizeof sealed), static_cast<ssize_t>(sizeof sealed));
    seen = child.WaitForText("COT: 3 <spontaneous> Sector 1", 200);
  }
  ASSERT_TRUE(seen) << child.text;
  EXPECT_NE(child.text.find("[Tap] -> "), std::string::npos) << child.text;
  EXPECT_NE(child.text.find("Single Point Response\n"), std::string::npos);
  EXPECT_NE(child.text.find("[5] On \n"), std::string::npos) << child.text;

  const uint64_t asked = TickNowMs();
  kill(child.pid, SIGTERM);
  EXPECT_EQ(child.WaitForExit(3000), 0);
  EXPECT_LT(TickNowMs() - asked, 1000u);

  clWorkspace reloaded;
  ASSERT_EQ(LoadWorkspaceFile(saved, reloaded), "");
  ASSERT_EQ(reloaded.Monitors().Count(), 1u);
  clIEC101CaptureDevice* monitor = reloaded.Monitors().Items()[0];
  clTag* tag = monitor->Tags()->FindMonitorTag(1, 5, clTag::kSinglePoint);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->Name(), "SP5");
  EXPECT_EQ(tag->Value(), 1);
  EXPECT_EQ(tag->Cause(), 3);

  // The dump of the saved file shows the tag too.
  Child dump;
  ASSERT_TRUE(dump.Spawn({kTelvane, "--dump", saved}));
  EXPECT_TRUE(dump.WaitForText("\"SP5\"", 3000)) << dump.text;
  EXPECT_EQ(dump.WaitForExit(3000), 0);
}

std::string ReadFile(const std::string& path) {
  std::string text;
  if (FILE* f = std::fopen(path.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) text.append(buffer, n);
    std::fclose(f);
  }
  return text;
}

TEST(HeadlessRunner, AScriptRunsItsLinesReportsBadOnesByNumberAndEndsWithQuit) {
  Pty lines[2];
  ASSERT_TRUE(lines[0].Open() && lines[1].Open());
  const std::string file = WriteMonitorWorkspace(lines[0].name, lines[1].name);
  const std::string prefix = ::testing::TempDir() + std::to_string(getpid()) + "_";
  const std::string script = prefix + "script.txt", err = prefix + "script_err.txt",
                    saved = prefix + "script_saved.cf1";
  unlink(saved.c_str());
  FILE* f = std::fopen(script.c_str(), "w");
  ASSERT_NE(f, nullptr);
  std::fprintf(f,
               "# a comment line\n"
               "sleep 50   # and a trailing one\n"
               "frobnicate\n"
               "stop Nobody\n"
               "sleep soon\n"
               "stop tap\n"
               "start TAP\n"
               "set Tap 1 5 1\n"
               "save %s\n"
               "quit\n"
               "sleep 100000\n",
               saved.c_str());
  std::fclose(f);
  Child child;
  const uint64_t started = TickNowMs();
  ASSERT_TRUE(child.Spawn({kTelvane, "--headless", file, "--script", script, "--quiet"}, err));
  EXPECT_EQ(child.WaitForExit(5000), 0);
  EXPECT_LT(TickNowMs() - started, 3000u) << "quit ends the run";
  const std::string errors = ReadFile(err);
  EXPECT_NE(errors.find("script line 3:"), std::string::npos) << errors;
  EXPECT_NE(errors.find("script line 4: unknown device 'Nobody'"), std::string::npos) << errors;
  EXPECT_NE(errors.find("script line 5: bad number 'soon'"), std::string::npos) << errors;
  EXPECT_NE(errors.find("script line 8: unknown slave 'Tap'"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("script line 6"), std::string::npos) << errors;
  EXPECT_EQ(errors.find("script line 7"), std::string::npos) << errors;
  clWorkspace reloaded;
  EXPECT_EQ(LoadWorkspaceFile(saved, reloaded), "");
}

TEST(HeadlessRunner, AnUnreadableWorkspaceExitsWithThree) {
  Child child;
  ASSERT_TRUE(child.Spawn({kTelvane, "--headless", "/nonexistent/workspace.cf1"}));
  EXPECT_EQ(child.WaitForExit(3000), 3);
}

TEST(HeadlessRunner, ARunLengthEndsTheRunAndBadOptionsAreUsageErrors) {
  Child timed;
  const uint64_t started = TickNowMs();
  ASSERT_TRUE(timed.Spawn({kTelvane, "--demo", "--seconds", "0.3", "--quiet"}));
  EXPECT_EQ(timed.WaitForExit(5000), 0);
  EXPECT_GE(TickNowMs() - started, 300u);
  Child bad;
  ASSERT_TRUE(bad.Spawn({kTelvane, "--demo", "--seconds", "soon"}));
  EXPECT_EQ(bad.WaitForExit(3000), 2);
}

}  // namespace

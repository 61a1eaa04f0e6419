#include "tests/app/run_telvane_helpers.h"

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <sstream>

#include "runtime/tick_clock.h"

std::string TestPath(const std::string& name) {
  return ::testing::TempDir() + "telvane_" + std::to_string(getpid()) + "_" + name;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteWholeFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

clTelvaneProcess::~clTelvaneProcess() {
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  if (outFd_ >= 0) close(outFd_);
}

bool clTelvaneProcess::Start(const std::vector<std::string>& args, int inputFd) {
  static std::atomic<int> serial{0};
  errPath_ = TestPath("stderr_" + std::to_string(serial++) + ".txt");
  int pipeFds[2];
  if (pipe(pipeFds) != 0) return false;
  const std::string binary = std::string(TELVANE_BINARY_DIR) + "/app/telvane";
  pid = fork();
  if (pid == 0) {
    const int err = open(errPath_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int in = inputFd >= 0 ? inputFd : open("/dev/null", O_RDONLY);
    dup2(err, STDERR_FILENO);
    dup2(in, STDIN_FILENO);
    dup2(pipeFds[1], STDOUT_FILENO);
    // Nothing else of the test's: a line the test closes must close for telvane.
    closefrom(STDERR_FILENO + 1);
    if (user != static_cast<uid_t>(-1) &&
        (setgroups(0, nullptr) != 0 || setgid(user) != 0 || setuid(user) != 0))
      _exit(126);
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
  }
  close(pipeFds[1]);
  outFd_ = pipeFds[0];
  return pid > 0;
}

bool clTelvaneProcess::WaitForText(const std::string& needle, uint64_t timeoutMs) {
  const uint64_t deadline = TickNowMs() + timeoutMs;
  while (out.find(needle) == std::string::npos) {
    const uint64_t now = TickNowMs();
    if (now >= deadline || outFd_ < 0) return false;
    pollfd p{outFd_, POLLIN, 0};
    if (poll(&p, 1, static_cast<int>(deadline - now)) <= 0) continue;
    char buffer[65536];
    const ssize_t n = read(outFd_, buffer, sizeof buffer);
    if (n <= 0) return out.find(needle) != std::string::npos;
    out.append(buffer, static_cast<size_t>(n));
  }
  return true;
}

void clTelvaneProcess::ReadToEnd(uint64_t timeoutMs) {
  // A text no output holds: read until the end or the time.
  WaitForText(std::string(1, '\0') + "end", timeoutMs);
}

int clTelvaneProcess::WaitForExit(uint64_t timeoutMs) {
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

void clTelvaneProcess::Signal(int signal) {
  if (pid > 0) kill(pid, signal);
}

void clTelvaneProcess::CloseOutput() {
  if (outFd_ >= 0) close(outFd_);
  outFd_ = -1;
}

clProgramRun RunTelvane(const std::vector<std::string>& args, const std::string& input,
                        uint64_t timeoutMs) {
  static std::atomic<int> serial{0};
  const std::string inputPath = TestPath("stdin_" + std::to_string(serial++) + ".txt");
  WriteWholeFile(inputPath, input);
  const int inputFd = open(inputPath.c_str(), O_RDONLY);
  clTelvaneProcess process;
  clProgramRun run;
  if (process.Start(args, inputFd)) {
    process.ReadToEnd(timeoutMs);
    run.exitCode = process.WaitForExit(timeoutMs);
    run.out = process.out;
    run.err = process.Err();
  }
  close(inputFd);
  return run;
}

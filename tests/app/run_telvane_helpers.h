// Running the telvane program from the tests, as a user's shell would.
#pragma once
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

// A fresh path in the test's temporary folder, unique to this test process.
std::string TestPath(const std::string& name);
std::string ReadWholeFile(const std::string& path);
void WriteWholeFile(const std::string& path, const std::string& text);

// A telvane process: standard output on a pipe the test reads, standard error in a
// file, standard input from a file or a descriptor the test gives.
class clTelvaneProcess {
 public:
  clTelvaneProcess() = default;
  clTelvaneProcess(const clTelvaneProcess&) = delete;
  clTelvaneProcess& operator=(const clTelvaneProcess&) = delete;
  ~clTelvaneProcess();

  // Starts "telvane args..."; stdin is inputFd when >= 0, else /dev/null.
  bool Start(const std::vector<std::string>& args, int inputFd = -1);
  // Reads standard output until it holds `needle` or timeoutMs pass.
  bool WaitForText(const std::string& needle, uint64_t timeoutMs);
  // Reads standard output to its end (or until timeoutMs pass).
  void ReadToEnd(uint64_t timeoutMs);
  // Waits for the exit and returns its code; -1 when it did not end in time (it
  // is killed then) or ended by a signal.
  int WaitForExit(uint64_t timeoutMs);
  void Signal(int signal);
  // Closes the test's end of standard output, as "| head" does when it is done.
  void CloseOutput();
  std::string Err() const { return ReadWholeFile(errPath_); }

  pid_t pid = -1;
  std::string out;  // what was read of standard output so far
  // When set before Start (by a test run as root), telvane runs as this user
  // and group, without supplementary groups.
  uid_t user = static_cast<uid_t>(-1);

 private:
  int outFd_ = -1;
  std::string errPath_;
};

struct clProgramRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// Runs telvane to its end with `input` on standard input.
clProgramRun RunTelvane(const std::vector<std::string>& args, const std::string& input = "",
                        uint64_t timeoutMs = 60000);

#pragma once
#include <csignal>
#include <cstdint>
#include <istream>
#include <string>
#include <vector>

#include "master/master_write.h"

class clDeviceRunners;
class clIEC101MasterEngine;
class clWorkspace;

// The end of a headless run: SIGINT/SIGTERM, or the run length passing. Every
// wait of the run goes through here, so that a signal ends it at once.
class clHeadlessClock {
 public:
  // Blocks SIGINT and SIGTERM in the calling thread and in every thread started
  // after it; seconds < 0 means no run length.
  explicit clHeadlessClock(double seconds);
  // Waits up to ms (forever when ms < 0) for the end of the run; true when the run
  // has ended (signal or run length), false when ms passed first.
  bool WaitForEnd(int64_t ms);
  bool Ended() const { return ended_; }

 private:
  sigset_t signals_;
  bool hasLength_;
  uint64_t endAtMs_ = 0;
  bool ended_ = false;
};

// The script language of the headless runner, one command per line, "#" starts
// a comment:
//   sleep <ms>
//   start <device> | stop <device>
//   set <slave> <common address> <ioa> <value>
//   save <file.cf1>
//   quit
//   write <master> <common address> <ioa> <value>   (clock sync: now | YYYY-MM-DD hh:mm:ss)
//   gi <master>
//   wait <device> <common address> <ioa> <value> <ms>
//   line <n> noise|drop <A|B|both> <probability> | line <n> cut|restore|clear
// A line that cannot be carried out prints "telvane: script line N: ..." on
// stderr and the script goes on.
class clHeadlessScript {
 public:
  // The exit code of a run in which a "wait" timed out.
  static constexpr int kWaitTimedOutExitCode = 4;

  clHeadlessScript(clWorkspace& workspace, clDeviceRunners& runners, clHeadlessClock& clock)
      : workspace_(workspace), runners_(runners), clock_(clock) {}

  // Runs every line of the stream until "quit", the end of the stream or the end
  // of the run. True when the script asked to quit.
  bool Run(std::istream& in);
  // The exit code the script asks for: 0, or kWaitTimedOutExitCode.
  int ExitCode() const { return exitCode_; }

 private:
  // One line's words; false (with the error printed) when it could not be done.
  // Sets quit_ for "quit".
  bool Execute(const std::vector<std::string>& words, int lineNumber);
  bool Fail(int lineNumber, const std::string& message);
  bool DoSet(const std::vector<std::string>& words, int lineNumber);
  bool DoWrite(const std::vector<std::string>& words, int lineNumber);
  bool DoWait(const std::vector<std::string>& words, int lineNumber);
  // The master's engine, or null (with the error printed) for an unknown name.
  clIEC101MasterEngine* MasterEngine(const std::string& name, int lineNumber);

  clWorkspace& workspace_;
  clDeviceRunners& runners_;
  clHeadlessClock& clock_;
  clMasterWriteMemory writeMemory_;
  bool quit_ = false;
  int exitCode_ = 0;
};

#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "master/master_write.h"

class clDevice;
class clDeviceRunners;
class clHeadlessClock;
class clIEC101MasterEngine;
class clSector;
class clTag;
class clWorkspace;

// Lines of a script read from a descriptor (a file, a pipe, a terminal) without
// ever blocking the run: every wait for more input is a wait of the clock, so
// the run length and the stop signals end the run whatever the script's source
// does. Used by the main thread only.
class clScriptInput {
 public:
  static constexpr size_t kMaxLineBytes = 65536;

  clScriptInput(int fd, clHeadlessClock& clock) : fd_(fd), clock_(clock) {}
  // The next line without its line end; false at the end of the input or of the
  // run. A line longer than kMaxLineBytes comes back empty with *tooLong set.
  bool Next(std::string* line, bool* tooLong);

 private:
  // Reads what is there after waiting for it; false at the end of either.
  bool Fill();

  int fd_;
  clHeadlessClock& clock_;
  std::string pending_;
  bool endOfInput_ = false;
};

// The script language of the headless runner, one command per line, "#" starts
// a comment, a word in double quotes may hold blanks:
//   sleep <ms>
//   start <device> | stop <device>
//   set <slave> <common address> <ioa or tag name> <value>
//   save <file.cf1>
//   quit
//   write <master> <common address> <ioa or tag name> <value>
//         (clock sync: now | YYYY-MM-DD hh:mm:ss)
//   gi <master>
//   wait <device> <common address> <ioa or tag name> <value> <ms>
//   line <n> noise|drop <A|B|both> <probability> | line <n> cut|restore|clear
// A tag is named by its IOA when the word is a number, else by its name. A line
// that cannot be carried out prints "telvane: script line N: ..." on stderr and
// counts as an error; the script goes on, unless it is strict.
class clHeadlessScript {
 public:
  clHeadlessScript(clWorkspace& workspace, clDeviceRunners& runners, clHeadlessClock& clock)
      : workspace_(workspace), runners_(runners), clock_(clock) {}

  // Ends the script at the first refused line.
  void SetStrict(bool strict) { strict_ = strict; }
  // Printed on stderr the first time a line fault is set.
  void SetFirstFaultNotice(std::string text) { faultNotice_ = std::move(text); }

  // Runs every line until "quit", the end of the input, the end of the run, or
  // (strict) the first error. True when the script asked to quit or, strict,
  // stopped at an error: the run is then over.
  bool Run(clScriptInput& in);
  // 0; kExitWaitTimedOut after a timed-out wait; else kExitScriptErrors after
  // any refused line.
  int ExitCode() const;
  int ErrorCount() const { return errors_; }

 private:
  // One line's words; false (with the error printed) when it could not be done.
  // Sets quit_ for "quit".
  bool Execute(const std::vector<std::string>& words, int lineNumber);
  bool Fail(int lineNumber, const std::string& message);
  bool DoSet(const std::vector<std::string>& words, int lineNumber);
  bool DoWrite(const std::vector<std::string>& words, int lineNumber);
  bool DoWait(const std::vector<std::string>& words, int lineNumber);
  bool DoLine(const std::vector<std::string>& words, int lineNumber);
  // The tag named by `word` (an IOA or a name) in the device's sector with the
  // common address `caWord`; null with the error printed when there is none.
  clTag* SectorTag(clDevice& device, const std::string& caWord, const std::string& word,
                   int lineNumber, clSector** sector);
  // The master's engine, or null (with the error printed) for an unknown name.
  clIEC101MasterEngine* MasterEngine(const std::string& name, int lineNumber);

  clWorkspace& workspace_;
  clDeviceRunners& runners_;
  clHeadlessClock& clock_;
  clMasterWriteMemory writeMemory_;
  bool strict_ = false;
  std::string faultNotice_;
  bool quit_ = false;
  bool waitTimedOut_ = false;
  int errors_ = 0;
};

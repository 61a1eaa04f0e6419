#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct clCommandLine;
class clWorkspace;

// Options of a headless run (--headless and --demo).
struct clHeadlessOptions {
  double seconds = -1;    // run length; negative: until a stop signal or quit
  std::string saveAs;     // save the workspace here after stopping, when set
  bool quiet = false;     // print neither traffic nor the summary
  std::string script;     // commands to run while the devices run; "-" is stdin
  bool strict = false;    // end the run at the first refused script line
  bool keepGoing = false; // run on when a device does not start
  bool hasSeed = false;   // seed of the virtual lines' faults; random when not given
  uint64_t seed = 0;
  bool block = false;     // let the output lag behind rather than drop records
  bool oneline = false;   // one line per traffic record
  bool summary = false;   // print the counters even when quiet
  std::vector<std::string> only;  // print only these devices' traffic; all when empty
};

// The run options of a parsed command line; false with the reason in error when
// a value is bad.
bool HeadlessOptionsFrom(const clCommandLine& line, clHeadlessOptions* options,
                         std::string* error);

// "telvane --headless FILE.cf1 [run options]". Returns the exit code.
int RunHeadlessCommand(const clCommandLine& line);
// "telvane --demo [run options]": the demonstration workspace, run headless.
int RunDemoCommand(const clCommandLine& line);

// Starts every device of the workspace as "Start All" does (naming on stderr the
// ones that did not start, and then ending unless keepGoing), prints their
// traffic unless quiet, runs the script, stops them all after the script's
// "quit", the run length, a stop signal (SIGINT, SIGTERM, SIGHUP) or a closed
// standard output, prints what was lost and the summary, and saves when asked.
// Returns the exit code (exit_codes.h).
int RunWorkspaceHeadless(clWorkspace& workspace, const clHeadlessOptions& options);

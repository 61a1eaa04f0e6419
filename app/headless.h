#pragma once
#include <cstdint>
#include <string>

class clWorkspace;

// Options of a headless run.
struct clHeadlessOptions {
  double seconds = -1;   // run length; negative: until SIGINT or SIGTERM
  std::string saveAs;    // save the workspace here after stopping, when set
  bool quiet = false;    // print nothing but errors
  std::string script;    // commands to run while the devices run; "-" is stdin
  bool hasSeed = false;  // seed of the virtual lines' faults; random when not given
  uint64_t seed = 0;
};

// "telvane --headless FILE.cf1 [--seconds N] [--save-as OUT.cf1] [--script FILE|-]
// [--seed N] [--quiet]";
// argv holds the arguments after "--headless". Returns the exit code.
int RunHeadlessCommand(int argc, char** argv);

// Starts every device of the workspace as "Start All" does (naming on stderr the
// ones that did not start), prints their traffic unless quiet, stops them all
// after the script's "quit", the run length or SIGINT/SIGTERM, and saves when
// asked. Returns the exit code: 0; 1 when saving failed; 2 when the script cannot
// be read; the script's own code (4 after a timed-out wait).
int RunWorkspaceHeadless(clWorkspace& workspace, const clHeadlessOptions& options);

// Parses "--seconds N", "--save-as FILE", "--script FILE", "--seed N" and "--quiet"
// at argv[*index]; advances
// *index past what it took. False with a message when the option is bad; true
// with *index unchanged when the argument is not one of these.
bool ParseHeadlessOption(int argc, char** argv, int* index, clHeadlessOptions* options,
                         std::string* error);

// The words of a telvane command line: which command, its options, its operands.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

// The command words. kNone is a command line without one: the desktop program.
enum class clCommand { kNone, kDemo, kHeadless, kDecode, kDump, kBuild };

struct clOption {
  std::string name;   // "--seconds"
  std::string value;  // "" for a flag
};

struct clCommandLine {
  clCommand command = clCommand::kNone;
  std::vector<clOption> options;      // in the order given
  std::vector<std::string> operands;  // the words that are not options
  bool help = false;
  bool version = false;

  // The last value given to the option, or "" when it was not given.
  std::string Value(const std::string& name) const;
  bool Has(const std::string& name) const;
};

// Splits argv into the command word, options and operands. The command word may
// stand anywhere; options take their value as "--opt value" or "--opt=value"; a
// word after "--" is an operand. Refuses (false, with the reason in error) an
// unknown option, an option the command does not take, a missing value, a value
// that is itself an option, a value given to a flag, and a second command word.
bool ParseCommandLine(int argc, char** argv, clCommandLine* line, std::string* error);

// The command word as written ("--headless"); "" for kNone.
const char* CommandWord(clCommand command);

// The full usage text (--help).
void PrintHelp(std::FILE* out);
// The usage lines of one command (all of them for kNone), for a usage error.
void PrintUsage(std::FILE* out, clCommand command);
// "telvane: " + error on stderr, then the command's usage; returns the usage exit code.
int UsageError(clCommand command, const std::string& error);

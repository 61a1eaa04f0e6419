#include "app/command_line.h"

#include <cstring>

#include "app/exit_codes.h"
#include "app/version.h"

namespace {

struct CommandWordEntry {
  clCommand command;
  const char* word;
};
constexpr CommandWordEntry kCommandWords[] = {
    {clCommand::kDemo, "--demo"},     {clCommand::kHeadless, "--headless"},
    {clCommand::kDecode, "--decode"}, {clCommand::kDump, "--dump"},
    {clCommand::kBuild, "--build"},   {clCommand::kImport, "--import"},
};

// Which commands take an option.
enum : unsigned {
  kRun = 1u << static_cast<unsigned>(clCommand::kDemo) |
         1u << static_cast<unsigned>(clCommand::kHeadless),
  kDecodeOnly = 1u << static_cast<unsigned>(clCommand::kDecode),
  kBuildOnly = 1u << static_cast<unsigned>(clCommand::kBuild),
  kImportOnly = 1u << static_cast<unsigned>(clCommand::kImport),
};

struct KnownOption {
  const char* name;
  bool takesValue;
  unsigned commands;
};
constexpr KnownOption kOptions[] = {
    {"--seconds", true, kRun},       {"--script", true, kRun},
    {"--save-as", true, kRun | kBuildOnly | kImportOnly},
    {"--rows", true, kImportOnly},
    {"--seed", true, kRun},          {"--quiet", false, kRun},
    {"--strict", false, kRun},       {"--keep-going", false, kRun},
    {"--block", false, kRun},        {"--only", true, kRun},
    {"--oneline", false, kRun},      {"--summary", false, kRun},
    {"--sizes", true, kDecodeOnly},  {"--role", true, kDecodeOnly},
    {"--port", true, kDecodeOnly},   {"--structured", false, kDecodeOnly},
};

const KnownOption* FindOption(const std::string& name) {
  for (const KnownOption& known : kOptions)
    if (name == known.name) return &known;
  return nullptr;
}

bool IsOptionWord(const char* word) { return word[0] == '-' && word[1] != '\0'; }

bool Refuse(std::string* error, const std::string& text) {
  *error = text;
  return false;
}

// The options are checked against the command once it is known, wherever the
// command word stood.
bool CheckOptions(const clCommandLine& line, std::string* error) {
  const unsigned bit = 1u << static_cast<unsigned>(line.command);
  for (const clOption& option : line.options) {
    if (FindOption(option.name)->commands & bit) continue;
    if (line.command == clCommand::kNone)
      return Refuse(error, option.name + " needs a command word such as --headless or --demo");
    return Refuse(error, std::string(CommandWord(line.command)) + " does not take " + option.name);
  }
  return true;
}

constexpr const char* kRunUsage =
    "[--seconds N] [--script FILE|-] [--strict] [--save-as OUT.cf1] [--seed N]\n"
    "             [--keep-going] [--quiet] [--only DEVICE[,DEVICE]] [--oneline] [--block]"
    " [--summary]\n";

}  // namespace

std::string clCommandLine::Value(const std::string& name) const {
  std::string value;
  for (const clOption& option : options)
    if (option.name == name) value = option.value;
  return value;
}

bool clCommandLine::Has(const std::string& name) const {
  for (const clOption& option : options)
    if (option.name == name) return true;
  return false;
}

const char* CommandWord(clCommand command) {
  for (const CommandWordEntry& entry : kCommandWords)
    if (entry.command == command) return entry.word;
  return "";
}

bool ParseCommandLine(int argc, char** argv, clCommandLine* line, std::string* error) {
  *line = clCommandLine{};
  // The command word first, wherever it stands, so that an error shows its usage.
  for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
    for (const CommandWordEntry& entry : kCommandWords)
      if (line->command == clCommand::kNone && std::strcmp(argv[i], entry.word) == 0)
        line->command = entry.command;
  }
  bool operandsOnly = false;
  for (int i = 1; i < argc; ++i) {
    const char* word = argv[i];
    if (operandsOnly || !IsOptionWord(word)) {
      line->operands.push_back(word);
      continue;
    }
    if (std::strcmp(word, "--") == 0) {
      operandsOnly = true;
      continue;
    }
    if (std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0) {
      line->help = true;
      continue;
    }
    if (std::strcmp(word, "--version") == 0) {
      line->version = true;
      continue;
    }
    bool isCommand = false;
    for (const CommandWordEntry& entry : kCommandWords) {
      if (std::strcmp(word, entry.word) != 0) continue;
      if (line->command != entry.command)
        return Refuse(error, std::string(CommandWord(line->command)) + " and " + word +
                                 " cannot be given together");
      isCommand = true;
    }
    if (isCommand) continue;
    std::string name = word;
    std::string value;
    const size_t equals = name.find('=');
    const bool inlineValue = equals != std::string::npos;
    if (inlineValue) {
      value = name.substr(equals + 1);
      name.resize(equals);
    }
    const KnownOption* known = FindOption(name);
    if (known == nullptr) return Refuse(error, "unknown option '" + name + "'");
    if (!known->takesValue && inlineValue) return Refuse(error, name + " takes no value");
    if (known->takesValue && !inlineValue) {
      if (i + 1 >= argc) return Refuse(error, name + " needs a value");
      const char* next = argv[i + 1];
      // "-" alone is a value (standard input); anything else that starts with
      // "-" is a forgotten value followed by the next option.
      if (IsOptionWord(next) && !(next[1] >= '0' && next[1] <= '9'))
        return Refuse(error, name + " needs a value, not the option '" + next + "'");
      value = next;
      ++i;
    }
    line->options.push_back(clOption{name, value});
  }
  if (line->help || line->version) return true;
  return CheckOptions(*line, error);
}

void PrintUsage(std::FILE* out, clCommand command) {
  struct UsageLine {
    clCommand command;
    const char* text;
  };
  static constexpr UsageLine kLines[] = {
      {clCommand::kNone, "telvane [FILE.cf1]"},
      {clCommand::kHeadless, "telvane --headless FILE.cf1 [run options]"},
      {clCommand::kDemo, "telvane --demo [run options]"},
      {clCommand::kDecode,
       "telvane --decode [--sizes LA,CA,COT,IOA] [--role monitor|master|slave] [--port 1|2]"
       " [--structured]"},
      {clCommand::kDump, "telvane --dump FILE.cf1"},
      {clCommand::kBuild, "telvane --build WORKSPACE.json --save-as OUT.cf1"},
      {clCommand::kImport,
       "telvane --import FILE.cf1 DEVICE WORKBOOK [--rows all|LIST] [--save-as OUT.cf1]"},
      {clCommand::kNone, "telvane --help | --version"},
  };
  const bool all = command == clCommand::kNone;
  const char* lead = "usage: ";
  for (const UsageLine& line : kLines) {
    if (!all && line.command != command) continue;
    std::fprintf(out, "%s%s\n", lead, line.text);
    lead = "       ";
  }
  if (command == clCommand::kHeadless || command == clCommand::kDemo)
    std::fprintf(out, "run options: %s", kRunUsage);
}

void PrintHelp(std::FILE* out) {
  PrintUsage(out, clCommand::kNone);
  std::fputs(
      "\n"
      "Without a command word, telvane opens the desktop program (with the workspace\n"
      "FILE.cf1 when given); --demo alone opens it on the demonstration workspace.\n"
      "\n"
      "--headless runs a workspace without a window: it starts every device, prints\n"
      "their traffic on stdout and stops at the end of the run. --demo does the same\n"
      "on a built-in workspace (a master, a slave and a monitor on a virtual line).\n"
      "  --seconds N        end the run after N seconds (otherwise at SIGINT, SIGTERM,\n"
      "                     SIGHUP, the script's quit, or a closed stdout)\n"
      "  --script FILE|-    run the script's commands while the devices run (- is stdin)\n"
      "  --strict           end the run at the first refused script line\n"
      "  --save-as OUT.cf1  save the workspace when the run ends\n"
      "  --seed N           seed of the line faults (random when not given)\n"
      "  --keep-going       run on when a device does not start\n"
      "  --quiet            print neither traffic nor the summary\n"
      "  --only DEV[,DEV]   print only these devices' traffic\n"
      "  --oneline          one line per record: device, arrow, time, title, octets\n"
      "  --block            drop no traffic record when stdout is slow: the output lags\n"
      "                     behind instead (the devices' timing never waits for it)\n"
      "  --summary          print the per-device counters at the end (the default\n"
      "                     unless --quiet)\n"
      "\n"
      "--decode reads frames from stdin (hexadecimal octets, trace lines, xxd or\n"
      "tshark -x dumps) and prints their decoded text.\n"
      "  --sizes LA,CA,COT,IOA  field sizes in octets (default 1,2,1,2)\n"
      "  --role R           word the texts as the monitor, master or slave does\n"
      "                     (default: by each frame's PRM bit)\n"
      "  --port 1|2         the monitor's port (1 requests, 2 responses)\n"
      "  --structured       print object addresses as three octets 001/002/003\n"
      "\n"
      "--dump prints a workspace file as JSON; --build writes the workspace file that\n"
      "a JSON description (as --dump prints it) describes.\n"
      "\n"
      "--import reads a tag list from worksheet 1 of a workbook (.xlsx, .xls, .ods or\n"
      ".csv; rows from 6 on, columns A to O) into the master or slave DEVICE of\n"
      "FILE.cf1, replacing its sectors and tags, and saves over FILE.cf1.\n"
      "  --rows all|LIST    import these worksheet rows only (\"6,8,10-20\")\n"
      "  --save-as OUT.cf1  save to OUT.cf1 instead, leaving FILE.cf1 as it was\n"
      "\n"
      "Options may stand before or after the command word; --opt=value is accepted.\n"
      "\n"
      "Exit codes: 0 success; 1 a file could not be written; 2 wrong command line;\n"
      "3 unreadable input; 4 a script wait timed out; 5 script lines refused;\n"
      "6 a device did not start.\n",
      out);
}

int UsageError(clCommand command, const std::string& error) {
  std::fprintf(stderr, "telvane: %s\n", error.c_str());
  PrintUsage(stderr, command);
  return kExitUsage;
}

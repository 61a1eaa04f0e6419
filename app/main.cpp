// telvane: the simulator's command-line entry point.
#include <cstdio>
#include <string>

#include "app/build_command.h"
#include "app/command_line.h"
#include "app/decode_command.h"
#include "app/dump_command.h"
#include "app/exit_codes.h"
#include "app/headless.h"
#include "app/version.h"
#ifdef TELVANE_UI
#include "ui/startup/desktop_main.h"
#endif

namespace {

// ---------------------------------------------------------------------------
// No headless command word, and the desktop did not take the command line (a
// build without it, or words it does not take): the usage, exit code 2.
// ---------------------------------------------------------------------------
int RunWithoutCommandWord(const clCommandLine& line) {
  if (line.operands.size() > 1)
    return UsageError(clCommand::kNone, "more than one workspace file: '" + line.operands[1] + "'");
  PrintUsage(stderr, clCommand::kNone);
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
#ifdef TELVANE_UI
  // The window: no argument, a workspace file, "--demo" alone or "--screenshot".
  if (WantsDesktop(argc, argv)) {
    int code = RunDesktop(argc, argv);
    if (code != kDesktopNoDisplay) return code;
  }
#endif
  clCommandLine line;
  std::string error;
  if (!ParseCommandLine(argc, argv, &line, &error)) return UsageError(line.command, error);
  if (line.help) {
    PrintHelp(stdout);
    return std::fflush(stdout) == 0 ? kExitOk : kExitWriteFailed;
  }
  if (line.version) {
    std::printf("telvane %s\n", kTelvaneVersion);
    return std::fflush(stdout) == 0 ? kExitOk : kExitWriteFailed;
  }
  switch (line.command) {
    case clCommand::kDemo:
      return RunDemoCommand(line);
    case clCommand::kHeadless:
      return RunHeadlessCommand(line);
    case clCommand::kDecode:
      return RunDecodeCommand(line);
    case clCommand::kDump:
      return RunDumpCommand(line);
    case clCommand::kBuild:
      return RunBuildCommand(line);
    case clCommand::kNone:
      break;
  }
  return RunWithoutCommandWord(line);
}

// telvane: the simulator's command-line entry point.
#include <cstdio>
#include <cstring>
#include <string>

#include "app/decode_command.h"
#include "app/demo_workspace.h"
#include "app/dump_command.h"
#include "app/headless.h"
#include "app/import_command.h"
#include "model/workspace.h"
#ifdef TELVANE_UI
#include "ui/startup/desktop_main.h"
#endif

namespace {

void Usage() {
  std::fprintf(
      stderr,
      "usage: telvane --demo [--seconds N] [--script FILE|-] [--save-as OUT.cf1] [--seed N]"
      " [--quiet]\n"
      "       telvane --headless FILE.cf1 [--seconds N] [--save-as OUT.cf1]"
      " [--script FILE|-] [--seed N] [--quiet]\n"
      "       telvane --decode [--sizes LA,CA,COT,IOA] [--role monitor|master|slave]"
      " [--port 1|2] [--structured]\n"
      "       telvane --dump FILE.cf1\n"
      "       telvane --import FILE.cf1 DEVICE WORKBOOK [--rows all|LIST] [--save-as OUT.cf1]\n");
}

// The demonstration workspace, run as a headless workspace is.
int RunDemoCommand(int argc, char** argv) {
  clHeadlessOptions options;
  for (int i = 0; i < argc;) {
    int before = i;
    std::string error;
    if (!ParseHeadlessOption(argc, argv, &i, &options, &error) || i == before) {
      if (!error.empty()) std::fprintf(stderr, "telvane: %s\n", error.c_str());
      Usage();
      return 2;
    }
  }
  clWorkspace workspace;
  BuildDemoWorkspace(workspace);
  return RunWorkspaceHeadless(workspace, options);
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
  if (argc >= 2) {
    const char* command = argv[1];
    if (std::strcmp(command, "--demo") == 0) return RunDemoCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "--headless") == 0) return RunHeadlessCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "--decode") == 0) return RunDecodeCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "--dump") == 0) return RunDumpCommand(argc - 2, argv + 2);
    if (std::strcmp(command, "--import") == 0) return RunImportCommand(argc - 2, argv + 2);
  }
  Usage();
  return 2;
}

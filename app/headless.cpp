#include "app/headless.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <random>

#include "app/device_runners.h"
#include "app/headless_script.h"
#include "app/traffic_printer.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/virtual_lines.h"

namespace {

void HeadlessUsage() {
  std::fprintf(stderr,
               "usage: telvane --headless FILE.cf1 [--seconds N] [--save-as OUT.cf1] "
               "[--script FILE|-] [--seed N] [--quiet]\n");
}

}  // namespace

bool ParseHeadlessOption(int argc, char** argv, int* index, clHeadlessOptions* options,
                         std::string* error) {
  const char* arg = argv[*index];
  if (std::strcmp(arg, "--quiet") == 0) {
    options->quiet = true;
    ++*index;
    return true;
  }
  bool seconds = std::strcmp(arg, "--seconds") == 0;
  bool saveAs = std::strcmp(arg, "--save-as") == 0;
  bool script = std::strcmp(arg, "--script") == 0;
  bool seed = std::strcmp(arg, "--seed") == 0;
  if (!seconds && !saveAs && !script && !seed) return true;
  if (*index + 1 >= argc) {
    *error = std::string(arg) + " needs a value";
    return false;
  }
  const char* value = argv[*index + 1];
  if (seed) {
    char* end = nullptr;
    errno = 0;
    unsigned long long n = std::strtoull(value, &end, 10);
    if (errno != 0 || end == value || *end != '\0' || value[0] == '-') {
      *error = std::string("bad seed '") + value + "'";
      return false;
    }
    options->seed = n;
    options->hasSeed = true;
  } else if (seconds) {
    char* end = nullptr;
    errno = 0;
    double n = std::strtod(value, &end);
    if (errno != 0 || end == value || *end != '\0' || !(n >= 0) || n > 1e9) {
      *error = std::string("bad number of seconds '") + value + "'";
      return false;
    }
    options->seconds = n;
  } else if (saveAs) {
    options->saveAs = value;
  } else {
    options->script = value;
  }
  *index += 2;
  return true;
}

int RunWorkspaceHeadless(clWorkspace& workspace, const clHeadlessOptions& options) {
  std::ifstream scriptFile;
  if (!options.script.empty() && options.script != "-") {
    scriptFile.open(options.script);
    if (!scriptFile) {
      std::fprintf(stderr, "telvane: cannot read script '%s'\n", options.script.c_str());
      return 2;
    }
  }
  // Line faults are drawn from this seed, so a run can be repeated exactly.
  const uint64_t seed = options.hasSeed ? options.seed : std::random_device{}();
  clVirtualLines::SetFaultSeed(seed);
  std::fprintf(stderr, "telvane: fault seed %llu\n", static_cast<unsigned long long>(seed));
  // Before any thread starts, so that only this thread takes the stop signals.
  clHeadlessClock clock(options.seconds);
  int exitCode = 0;
  {
    clDeviceRunners runners(workspace);
    clTrafficPrinter printer(stdout);
    if (!options.quiet) {
      for (clDevice* d : *workspace.Monitors().Items()) printer.Watch(d->Name(), &d->Traffic());
      for (clDevice* d : *workspace.Slaves().Items()) printer.Watch(d->Name(), &d->Traffic());
      for (clDevice* d : *workspace.Masters().Items()) printer.Watch(d->Name(), &d->Traffic());
      printer.StartPrinting();
    }
    for (const std::string& failure : runners.StartAll()) {
      std::fprintf(stderr, "telvane: not started: %s\n", failure.c_str());
    }
    bool quit = false;
    if (!options.script.empty()) {
      clHeadlessScript script(workspace, runners, clock);
      quit = script.Run(options.script == "-" ? std::cin : scriptFile);
      exitCode = script.ExitCode();
    }
    if (!quit) clock.WaitForEnd(-1);
    runners.StopAll();
    printer.StopPrinting();
  }
  if (!options.saveAs.empty()) {
    std::string error = SaveWorkspaceFile(workspace, options.saveAs);
    if (!error.empty()) {
      std::fprintf(stderr, "telvane: %s\n", error.c_str());
      if (exitCode == 0) exitCode = 1;
    }
  }
  std::fflush(stdout);
  return exitCode;
}

int RunHeadlessCommand(int argc, char** argv) {
  std::string file;
  clHeadlessOptions options;
  for (int i = 0; i < argc;) {
    std::string error;
    int before = i;
    if (!ParseHeadlessOption(argc, argv, &i, &options, &error)) {
      std::fprintf(stderr, "telvane: %s\n", error.c_str());
      HeadlessUsage();
      return 2;
    }
    if (i != before) continue;
    if (argv[i][0] == '-' || !file.empty()) {
      HeadlessUsage();
      return 2;
    }
    file = argv[i++];
  }
  if (file.empty()) {
    HeadlessUsage();
    return 2;
  }
  clWorkspace workspace;
  std::string error = LoadWorkspaceFile(file, workspace);
  if (!error.empty()) {
    std::fprintf(stderr, "%s\n", error.c_str());
    return 3;
  }
  return RunWorkspaceHeadless(workspace, options);
}

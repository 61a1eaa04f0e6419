#include "app/headless.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include "app/command_files.h"
#include "app/command_line.h"
#include "app/demo_workspace.h"
#include "app/device_runners.h"
#include "app/exit_codes.h"
#include "app/headless_clock.h"
#include "app/headless_script.h"
#include "app/port_messages.h"
#include "app/port_watch.h"
#include "app/traffic_printer.h"
#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/virtual_lines.h"

namespace {

constexpr double kLongestRunSeconds = 1e9;

bool ParseSeed(const std::string& text, uint64_t* seed) {
  char* end = nullptr;
  errno = 0;
  const unsigned long long n = std::strtoull(text.c_str(), &end, 10);
  if (errno != 0 || end == text.c_str() || *end != '\0' || text[0] == '-') return false;
  *seed = n;
  return true;
}

bool ParseSeconds(const std::string& text, double* seconds) {
  char* end = nullptr;
  errno = 0;
  const double n = std::strtod(text.c_str(), &end);
  if (errno != 0 || end == text.c_str() || *end != '\0' || !(n >= 0) || n > kLongestRunSeconds)
    return false;
  *seconds = n;
  return true;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t start = 0;
  while (start <= text.size()) {
    size_t comma = text.find(',', start);
    if (comma == std::string::npos) comma = text.size();
    if (comma > start) items.push_back(text.substr(start, comma - start));
    start = comma + 1;
  }
  return items;
}

// The devices whose traffic is printed, in the order their queues are watched.
bool PrintedDevices(clWorkspace& workspace, const clHeadlessOptions& options,
                    std::vector<clDevice*>* printed, std::string* error) {
  std::vector<clDevice*> all;
  for (clDevice* d : *workspace.Monitors().Items()) all.push_back(d);
  for (clDevice* d : *workspace.Slaves().Items()) all.push_back(d);
  for (clDevice* d : *workspace.Masters().Items()) all.push_back(d);
  if (options.only.empty()) {
    *printed = all;
    return true;
  }
  for (const std::string& name : options.only) {
    bool found = false;
    for (clDevice* d : all) found = found || EqualsNoCase(d->Name(), name);
    if (!found) {
      *error = "--only: no device named '" + name + "' in the workspace";
      return false;
    }
  }
  for (clDevice* d : all) {
    for (const std::string& name : options.only) {
      if (EqualsNoCase(d->Name(), name)) {
        printed->push_back(d);
        break;
      }
    }
  }
  return true;
}

// The script's descriptor: standard input for "-", else the opened file; -1
// (with the reason printed) when it cannot be read.
int OpenScript(const std::string& script) {
  if (script == "-") return STDIN_FILENO;
  const int fd = ::open(script.c_str(), O_RDONLY | O_CLOEXEC);
  struct stat info {};
  int error = fd < 0 ? errno : 0;
  if (fd >= 0 && ::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) error = EISDIR;
  if (error == 0) return fd;
  if (fd >= 0) ::close(fd);
  PrintError(script, std::strerror(error));
  return -1;
}

void ReportDrops(const clTrafficPrinter& printer) {
  if (printer.OutputClosed()) return;
  for (size_t i = 0; i < printer.WatchedCount(); ++i) {
    const uint64_t dropped = printer.Dropped(i);
    if (dropped == 0) continue;
    std::fprintf(stderr, "telvane: %s: %llu records dropped, output too slow\n",
                 printer.WatchedName(i).c_str(), static_cast<unsigned long long>(dropped));
  }
}

// One line per device: "telvane: Master1: sent 120, received 118, invalid 0,
// checksum 0, time-outs 2, overflows 0, retries 2, link restarts 1, records
// dropped 0".
void PrintSummary(clWorkspace& workspace, const clTrafficPrinter& printer) {
  using C = clDeviceCounters;
  static constexpr struct {
    C::Counter counter;
    const char* name;
  } kShown[] = {{C::kFramesSent, "sent"},          {C::kFramesReceived, "received"},
                {C::kInvalidFrames, "invalid"},    {C::kChecksumErrors, "checksum"},
                {C::kTimeouts, "time-outs"},       {C::kOverflows, "overflows"},
                {C::kRetries, "retries"},          {C::kLinkRestarts, "link restarts"}};
  std::vector<clDevice*> devices;
  for (clDevice* d : *workspace.Monitors().Items()) devices.push_back(d);
  for (clDevice* d : *workspace.Slaves().Items()) devices.push_back(d);
  for (clDevice* d : *workspace.Masters().Items()) devices.push_back(d);
  for (clDevice* device : devices) {
    std::string line = "telvane: " + device->Name() + ":";
    for (const auto& shown : kShown)
      line += std::string(shown.counter == C::kFramesSent ? " " : ", ") + shown.name + " " +
              std::to_string(device->Counters().Get(shown.counter));
    uint64_t dropped = 0;
    for (size_t i = 0; i < printer.WatchedCount(); ++i)
      if (printer.WatchedName(i) == device->Name()) dropped = printer.Dropped(i);
    std::fprintf(stderr, "%s, records dropped %llu\n", line.c_str(),
                 static_cast<unsigned long long>(dropped));
  }
}


// Runs the script, or waits for the end of the run; returns the script's code.
int RunScript(clWorkspace& workspace, clDeviceRunners& runners, clHeadlessClock& clock,
              const clHeadlessOptions& options, int scriptFd, const std::string& seedNotice) {
  bool over = false;
  int exitCode = kExitOk;
  if (scriptFd >= 0) {
    clHeadlessScript script(workspace, runners, clock);
    script.SetStrict(options.strict);
    script.SetFirstFaultNotice(seedNotice);
    clScriptInput input(scriptFd, clock);
    over = script.Run(input);
    exitCode = script.ExitCode();
    if (script.ErrorCount() > 0)
      std::fprintf(stderr, "telvane: %d script line%s refused\n", script.ErrorCount(),
                   script.ErrorCount() == 1 ? "" : "s");
  }
  if (!over) clock.WaitForEnd(-1);
  return exitCode;
}

// Saves the workspace when asked; the exit code of the save.
int Save(const clWorkspace& workspace, const std::string& saveAs) {
  if (saveAs.empty()) return kExitOk;
  const std::string error = SaveWorkspaceFile(workspace, saveAs);
  if (error.empty()) return kExitOk;
  PrintError(saveAs, error);
  return kExitWriteFailed;
}

// The run proper, from starting the devices to the summary; returns the exit code.
int RunDevices(clWorkspace& workspace, const clHeadlessOptions& options,
               const std::vector<clDevice*>& printed, clHeadlessClock& clock, int scriptFd,
               const std::string& seedNotice) {
  int exitCode = kExitDeviceNotStarted;
  clDeviceRunners runners(workspace);
  clTrafficPrinter printer(stdout, clPrinterOptions{options.oneline, options.block});
  printer.SetOnOutputClosed([&clock] { clock.End(); });
  if (!options.quiet) {
    for (clDevice* d : printed) printer.Watch(d->Name(), &d->Traffic());
    printer.StartPrinting();
  }
  clPortWatch portWatch(workspace);
  portWatch.Start();
  std::vector<clStartFailure> failures;
  runners.StartAll(&failures);
  for (const clStartFailure& failure : failures)
    std::fprintf(stderr, "telvane: %s\n", StartFailureMessage(failure).c_str());
  const bool run = failures.empty() || options.keepGoing;
  if (run) exitCode = RunScript(workspace, runners, clock, options, scriptFd, seedNotice);
  runners.StopAll();
  portWatch.Stop();
  // Saved before the output is finished: a stuck output cannot lose the work.
  if (run) exitCode = CombineExitCodes(exitCode, Save(workspace, options.saveAs));
  // The rest may wait on a slow output; a further stop signal now ends the
  // process at once.
  clock.ReleaseSignals();
  printer.StopPrinting();
  ReportDrops(printer);
  if (!options.quiet || options.summary) PrintSummary(workspace, printer);
  return exitCode;
}

}  // namespace

bool HeadlessOptionsFrom(const clCommandLine& line, clHeadlessOptions* options,
                         std::string* error) {
  for (const clOption& option : line.options) {
    const std::string& v = option.value;
    if (option.name == "--seconds" && !ParseSeconds(v, &options->seconds)) {
      *error = "bad number of seconds '" + v + "'";
      return false;
    }
    if (option.name == "--seed") {
      if (!ParseSeed(v, &options->seed)) {
        *error = "bad seed '" + v + "'";
        return false;
      }
      options->hasSeed = true;
    }
    if (option.name == "--only") {
      options->only = SplitList(v);
      if (options->only.empty()) {
        *error = "--only needs at least one device name";
        return false;
      }
    }
  }
  options->saveAs = line.Value("--save-as");
  options->script = line.Value("--script");
  options->quiet = line.Has("--quiet");
  options->strict = line.Has("--strict");
  options->keepGoing = line.Has("--keep-going");
  options->block = line.Has("--block");
  options->oneline = line.Has("--oneline");
  options->summary = line.Has("--summary");
  return true;
}

int RunWorkspaceHeadless(clWorkspace& workspace, const clHeadlessOptions& options) {
  std::vector<clDevice*> printed;
  std::string error;
  if (!PrintedDevices(workspace, options, &printed, &error)) {
    std::fprintf(stderr, "telvane: %s\n", error.c_str());
    return kExitUsage;
  }
  if (!options.saveAs.empty()) {
    const std::string problem = SaveTargetProblem(options.saveAs);
    if (!problem.empty()) {
      PrintError(options.saveAs, "cannot save there: " + problem);
      return kExitWriteFailed;
    }
    RemoveStaleSaveTemporaries(options.saveAs);
  }
  const int scriptFd = options.script.empty() ? -1 : OpenScript(options.script);
  if (!options.script.empty() && scriptFd < 0) return kExitUnreadable;
  // Line faults are drawn from this seed, so a run can be repeated exactly. A
  // quiet run names it only when it matters: a fault is set, or it was given.
  const uint64_t seed = options.hasSeed ? options.seed : std::random_device{}();
  clVirtualLines::SetFaultSeed(seed);
  const std::string seedNotice =
      "telvane: fault seed " + std::to_string(static_cast<unsigned long long>(seed));
  const bool seedNow = !options.quiet || options.hasSeed;
  if (seedNow) std::fprintf(stderr, "%s\n", seedNotice.c_str());
  int exitCode = kExitOk;
  {
    // Before any thread starts, so that only the clock takes the stop signals.
    clHeadlessClock clock(options.seconds);
    exitCode = RunDevices(workspace, options, printed, clock, scriptFd, seedNow ? "" : seedNotice);
  }
  if (scriptFd > STDIN_FILENO) ::close(scriptFd);
  std::fflush(stdout);
  return exitCode;
}

int RunHeadlessCommand(const clCommandLine& line) {
  if (line.operands.size() != 1)
    return UsageError(clCommand::kHeadless, line.operands.empty()
                                                ? "--headless needs a workspace file"
                                                : "--headless takes one workspace file");
  clHeadlessOptions options;
  std::string error;
  if (!HeadlessOptionsFrom(line, &options, &error)) return UsageError(clCommand::kHeadless, error);
  const std::string& file = line.operands[0];
  clWorkspace workspace;
  error = LoadWorkspaceForCommand(file, workspace, clLoadPurpose::kOpen);
  if (!error.empty()) {
    PrintError(file, error);
    return kExitUnreadable;
  }
  return RunWorkspaceHeadless(workspace, options);
}

int RunDemoCommand(const clCommandLine& line) {
  if (!line.operands.empty())
    return UsageError(clCommand::kDemo, "--demo takes no file: '" + line.operands[0] + "'");
  clHeadlessOptions options;
  std::string error;
  if (!HeadlessOptionsFrom(line, &options, &error)) return UsageError(clCommand::kDemo, error);
  clWorkspace workspace;
  BuildDemoWorkspace(workspace);
  return RunWorkspaceHeadless(workspace, options);
}

// What running monitors cost while their lines are quiet: 20 monitors, each on
// the two taps of its own idle virtual cable, for 10 s; CPU from getrusage.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "model/workspace.h"
#include "monitor/capture_engine.h"

namespace {

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_QuietMonitorsCpu(benchmark::State& state) {
  constexpr int kMonitors = 20;
  constexpr double kSeconds = 10;
  clWorkspace workspace;
  std::vector<std::unique_ptr<clIEC101CaptureEngine>> engines;
  for (int i = 0; i < kMonitors; ++i) {
    const std::string cable = "VLINE" + std::to_string(70 + i);
    for (const char* end : {"-A-TAP", "-B-TAP"}) {
      auto port = std::make_unique<clSerialPort>();
      port->SetName(cable + end);
      workspace.Ports().Add(std::move(port));
    }
    auto monitor = workspace.NewMonitor();
    monitor->SetPort1Name(cable + "-A-TAP");
    monitor->SetPort2Name(cable + "-B-TAP");
    workspace.CommitDevice(std::move(monitor));
  }
  workspace.ResolveReferences();
  for (clIEC101CaptureDevice* monitor : *workspace.Monitors().Items()) {
    monitor->Traffic().SetConsumerRunning(true);
    engines.push_back(std::make_unique<clIEC101CaptureEngine>(*monitor, workspace));
  }
  for (auto _ : state) {
    for (auto& engine : engines) {
      std::string failed;
      if (!engine->Start(&failed)) state.SkipWithError(("cannot open " + failed).c_str());
    }
    const double before = CpuSeconds();
    const auto start = std::chrono::steady_clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(kSeconds));
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double cpu = CpuSeconds() - before;
    for (auto& engine : engines) engine->Stop();
    state.SetIterationTime(wall);
    state.counters["monitors"] = kMonitors;
    state.counters["cpu_percent_of_one_core"] = 100.0 * cpu / wall;
  }
}
BENCHMARK(BM_QuietMonitorsCpu)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();

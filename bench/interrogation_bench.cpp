// A general interrogation of a slave with 10,000 tags (all seven monitored
// types) by a master over a virtual line at 115200 baud, poll interval 1 ms:
// the time from the activation to its termination at the master, against the
// line time of every octet both ends sent meanwhile.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "app/device_runners.h"
#include "bench/interrogation_workspace.h"
#include "model/workspace.h"
#include "runtime/virtual_lines.h"

namespace {

constexpr double kBitsPerOctet = 11;  // start, 8 data, even parity, stop

void BM_Interrogation10000Tags(benchmark::State& state) {
  for (auto _ : state) {
    clWorkspace workspace;
    clDevice* masterDevice = BuildInterrogationWorkspace(workspace, 60).first;
    clTrafficQueue& traffic = masterDevice->Traffic();
    traffic.SetConsumerRunning(true);
    clVirtualLine* cable = clVirtualLines::Instance().Cable(60);

    clDeviceRunners runners(workspace);
    if (!runners.StartAll().empty()) {
      state.SkipWithError("devices did not start");
      return;
    }
    using Clock = std::chrono::steady_clock;
    Clock::time_point activation{}, termination{};
    VirtualLineCounters atActivation[2], atTermination[2];
    const Clock::time_point deadline = Clock::now() + std::chrono::seconds(300);
    bool done = false;
    while (!done && Clock::now() < deadline) {
      std::unique_ptr<clTrafficRecord> record = traffic.Pop();
      if (!record) {
        std::this_thread::sleep_for(std::chrono::microseconds(200));
        continue;
      }
      if (record->kind != 100) continue;
      if (!record->received && activation == Clock::time_point{}) {
        activation = Clock::now();
        atActivation[0] = cable->Counters(0);
        atActivation[1] = cable->Counters(1);
      } else if (record->received && record->cause.rfind("COT: 10 ", 0) == 0) {
        termination = Clock::now();
        atTermination[0] = cable->Counters(0);
        atTermination[1] = cable->Counters(1);
        done = true;
      }
    }
    runners.StopAll();
    if (!done) {
      state.SkipWithError("the interrogation did not terminate");
      return;
    }
    const double seconds = std::chrono::duration<double>(termination - activation).count();
    const double octets = static_cast<double>(atTermination[0].sent - atActivation[0].sent +
                                              atTermination[1].sent - atActivation[1].sent);
    const double limit = octets * kBitsPerOctet / kInterrogationBaud;
    state.SetIterationTime(seconds);
    state.counters["tags"] = kInterrogationTags;
    state.counters["octets_both_ways"] = octets;
    state.counters["line_limit_s"] = limit;
    state.counters["measured_s"] = seconds;
    state.counters["ratio_to_limit"] = seconds / limit;
  }
}
BENCHMARK(BM_Interrogation10000Tags)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();

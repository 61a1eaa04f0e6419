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
#include "model/workspace.h"
#include "runtime/virtual_lines.h"

namespace {

constexpr int32_t kTags = 10000;
constexpr int32_t kBaud = 115200;
constexpr double kBitsPerOctet = 11;  // start, 8 data, even parity, stop

constexpr int32_t kTypes[] = {clTag::kSinglePoint,        clTag::kDoublePoint,
                              clTag::kMeasuredNormalized, clTag::kMeasuredScaled,
                              clTag::kMeasuredFloat,      clTag::kIntegratedTotals,
                              clTag::kStepPosition};

void AddTags(clWorkspace& workspace, clDevice& device) {
  clWorkspace::Created<clSector> sector = workspace.NewSector(device);
  sector.object->SetCommonAddress(1);
  clSector* kept = sector.object.get();
  workspace.CommitSector(device, std::move(sector.object));
  std::vector<std::unique_ptr<clTag>> tags;
  for (int32_t i = 0; i < kTags; ++i) {
    auto tag = std::make_unique<clTag>();
    tag->SetId(workspace.TakeTagId());
    tag->SetName("T" + std::to_string(i + 1));
    tag->SetType(kTypes[i * 7 / kTags]);  // seven runs of consecutive addresses
    tag->SetIoa(i + 1);
    tag->SetRawValue(i % 2);
    tag->SetQuality(0);
    tags.push_back(std::move(tag));
  }
  kept->Tags().AppendAll(std::move(tags));
}

void BM_Interrogation10000Tags(benchmark::State& state) {
  for (auto _ : state) {
    clWorkspace workspace;
    for (const char* name : {"VLINE60-A", "VLINE60-B"}) {
      auto port = std::make_unique<clSerialPort>();
      port->SetName(name);
      port->SetBaudRate(kBaud);
      workspace.Ports().Add(std::move(port));
    }
    auto master = workspace.NewMaster();
    master->SetPortName("VLINE60-A");
    master->SetPollIntervalMs(1);
    clDevice* masterDevice = workspace.CommitDevice(std::move(master));
    auto slave = workspace.NewSlave();
    slave->SetPortName("VLINE60-B");
    clDevice* slaveDevice = workspace.CommitDevice(std::move(slave));
    AddTags(workspace, *masterDevice);
    AddTags(workspace, *slaveDevice);
    workspace.ResolveReferences();
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
    const double limit = octets * kBitsPerOctet / kBaud;
    state.SetIterationTime(seconds);
    state.counters["tags"] = kTags;
    state.counters["octets_both_ways"] = octets;
    state.counters["line_limit_s"] = limit;
    state.counters["measured_s"] = seconds;
    state.counters["ratio_to_limit"] = seconds / limit;
  }
}
BENCHMARK(BM_Interrogation10000Tags)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();

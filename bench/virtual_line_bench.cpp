// Virtual line figures: how closely delivery follows the computed line time,
// what a frame costs to pass through a cable, and what readers waiting on
// quiet lines cost in CPU (measured with getrusage over the whole process).
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/serial_port.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int32_t kFrame = 261;

std::unique_ptr<clSerialPort> OpenPort(const std::string& name, int32_t baud) {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(name);
  port->SetBaudRate(baud);
  return port->Open() == clSerialPort::kOk ? std::move(port) : nullptr;
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// One 261-octet frame (8 data bits, even parity, 1 stop bit: 11 bits an
// octet) per iteration, read one octet per call as the devices do; reports
// the deviation of the last octet's arrival from the computed line time.
void BM_FramePacing(benchmark::State& state) {
  const auto baud = static_cast<int32_t>(state.range(0));
  auto a = OpenPort("VLINE90-A", baud);
  auto b = OpenPort("VLINE90-B", baud);
  if (!a || !b) {
    state.SkipWithError("cannot open VLINE90");
    return;
  }
  const double expectS = kFrame * 11.0 / baud;
  std::vector<uint8_t> frame(kFrame, 0x68);
  double worst = 0;
  double sum = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    a->Write(frame.data(), kFrame);
    uint8_t octet = 0;
    for (int32_t i = 0; i < kFrame; ++i) benchmark::DoNotOptimize(b->Read(&octet, 1, 1000));
    const double tookS = std::chrono::duration<double>(Clock::now() - start).count();
    const double errorPercent = (tookS / expectS - 1) * 100;
    sum += errorPercent;
    worst = std::max(worst, errorPercent < 0 ? -errorPercent : errorPercent);
    state.SetIterationTime(tookS);
  }
  state.counters["mean_error_%"] = sum / static_cast<double>(state.iterations());
  state.counters["worst_error_%"] = worst;
  state.counters["computed_ms"] = expectS * 1000;
}
BENCHMARK(BM_FramePacing)->Arg(9600)->Arg(115200)->Iterations(10)->UseManualTime();

// Cost of moving a frame through a cable when the line time is negligible.
void BM_FrameThroughCable(benchmark::State& state) {
  auto a = OpenPort("VLINE91-A", 1'000'000'000);
  auto b = OpenPort("VLINE91-B", 1'000'000'000);
  if (!a || !b) {
    state.SkipWithError("cannot open VLINE91");
    return;
  }
  std::vector<uint8_t> frame(kFrame, 0x16);
  std::vector<uint8_t> in(kFrame);
  for (auto _ : state) {
    a->Write(frame.data(), kFrame);
    benchmark::DoNotOptimize(b->Read(in.data(), kFrame, 1000));
  }
  state.SetBytesProcessed(state.iterations() * kFrame);
}
BENCHMARK(BM_FrameThroughCable);

// range(0) monitors, each reading its two quiet taps with 50 ms time-outs,
// for range(1) seconds; reports the process's CPU time as a share of one core.
void BM_QuietMonitorsCpu(benchmark::State& state) {
  const auto monitors = static_cast<int>(state.range(0));
  const auto run = std::chrono::seconds(state.range(1));
  std::vector<std::unique_ptr<clSerialPort>> taps;
  for (int i = 0; i < monitors; ++i) {
    const std::string cable = "VLINE" + std::to_string(1 + i);
    taps.push_back(OpenPort(cable + "-A-TAP", 9600));
    taps.push_back(OpenPort(cable + "-B-TAP", 9600));
    if (!taps[taps.size() - 1] || !taps[taps.size() - 2]) {
      state.SkipWithError("cannot open a tap");
      return;
    }
  }
  double share = 0;
  for (auto _ : state) {
    std::atomic<int64_t> reads{0};
    const double cpuBefore = CpuSeconds();
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int i = 0; i < monitors; ++i) {
      threads.emplace_back([&, i] {
        uint8_t octet = 0;
        while (Clock::now() - start < run) {
          taps[static_cast<size_t>(2 * i)]->Read(&octet, 1, 50);
          taps[static_cast<size_t>(2 * i + 1)]->Read(&octet, 1, 50);
          reads += 2;
        }
      });
    }
    for (std::thread& t : threads) t.join();
    const double wallS = std::chrono::duration<double>(Clock::now() - start).count();
    share = (CpuSeconds() - cpuBefore) / wallS * 100;
    state.SetIterationTime(wallS);
    state.counters["reads"] = static_cast<double>(reads);
  }
  state.counters["cpu_%_of_one_core"] = share;
}
BENCHMARK(BM_QuietMonitorsCpu)->Args({20, 10})->Iterations(1)->UseManualTime();

}  // namespace

BENCHMARK_MAIN();

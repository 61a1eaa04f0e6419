// Reply latency of the slave on a pseudo-terminal pair: the benchmark plays the
// master, sends class 2 polls and times from the return of the write of the
// poll's last octet to the arrival of the first octet of the answer.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <vector>

#include "model/sector.h"
#include "model/slave_device.h"
#include "runtime/serial_port.h"
#include "runtime/serial_ports.h"
#include "slave/slave_engine.h"

namespace {
using Clock = std::chrono::steady_clock;

// A slave on the tty side of a pseudo-terminal; the master side is ours.
class PtySlave {
 public:
  bool Open(int32_t flowControl, int32_t preKeyMs) {
    char name[256];
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return false;
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetFlowControl(flowControl);
    port->SetRtsPreKeyMs(preKeyMs);
    port->SetRtsPostKeyMs(0);
    ports_.Add(std::move(port));
    device_.SetPortName(name);
    auto sector = std::make_unique<clSector>();
    sector->SetCommonAddress(1);
    device_.Sectors()->Append(std::move(sector));
    engine_ = std::make_unique<clIEC101SlaveEngine>(device_, ports_);
    std::string failed;
    if (!engine_->Start(&failed)) return false;
    const uint8_t reset[] = {0x10, 0x40, 0x01, 0x41, 0x16};
    return Exchange(reset, sizeof reset) >= 0;
  }
  ~PtySlave() {
    if (engine_) engine_->Stop();
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  // Sends the request and reads a five-octet answer; the microseconds from the
  // write's return to the first answer octet, or -1 on a time-out.
  double Exchange(const uint8_t* request, size_t count) {
    if (write(master_, request, count) != static_cast<ssize_t>(count)) return -1;
    const Clock::time_point sent = Clock::now();
    uint8_t answer[16];
    size_t got = 0;
    double firstUs = -1;
    while (got < 5) {
      pollfd p{master_, POLLIN, 0};
      if (poll(&p, 1, 2000) <= 0) return -1;
      if (firstUs < 0)
        firstUs = std::chrono::duration<double, std::micro>(Clock::now() - sent).count();
      ssize_t n = read(master_, answer + got, sizeof answer - got);
      if (n <= 0) return -1;
      got += static_cast<size_t>(n);
    }
    return firstUs;
  }

 private:
  int master_ = -1, slave_ = -1;
  clSerialPorts ports_;
  clIEC101SlaveDevice device_;
  std::unique_ptr<clIEC101SlaveEngine> engine_;
};

double Percentile(std::vector<double> values, double fraction) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  size_t index = static_cast<size_t>(fraction * static_cast<double>(values.size() - 1) + 0.5);
  return values[std::min(index, values.size() - 1)];
}

void PollLatency(benchmark::State& state, int32_t flowControl, int32_t preKeyMs) {
  PtySlave slave;
  if (!slave.Open(flowControl, preKeyMs)) {
    state.SkipWithError("slave did not start on the pseudo-terminal");
    return;
  }
  std::vector<double> latencies;
  latencies.reserve(static_cast<size_t>(state.max_iterations));
  bool fcb = true;
  for (auto _ : state) {
    const uint8_t control = fcb ? 0x7B : 0x5B;
    fcb = !fcb;
    const uint8_t poll[] = {0x10, control, 0x01, static_cast<uint8_t>(control + 1), 0x16};
    double us = slave.Exchange(poll, sizeof poll);
    if (us < 0) {
      state.SkipWithError("no answer to a class 2 poll");
      return;
    }
    latencies.push_back(us);
    state.SetIterationTime(us / 1e6);
  }
  state.counters["median_us"] = Percentile(latencies, 0.5);
  state.counters["p99_us"] = Percentile(latencies, 0.99);
  state.counters["max_us"] = Percentile(latencies, 1.0);
}

void BM_SlaveClass2ReplyLatency(benchmark::State& state) {
  PollLatency(state, clSerialPort::kFlowNone, 0);
}
BENCHMARK(BM_SlaveClass2ReplyLatency)
    ->Iterations(1000)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// With RTS keying the answer waits for the pre-key delay first.
void BM_SlaveClass2ReplyLatencyRtsPreKey5ms(benchmark::State& state) {
  PollLatency(state, clSerialPort::kFlowRtsToggle, 5);
}
BENCHMARK(BM_SlaveClass2ReplyLatencyRtsPreKey5ms)
    ->Iterations(200)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

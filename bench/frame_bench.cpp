// Gathering cost: octets appended one at a time with a Check after each, as receivers do.
#include <benchmark/benchmark.h>

#include <vector>

#include "protocol/iec101_frame.h"

namespace {

std::vector<uint8_t> VariableFrame(int dataOctets) {
  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  frame.Reset();
  for (uint8_t octet : {0x68, 0x00, 0x00, 0x68, 0x08, 0x01}) frame.AppendOctet(octet);
  for (int i = 0; i < dataOctets; ++i) frame.AppendOctet(static_cast<uint8_t>(i));
  frame.Seal();
  return {frame.Data(), frame.Data() + frame.Length()};
}

void BM_GatherAndCheck(benchmark::State& state) {
  std::vector<uint8_t> octets = VariableFrame(static_cast<int>(state.range(0)));
  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  for (auto _ : state) {
    frame.Reset();
    FrameStatus status = FrameIncomplete;
    for (uint8_t octet : octets) {
      frame.AppendOctet(octet);
      status = frame.Check();
    }
    benchmark::DoNotOptimize(status);
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(octets.size()));
}
BENCHMARK(BM_GatherAndCheck)->Arg(4)->Arg(249);

}  // namespace

BENCHMARK_MAIN();

// Decoding cost per frame: octets gathered one at a time with a Check after each, as
// receivers do, then the traffic text made and formatted as the traffic window shows it.
#include <benchmark/benchmark.h>

#include <vector>

#include "protocol/iec101_frame.h"
#include "protocol/traffic_text.h"

namespace {

clIEC101Frame NewFrame() {
  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  return frame;
}

std::vector<uint8_t> FloatFrame(int objects) {
  clIEC101Frame frame = NewFrame();
  frame.BeginAsdu(0x08, 1, 36, 3, 1);
  const clDateTime time{2026, 12, 6, 13, 45, 30, 250};
  for (int i = 0; i < objects; ++i)
    frame.AppendFloatObjectTimed(static_cast<uint32_t>(100 + i), 1.25 * i, 0, time);
  frame.Seal();
  return {frame.Data(), frame.Data() + frame.Length()};
}

void GatherAndDecode(benchmark::State& state, const std::vector<uint8_t>& octets) {
  clIEC101Frame frame = NewFrame();
  clTrafficView view;
  const clDateTime reception{2026, 12, 6, 13, 45, 31, 0};
  size_t textSize = 0;
  for (auto _ : state) {
    frame.Reset();
    FrameStatus status = FrameIncomplete;
    for (uint8_t octet : octets) {
      frame.AppendOctet(octet);
      status = frame.Check();
      if (status != FrameIncomplete) break;
    }
    if (status != FrameComplete) {
      state.SkipWithError("frame did not gather");
      break;
    }
    DecodeTrafficText(frame, view, reception, frame.record);
    textSize += frame.record.FormatDescription().size() + frame.record.FormatElements(false).size();
  }
  benchmark::DoNotOptimize(textSize);
  state.SetItemsProcessed(state.iterations());
  state.counters["frames/s"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_DecodeFloatTimed16(benchmark::State& state) { GatherAndDecode(state, FloatFrame(16)); }
BENCHMARK(BM_DecodeFloatTimed16);

void BM_DecodeFixedFrame(benchmark::State& state) {
  GatherAndDecode(state, {0x10, 0x49, 0x01, 0x4A, 0x16});
}
BENCHMARK(BM_DecodeFixedFrame);

}  // namespace

BENCHMARK_MAIN();

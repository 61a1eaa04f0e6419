// Line noise through the receive-side gathering: any octet stream, any link size.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_entries.h"
#include "protocol/iec101_frame.h"

int FuzzFrame(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  clIEC101Frame frame;
  frame.SetSizes(1 + (data[0] & 1), 1 + ((data[0] >> 1) & 1), 1 + (data[0] >> 2) % 3,
                 1 + ((data[0] >> 4) & 1));
  frame.Reset();
  for (size_t i = 1; i < size; ++i) {
    if (!frame.AppendOctet(data[i])) break;
    FrameStatus status = frame.Check();
    if (status != FrameIncomplete) {
      (void)frame.LongFunctionName();
      (void)frame.ShortFunctionName();
      (void)frame.LinkAddress();
      (void)frame.HexText();
      frame.Reset();
    }
  }
  frame.Seal();
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzFrame)

// Arbitrary line octets through gathering and decoding. The first octet selects the
// four field sizes, the role and its view; the rest is the line.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "fuzz/fuzz_entries.h"
#include "protocol/asdu.h"
#include "protocol/iec101_frame.h"
#include "protocol/traffic_text.h"

namespace {

void Decode(const clIEC101Frame& frame, const clTrafficView& view) {
  const clDateTime reception{2026, 1, 1, 0, 0, 0, 0};
  clTrafficRecord record;
  DecodeTrafficText(frame, view, reception, record);
  (void)record.FormatDescription();
  (void)record.FormatElements(true);
  (void)record.FormatElements(false);
  // The readers the roles call directly must stay within the frame too.
  (void)frame.FirstCommandSelect();
  (void)frame.FirstSetpointSelect(2);
  (void)frame.FirstSetpointSelect(4);
  (void)frame.FirstNormalized();
  (void)frame.FirstFloat();
  (void)frame.FirstObjectAddress();
}

// Builds one object of every monitor type from fuzz-chosen values and checks that the
// readers give back what was built (after the documented clamping).
void BuildAndReadBack(const clIEC101Frame& sizes, const uint8_t* data, size_t size) {
  if (size < 9) return;
  double real;
  std::memcpy(&real, data, sizeof real);
  int32_t whole = static_cast<int32_t>(data[0] | (data[1] << 8) | (data[2] << 16) |
                                       (static_cast<uint32_t>(data[3]) << 24));
  uint8_t quality = data[8] & 0xF1;
  const clDateTime time{2000 + data[4] % 100, 1 + data[5] % 12, 1 + data[6] % 28,  data[7] % 24,
                        data[8] % 60,         data[4] % 60,     data[5] * 3 % 1000};
  const clDateTime reception{2026, 1, 1, 0, 0, 0, 0};
  for (uint8_t typeId : {13, 32, 35, 36, 37}) {
    clIEC101Frame frame;
    frame.SetSizes(sizes.LinkAddressSize(), sizes.CommonAddressSize(), sizes.IoaSize(),
                   sizes.CauseSize());
    if (!frame.SizesValid()) return;
    frame.BeginAsdu(0x08, 1, typeId, 3, 1);
    if (typeId == 13) frame.AppendFloatObject(7, real, quality);
    if (typeId == 32) frame.AppendStepObjectTimed(7, whole, quality, time);
    if (typeId == 35) frame.AppendScaledObjectTimed(7, whole, quality, time);
    if (typeId == 36) frame.AppendFloatObjectTimed(7, real, quality, time);
    if (typeId == 37) frame.AppendCounterObjectTimed(7, whole, quality, time);
    frame.Seal();
    if (frame.Check() != FrameComplete) __builtin_trap();
    std::vector<clInformationObject> objects = DecodeObjects(frame, reception);
    if (objects.size() != 1 || objects[0].address != 7) __builtin_trap();
    const clInformationObject& o = objects[0];
    if (typeId != 13 && !(o.time == time)) __builtin_trap();
    if (typeId == 32 && o.state != (whole > 63 ? 63 : whole < -64 ? -64 : whole)) __builtin_trap();
    if (typeId == 35 && o.state != static_cast<int16_t>(whole)) __builtin_trap();
    if (typeId == 37 && o.state != whole) __builtin_trap();
  }
}

}  // namespace

int FuzzDecode(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  uint8_t selector = data[0];
  clIEC101Frame frame;
  // Bit 0 link-address size, bit 1 common-address size, bits 2-3 object-address size
  // (0 is unsupported, so the readers' refusal is exercised too), bit 4 cause size,
  // bits 5-6 role, bit 7 port 2 / sent / balanced.
  uint32_t ioa = (selector >> 2) & 3;
  frame.SetSizes(1 + (selector & 1), 1 + ((selector >> 1) & 1), ioa, 1 + ((selector >> 4) & 1));
  clTrafficView view;
  uint32_t role = (selector >> 5) & 3;
  view.role = role == 1   ? TrafficRole::kMaster
              : role == 2 ? TrafficRole::kSlave
                          : TrafficRole::kMonitor;
  bool high = (selector & 0x80) != 0;
  view.port = high ? 2 : 1;
  view.received = !high;
  view.balanced = high;
  frame.Reset();
  for (size_t i = 1; i < size; ++i) {
    if (!frame.AppendOctet(data[i])) break;
    FrameStatus status = frame.Check();
    if (status == FrameIncomplete) continue;
    // A bad checksum is decoded too, so the decoders are reached without the fuzzer
    // having to solve the sum first; they never rely on it.
    if (status == FrameComplete || status == FrameBadChecksum) Decode(frame, view);
    frame.Reset();
  }
  // Whatever is left, complete or not, must decode safely too.
  Decode(frame, view);
  BuildAndReadBack(frame, data + 1, size - 1);
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzDecode)

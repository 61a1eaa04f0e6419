#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/traffic_record.h"

// Result of testing the octets gathered so far. The numbers are shared by all receivers.
enum FrameStatus : int32_t {
  FrameComplete = 1,
  FrameBadStart = 2,
  FrameTimeout = 3,      // set by receivers only
  FrameOverflow = 4,     // set by receivers only
  FrameIncomplete = 5,
  FrameBadChecksum = 6,
};

// One FT1.2 frame (single character 0xE5, fixed 0x10 or variable 0x68) in a
// 1024-octet buffer, with the owning device's four field sizes. Senders append and
// Seal; receivers append one octet at a time and Check after each; decoders read
// fields. Belongs to one device thread; not locked.
class clIEC101Frame {
 public:
  static constexpr int32_t kCapacity = 1024;
  static constexpr uint8_t kSingleChar = 0xE5;
  static constexpr uint8_t kFixedStart = 0x10;
  static constexpr uint8_t kVariableStart = 0x68;
  static constexpr uint8_t kEnd = 0x16;

  clIEC101Frame();

  void SetSizes(uint32_t linkAddressSize, uint32_t commonAddressSize, uint32_t ioaSize,
                uint32_t causeSize);
  void Reset();
  bool AppendOctet(uint8_t octet);
  void AppendLinkAddress(uint32_t address);
  // Resets and copies count octets in; does nothing when count exceeds the capacity.
  void LoadFrom(const uint8_t* octets, int32_t count);
  void Seal();
  FrameStatus Check() const;

  bool IsVariable() const { return length_ > 0 && octets_[0] == kVariableStart; }
  uint32_t LinkAddress() const;
  uint8_t Control() const;
  uint8_t Prm() const { return (Control() >> 6) & 1; }
  uint8_t FcbOrAcd() const { return (Control() >> 5) & 1; }
  uint8_t FcvOrDfc() const { return (Control() >> 4) & 1; }
  uint8_t Dir() const { return (Control() >> 7) & 1; }
  uint8_t FunctionCode() const { return Control() & 0x0F; }

  std::string LongFunctionName() const;
  std::string ShortFunctionName() const;
  std::string HexText() const;

  const uint8_t* Data() const { return octets_.data(); }
  uint8_t* MutableData() { return octets_.data(); }
  int32_t Length() const { return length_; }
  uint8_t At(int32_t index) const {
    return index >= 0 && index < length_ ? octets_[static_cast<size_t>(index)] : 0;
  }

  uint32_t LinkAddressSize() const { return linkAddressSize_; }
  uint32_t CommonAddressSize() const { return commonAddressSize_; }
  uint32_t IoaSize() const { return ioaSize_; }
  uint32_t CauseSize() const { return causeSize_; }

  uint8_t sequenceFlag = 0;  // SQ bit written by Seal
  uint32_t objectCount = 0;  // objects appended since Reset, written by Seal
  clTrafficRecord record;    // working record for the decoders

 private:
  // True when the frame is read from the secondary-station table.
  bool IsSecondary() const;
  // The name-table entry of this frame's direction and function, or null.
  const void* NameEntry() const;
  // Index of the control octet (1 fixed, 4 variable), or -1 when there is none.
  int32_t ControlIndex() const;

  uint32_t linkAddressSize_ = 1;
  uint32_t commonAddressSize_ = 2;
  uint32_t ioaSize_ = 2;
  uint32_t causeSize_ = 1;
  std::vector<uint8_t> octets_;
  int32_t length_ = 0;
};

// Arithmetic sum modulo 256 of octets [from, to).
uint8_t FrameChecksum(const uint8_t* octets, int32_t from, int32_t to);

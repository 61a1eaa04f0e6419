#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/cp56time.h"
#include "runtime/traffic_record.h"

// Result of testing the octets gathered so far. The numbers are shared by all receivers.
enum FrameStatus : int32_t {
  FrameComplete = 1,
  FrameBadStart = 2,
  FrameTimeout = 3,   // set by receivers only
  FrameOverflow = 4,  // set by receivers only
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

  // ---- Application data unit builders (implemented in iec101_asdu.cpp) ----
  // Each appends at the current end and is bounded by the capacity. The object
  // builders add 1 to objectCount; the overloads taking an address append the object
  // address first. Quality octets are passed in the bit layout of the element (BL 0x10,
  // SB 0x20, NT 0x40, IV 0x80, and OV 0x01 where the element has a QDS).

  // Resets and lays 68 00 00 68, the control octet, the link address, the type id, a
  // placeholder qualifier, the cause and the common address. Seal fills in the rest.
  void BeginAsdu(uint8_t control, uint32_t linkAddress, uint8_t typeId, uint32_t cause,
                 uint32_t commonAddress);
  // One octet, or two (low first; bits 8-15 are the originator address) by the cause size.
  void AppendCause(uint32_t cause);
  // One octet when the common-address size is 1, two otherwise.
  void AppendCommonAddress(uint32_t address);
  // One, two or three octets by the object-address size; other sizes write nothing.
  void AppendObjectAddress(uint32_t address);
  // SIQ or DIQ: valueBits OR qualityBits.
  void AppendPointObject(uint8_t valueBits, uint8_t qualityBits);
  void AppendPointObject(uint32_t address, uint8_t valueBits, uint8_t qualityBits);
  void AppendPointObjectTimed(uint32_t address, uint8_t valueBits, uint8_t qualityBits,
                              const clDateTime& time);
  // VTI and QDS; a value outside -64..63 is clamped and OV is added to the QDS.
  void AppendStepObject(int32_t value, uint8_t qualityBits);
  void AppendStepObject(uint32_t address, int32_t value, uint8_t qualityBits);
  void AppendStepObjectTimed(uint32_t address, int32_t value, uint8_t qualityBits,
                             const clDateTime& time);
  // NVA and QDS; value is a fraction, clamped to -32768..32766 after scaling by 32768.
  void AppendNormalizedObject(double value, uint8_t qualityBits);
  void AppendNormalizedObject(uint32_t address, double value, uint8_t qualityBits);
  void AppendNormalizedObjectTimed(uint32_t address, double value, uint8_t qualityBits,
                                   const clDateTime& time);
  // SVA (the low 16 bits of value) and QDS.
  void AppendScaledObject(int32_t value, uint8_t qualityBits);
  void AppendScaledObject(uint32_t address, int32_t value, uint8_t qualityBits);
  void AppendScaledObjectTimed(uint32_t address, int32_t value, uint8_t qualityBits,
                               const clDateTime& time);
  // R32 (value narrowed to single precision) and QDS.
  void AppendFloatObject(double value, uint8_t qualityBits);
  void AppendFloatObject(uint32_t address, double value, uint8_t qualityBits);
  void AppendFloatObjectTimed(uint32_t address, double value, uint8_t qualityBits,
                              const clDateTime& time);
  // BCR: the 32-bit counter, then the octet as given (sequence and quality bits).
  void AppendCounterObject(int32_t value, uint8_t octet);
  void AppendCounterObject(uint32_t address, int32_t value, uint8_t octet);
  void AppendCounterObjectTimed(uint32_t address, int32_t value, uint8_t octet,
                                const clDateTime& time);
  // A one-octet command element after its address: SCO, DCO, RCO (see CommandOctet) or QOI.
  void AppendCommandObject(uint32_t address, uint8_t octet);
  // Set-points: NVA, SVA or R32 after the address, then the QOS octet (QL | S/E in bit 7).
  void AppendNormalizedSetpoint(uint32_t address, double value, uint8_t qos);
  void AppendScaledSetpoint(uint32_t address, int32_t value, uint8_t qos);
  void AppendFloatSetpoint(uint32_t address, double value, uint8_t qos);
  // Clock synchronisation: the address, then the CP56Time2a.
  void AppendTimeObject(uint32_t address, const clDateTime& time);
  // Appends the seven octets of a CP56Time2a (no object count).
  void AppendTime(const clDateTime& time);
  // Overwrites the cause field of a laid data unit in place (one or two octets).
  void SetCause(uint32_t cause);

  // ---- Application data unit readers ----
  // All return 0 when the frame is not of variable length or a size is out of range.
  // Positions are octet indexes from the 0x68 start octet.

  uint8_t TypeId() const;  // the whole octet; names and decoders use its low 7 bits
  uint32_t ObjectCount() const;
  bool IsSequence() const;
  uint32_t Cause() const;  // the whole cause field as one number, low octet first
  uint32_t CommonAddress() const;
  // Index of the first information object (its address), or 0.
  int32_t FirstObjectPosition() const;
  uint32_t FirstObjectAddress() const;
  // The object address at position; 0 when position is at or beyond length - 3.
  uint32_t ObjectAddressAt(int32_t position) const;
  // Value readers: each returns false and leaves its outputs untouched unless every
  // octet it reads lies within the held length.
  // SIQ (value bit 0) or DIQ (value bits 0-1); quality is the whole octet.
  bool PointAt(int32_t position, bool isDouble, uint8_t& value, uint8_t& quality) const;
  // A 16-bit word (low first) and the octet after it.
  bool WordAt(int32_t position, uint16_t& word, uint8_t& quality) const;
  // The signed VTI value and the octet after it.
  bool StepAt(int32_t position, int32_t& value, uint8_t& quality) const;
  // The signed 32-bit counter and the octet after it.
  bool CounterAt(int32_t position, int32_t& value, uint8_t& octet) const;
  // The R32 value and the octet after it.
  bool FloatAt(int32_t position, float& value, uint8_t& octet) const;
  // The seven octets of a CP56Time2a at position, decoded onto time (see DecodeCP56Time2a).
  bool TimeAt(int32_t position, clDateTime& time) const;
  // First-object readers of command data units.
  uint8_t FirstCommandSelect() const;  // S/E of the SCO, DCO or RCO octet
  // S/E of the QOS that follows a set-point value of valueSize octets (2 or 4).
  uint8_t FirstSetpointSelect(int32_t valueSize) const;
  double FirstNormalized() const;
  double FirstFloat() const;
  uint16_t FirstWord() const;

  // True when all four field sizes are within their allowed ranges.
  bool SizesValid() const;

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
  // Appends the low `octets` octets of value, low octet first.
  void AppendLowFirst(uint32_t value, int32_t octets);
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

// Element conversions shared by the builders, the readers and the decoders.
// Normalized fraction to its 16-bit two's complement word, clamped to -32768..32766.
uint16_t NormalizedWord(double value);
// Word to fraction: -1 up to 32767/32768.
double NormalizedValue(uint16_t word);
// Word to signed 16-bit integer.
int32_t ScaledValue(uint16_t word);
// Step value to VTI; sets overflow when the value had to be clamped to -64..63.
uint8_t StepOctet(int32_t value, bool& overflow);
// VTI to -64..63; the transient bit 7 is ignored.
int32_t StepValue(uint8_t octet);
// SCO, DCO or RCO: state in bits 0-1, QU in bits 2-6, S/E in bit 7.
uint8_t CommandOctet(uint8_t state, uint8_t qualifier, bool select);

// Arithmetic sum modulo 256 of octets [from, to).
uint8_t FrameChecksum(const uint8_t* octets, int32_t from, int32_t to);

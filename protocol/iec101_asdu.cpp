// Application data unit builders and readers of clIEC101Frame. The link-layer part of
// the class (gathering, sealing, link fields) is in iec101_frame.cpp.
#include <bit>
#include <cmath>
#include <limits>

#include "protocol/iec101_frame.h"

namespace {
constexpr double kNormalizedScale = 32768.0;
constexpr int32_t kNormalizedMax = 32767;
constexpr int32_t kNormalizedMin = -32768;
// The largest positive value is sent as 32766, not 32767.
constexpr int32_t kNormalizedClampHigh = 32766;
constexpr int32_t kStepMax = 63;
constexpr int32_t kStepMin = -64;
constexpr uint8_t kQdsOverflow = 0x01;
constexpr uint8_t kSelectBit = 0x80;
constexpr uint8_t kSequenceBit = 0x80;
constexpr uint8_t kCountMask = 0x7F;

// Octet index of the type id: 5 + link-address size.
int32_t TypeIdPosition(uint32_t linkAddressSize) {
  return 5 + static_cast<int32_t>(linkAddressSize);
}
}  // namespace

uint16_t NormalizedWord(double value) {
  // NaN has no fraction to send; it goes out as 0 rather than as an undefined conversion.
  if (std::isnan(value)) return 0;
  double scaled = std::floor(value * kNormalizedScale + 0.5);
  int32_t n;
  if (scaled > kNormalizedMax)
    n = kNormalizedClampHigh;
  else if (scaled < kNormalizedMin)
    n = kNormalizedMin;
  else
    n = static_cast<int32_t>(scaled);
  return static_cast<uint16_t>(n);
}

double NormalizedValue(uint16_t word) { return ScaledValue(word) / kNormalizedScale; }

int32_t ScaledValue(uint16_t word) {
  int32_t magnitude = word & 0x7FFF;
  return (word & 0x8000) ? magnitude - 32768 : magnitude;
}

uint8_t StepOctet(int32_t value, bool& overflow) {
  overflow = value > kStepMax || value < kStepMin;
  if (value > kStepMax) return static_cast<uint8_t>(kStepMax);
  if (value < kStepMin) return 0x40;
  if (value < 0) return static_cast<uint8_t>((value & 0x3F) | 0x40);
  return static_cast<uint8_t>(value);
}

int32_t StepValue(uint8_t octet) {
  int32_t v = octet & 0x3F;
  return (octet & 0x40) ? v - 64 : v;
}

uint8_t CommandOctet(uint8_t state, uint8_t qualifier, bool select) {
  return static_cast<uint8_t>((state & 0x03) | ((qualifier & 0x1F) << 2) |
                              (select ? kSelectBit : 0));
}

// ---- builders ----

void clIEC101Frame::BeginAsdu(uint8_t control, uint32_t linkAddress, uint8_t typeId, uint32_t cause,
                              uint32_t commonAddress) {
  Reset();
  for (uint8_t octet : {kVariableStart, uint8_t{0}, uint8_t{0}, kVariableStart, control})
    AppendOctet(octet);
  AppendLinkAddress(linkAddress);
  AppendOctet(typeId);
  AppendOctet(1);  // qualifier placeholder, written by Seal
  AppendCause(cause);
  AppendCommonAddress(commonAddress);
}

void clIEC101Frame::AppendLowFirst(uint32_t value, int32_t octets) {
  for (int32_t i = 0; i < octets; ++i) AppendOctet(static_cast<uint8_t>(value >> (8 * i)));
}

void clIEC101Frame::AppendCause(uint32_t cause) { AppendLowFirst(cause, causeSize_ == 1 ? 1 : 2); }

void clIEC101Frame::AppendCommonAddress(uint32_t address) {
  AppendLowFirst(address, commonAddressSize_ == 1 ? 1 : 2);
}

void clIEC101Frame::AppendObjectAddress(uint32_t address) {
  if (ioaSize_ < 1 || ioaSize_ > 3) return;
  AppendLowFirst(address, static_cast<int32_t>(ioaSize_));
}

void clIEC101Frame::AppendTime(const clDateTime& time) {
  uint8_t octets[kCP56Time2aSize];
  EncodeCP56Time2a(time, octets);
  for (uint8_t octet : octets) AppendOctet(octet);
}

void clIEC101Frame::AppendPointObject(uint8_t valueBits, uint8_t qualityBits) {
  AppendOctet(static_cast<uint8_t>(valueBits | qualityBits));
  ++objectCount;
}

void clIEC101Frame::AppendPointObject(uint32_t address, uint8_t valueBits, uint8_t qualityBits) {
  AppendObjectAddress(address);
  AppendPointObject(valueBits, qualityBits);
}

void clIEC101Frame::AppendPointObjectTimed(uint32_t address, uint8_t valueBits, uint8_t qualityBits,
                                           const clDateTime& time) {
  AppendPointObject(address, valueBits, qualityBits);
  AppendTime(time);
}

void clIEC101Frame::AppendStepObject(int32_t value, uint8_t qualityBits) {
  bool overflow = false;
  uint8_t vti = StepOctet(value, overflow);
  AppendOctet(vti);
  AppendOctet(static_cast<uint8_t>(qualityBits | (overflow ? kQdsOverflow : 0)));
  ++objectCount;
}

void clIEC101Frame::AppendStepObject(uint32_t address, int32_t value, uint8_t qualityBits) {
  AppendObjectAddress(address);
  AppendStepObject(value, qualityBits);
}

void clIEC101Frame::AppendStepObjectTimed(uint32_t address, int32_t value, uint8_t qualityBits,
                                          const clDateTime& time) {
  AppendStepObject(address, value, qualityBits);
  AppendTime(time);
}

void clIEC101Frame::AppendNormalizedObject(double value, uint8_t qualityBits) {
  AppendLowFirst(NormalizedWord(value), 2);
  AppendOctet(qualityBits);
  ++objectCount;
}

void clIEC101Frame::AppendNormalizedObject(uint32_t address, double value, uint8_t qualityBits) {
  AppendObjectAddress(address);
  AppendNormalizedObject(value, qualityBits);
}

void clIEC101Frame::AppendNormalizedObjectTimed(uint32_t address, double value, uint8_t qualityBits,
                                                const clDateTime& time) {
  AppendNormalizedObject(address, value, qualityBits);
  AppendTime(time);
}

void clIEC101Frame::AppendScaledObject(int32_t value, uint8_t qualityBits) {
  AppendLowFirst(static_cast<uint32_t>(value), 2);  // the low 16 bits
  AppendOctet(qualityBits);
  ++objectCount;
}

void clIEC101Frame::AppendScaledObject(uint32_t address, int32_t value, uint8_t qualityBits) {
  AppendObjectAddress(address);
  AppendScaledObject(value, qualityBits);
}

void clIEC101Frame::AppendScaledObjectTimed(uint32_t address, int32_t value, uint8_t qualityBits,
                                            const clDateTime& time) {
  AppendScaledObject(address, value, qualityBits);
  AppendTime(time);
}

namespace {
// Narrows to single precision; values beyond its range become infinities instead of an
// undefined conversion.
uint32_t FloatBits(double value) {
  constexpr double kMax = std::numeric_limits<float>::max();
  float narrow;
  if (value > kMax)
    narrow = std::numeric_limits<float>::infinity();
  else if (value < -kMax)
    narrow = -std::numeric_limits<float>::infinity();
  else
    narrow = static_cast<float>(value);
  return std::bit_cast<uint32_t>(narrow);
}
}  // namespace

void clIEC101Frame::AppendFloatObject(double value, uint8_t qualityBits) {
  AppendLowFirst(FloatBits(value), 4);
  AppendOctet(qualityBits);
  ++objectCount;
}

void clIEC101Frame::AppendFloatObject(uint32_t address, double value, uint8_t qualityBits) {
  AppendObjectAddress(address);
  AppendFloatObject(value, qualityBits);
}

void clIEC101Frame::AppendFloatObjectTimed(uint32_t address, double value, uint8_t qualityBits,
                                           const clDateTime& time) {
  AppendFloatObject(address, value, qualityBits);
  AppendTime(time);
}

void clIEC101Frame::AppendCounterObject(int32_t value, uint8_t octet) {
  AppendLowFirst(static_cast<uint32_t>(value), 4);
  AppendOctet(octet);
  ++objectCount;
}

void clIEC101Frame::AppendCounterObject(uint32_t address, int32_t value, uint8_t octet) {
  AppendObjectAddress(address);
  AppendCounterObject(value, octet);
}

void clIEC101Frame::AppendCounterObjectTimed(uint32_t address, int32_t value, uint8_t octet,
                                             const clDateTime& time) {
  AppendCounterObject(address, value, octet);
  AppendTime(time);
}

void clIEC101Frame::AppendCommandObject(uint32_t address, uint8_t octet) {
  AppendObjectAddress(address);
  AppendOctet(octet);
  ++objectCount;
}

// A set-point is the value with a QOS in place of the QDS.
void clIEC101Frame::AppendNormalizedSetpoint(uint32_t address, double value, uint8_t qos) {
  AppendNormalizedObject(address, value, qos);
}

void clIEC101Frame::AppendScaledSetpoint(uint32_t address, int32_t value, uint8_t qos) {
  AppendScaledObject(address, value, qos);
}

void clIEC101Frame::AppendFloatSetpoint(uint32_t address, double value, uint8_t qos) {
  AppendFloatObject(address, value, qos);
}

void clIEC101Frame::AppendTimeObject(uint32_t address, const clDateTime& time) {
  AppendObjectAddress(address);
  AppendTime(time);
  ++objectCount;
}

void clIEC101Frame::SetCause(uint32_t cause) {
  int32_t position = 7 + static_cast<int32_t>(linkAddressSize_);
  int32_t octets = causeSize_ == 1 ? 1 : 2;
  for (int32_t i = 0; i < octets; ++i) {
    int32_t index = position + i;
    if (index >= kCapacity) return;
    octets_[static_cast<size_t>(index)] = static_cast<uint8_t>(cause >> (8 * i));
  }
}

// ---- readers ----

bool clIEC101Frame::SizesValid() const {
  return (linkAddressSize_ == 1 || linkAddressSize_ == 2) &&
         (commonAddressSize_ == 1 || commonAddressSize_ == 2) &&
         (causeSize_ == 1 || causeSize_ == 2) && ioaSize_ >= 1 && ioaSize_ <= 3;
}

uint8_t clIEC101Frame::TypeId() const {
  if (!IsVariable() || !SizesValid()) return 0;
  return At(TypeIdPosition(linkAddressSize_));
}

uint32_t clIEC101Frame::ObjectCount() const {
  if (!IsVariable() || !SizesValid()) return 0;
  return At(TypeIdPosition(linkAddressSize_) + 1) & kCountMask;
}

bool clIEC101Frame::IsSequence() const {
  if (!IsVariable() || !SizesValid()) return false;
  return (At(TypeIdPosition(linkAddressSize_) + 1) & kSequenceBit) != 0;
}

uint32_t clIEC101Frame::Cause() const {
  if (!IsVariable() || !SizesValid()) return 0;
  int32_t position = 7 + static_cast<int32_t>(linkAddressSize_);
  uint32_t cause = At(position);
  if (causeSize_ == 2) cause |= static_cast<uint32_t>(At(position + 1)) << 8;
  return cause;
}

uint32_t clIEC101Frame::CommonAddress() const {
  if (!IsVariable() || !SizesValid()) return 0;
  int32_t position = 7 + static_cast<int32_t>(linkAddressSize_ + causeSize_);
  uint32_t address = At(position);
  if (commonAddressSize_ == 2) address |= static_cast<uint32_t>(At(position + 1)) << 8;
  return address;
}

int32_t clIEC101Frame::FirstObjectPosition() const {
  if (!IsVariable() || !SizesValid()) return 0;
  return 7 + static_cast<int32_t>(linkAddressSize_ + causeSize_ + commonAddressSize_);
}

uint32_t clIEC101Frame::FirstObjectAddress() const {
  return ObjectAddressAt(FirstObjectPosition());
}

uint32_t clIEC101Frame::ObjectAddressAt(int32_t position) const {
  if (!IsVariable() || !SizesValid() || position <= 0 || position >= length_ - 3) return 0;
  uint32_t address = 0;
  for (uint32_t i = 0; i < ioaSize_; ++i)
    address |= static_cast<uint32_t>(At(position + static_cast<int32_t>(i))) << (8 * i);
  return address;
}

namespace {
// True when octets [position, position + count) are all held.
bool Holds(int32_t length, int32_t position, int32_t count) {
  return position >= 0 && count >= 0 && position <= length - count;
}
}  // namespace

bool clIEC101Frame::PointAt(int32_t position, bool isDouble, uint8_t& value,
                            uint8_t& quality) const {
  if (!IsVariable() || !Holds(length_, position, 1)) return false;
  uint8_t octet = At(position);
  value = static_cast<uint8_t>(octet & (isDouble ? 0x03 : 0x01));
  quality = octet;
  return true;
}

bool clIEC101Frame::WordAt(int32_t position, uint16_t& word, uint8_t& quality) const {
  if (!IsVariable() || !Holds(length_, position, 3)) return false;
  word = static_cast<uint16_t>(At(position) | (At(position + 1) << 8));
  quality = At(position + 2);
  return true;
}

bool clIEC101Frame::StepAt(int32_t position, int32_t& value, uint8_t& quality) const {
  if (!IsVariable() || !Holds(length_, position, 2)) return false;
  value = StepValue(At(position));
  quality = At(position + 1);
  return true;
}

namespace {
uint32_t Read32(const clIEC101Frame& frame, int32_t position) {
  uint32_t bits = 0;
  for (int32_t i = 0; i < 4; ++i) bits |= static_cast<uint32_t>(frame.At(position + i)) << (8 * i);
  return bits;
}
}  // namespace

bool clIEC101Frame::CounterAt(int32_t position, int32_t& value, uint8_t& octet) const {
  if (!IsVariable() || !Holds(length_, position, 5)) return false;
  value = static_cast<int32_t>(Read32(*this, position));
  octet = At(position + 4);
  return true;
}

bool clIEC101Frame::FloatAt(int32_t position, float& value, uint8_t& octet) const {
  if (!IsVariable() || !Holds(length_, position, 5)) return false;
  value = std::bit_cast<float>(Read32(*this, position));
  octet = At(position + 4);
  return true;
}

bool clIEC101Frame::TimeAt(int32_t position, clDateTime& time) const {
  if (!IsVariable() || !Holds(length_, position, kCP56Time2aSize)) return false;
  return DecodeCP56Time2a(octets_.data() + position, time);
}

uint8_t clIEC101Frame::FirstCommandSelect() const {
  int32_t first = FirstObjectPosition();
  if (first == 0) return 0;
  int32_t position = first + static_cast<int32_t>(ioaSize_);
  return Holds(length_, position, 1) ? (At(position) >> 7) & 1 : 0;
}

uint8_t clIEC101Frame::FirstSetpointSelect(int32_t valueSize) const {
  int32_t first = FirstObjectPosition();
  if (first == 0) return 0;
  int32_t position = first + static_cast<int32_t>(ioaSize_) + valueSize;
  return Holds(length_, position, 1) ? (At(position) >> 7) & 1 : 0;
}

uint16_t clIEC101Frame::FirstWord() const {
  int32_t first = FirstObjectPosition();
  if (first == 0) return 0;
  int32_t position = first + static_cast<int32_t>(ioaSize_);
  if (!Holds(length_, position, 2)) return 0;
  return static_cast<uint16_t>(At(position) | (At(position + 1) << 8));
}

double clIEC101Frame::FirstNormalized() const { return NormalizedValue(FirstWord()); }

double clIEC101Frame::FirstFloat() const {
  int32_t first = FirstObjectPosition();
  if (first == 0) return 0;
  int32_t position = first + static_cast<int32_t>(ioaSize_);
  if (!Holds(length_, position, 4)) return 0;
  return std::bit_cast<float>(Read32(*this, position));
}

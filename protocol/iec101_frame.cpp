#include "protocol/iec101_frame.h"

#include <algorithm>
#include <cstring>

namespace {
struct FunctionName {
  uint8_t code;
  const char* longName;
  const char* shortName;
};

constexpr FunctionName kPrimaryNames[] = {
    {0, "Reset remote link", "Reset remote link"},
    {1, "Reset of user process", "Reset of user process"},
    {2, "Test Function", "Test Function"},
    {3, "User Data (Confirm)", "User Data (Confirm)"},
    {4, "User Data (No Confirm)", "User Data (No Confirm)"},
    {9, "Status of link", "Status of link"},
    {10, "User Data Class 1", "Class 1"},
    {11, "User Data Class 2", "Class 2"},
};

constexpr FunctionName kSecondaryNames[] = {
    {0, "Acknowledge", "ACK"},
    {1, "NACK - Message not accepted OR link busy", "Message not accepted"},
    {8, "User Data Confirm", "User Data Confirm"},
    {9, "NACK - Requested Data not available", "Data Not Available"},
    {11, "Status of link", "Status of link"},
    {14, "Link service not functioning", "Link service not functioning"},
    {15, "Link service not implemented", "Link service not implemented"},
};

constexpr const char* kNotImplemented = "not implemented";

template <size_t N>
const FunctionName* FindName(const FunctionName (&table)[N], uint8_t code) {
  for (const FunctionName& entry : table)
    if (entry.code == code) return &entry;
  return nullptr;
}
}  // namespace

uint8_t FrameChecksum(const uint8_t* octets, int32_t from, int32_t to) {
  uint32_t sum = 0;
  for (int32_t i = from; i < to; ++i) sum += octets[i];
  return static_cast<uint8_t>(sum);
}

clIEC101Frame::clIEC101Frame() : octets_(kCapacity, 0) {}

void clIEC101Frame::SetSizes(uint32_t linkAddressSize, uint32_t commonAddressSize,
                             uint32_t ioaSize, uint32_t causeSize) {
  linkAddressSize_ = linkAddressSize;
  commonAddressSize_ = commonAddressSize;
  ioaSize_ = ioaSize;
  causeSize_ = causeSize;
}

void clIEC101Frame::Reset() {
  length_ = 0;
  objectCount = 0;
  sequenceFlag = 0;
  std::fill(octets_.begin(), octets_.end(), 0);
  record.Clear();
}

bool clIEC101Frame::AppendOctet(uint8_t octet) {
  if (length_ >= kCapacity) return false;
  octets_[static_cast<size_t>(length_++)] = octet;
  return true;
}

void clIEC101Frame::AppendLinkAddress(uint32_t address) {
  AppendOctet(static_cast<uint8_t>(address & 0xFF));
  if (linkAddressSize_ != 1) AppendOctet(static_cast<uint8_t>((address >> 8) & 0xFF));
}

void clIEC101Frame::LoadFrom(const uint8_t* octets, int32_t count) {
  if (count < 0 || count > kCapacity) return;
  Reset();
  if (count > 0) std::memcpy(octets_.data(), octets, static_cast<size_t>(count));
  length_ = count;
}

void clIEC101Frame::Seal() {
  if (length_ == 0) return;
  if (octets_[0] == kFixedStart) {
    AppendOctet(FrameChecksum(octets_.data(), 1, length_));
    AppendOctet(kEnd);
  } else if (octets_[0] == kVariableStart) {
    // L counts C up to the last data octet; only its low octet fits the field.
    uint8_t l = static_cast<uint8_t>(length_ - 4);
    octets_[1] = l;
    octets_[2] = l;
    size_t vsq = 6 + linkAddressSize_;
    if (vsq < octets_.size())
      octets_[vsq] = static_cast<uint8_t>(objectCount | (sequenceFlag ? 0x80 : 0));
    AppendOctet(FrameChecksum(octets_.data(), 4, length_));
    AppendOctet(kEnd);
  }
}

FrameStatus clIEC101Frame::Check() const {
  if (length_ == 0) return FrameIncomplete;
  uint8_t start = octets_[0];
  if (start == kSingleChar) return FrameComplete;
  if (start != kFixedStart && start != kVariableStart) return FrameBadStart;
  bool variable = start == kVariableStart;
  if (length_ < (variable ? 7 : 5)) return FrameIncomplete;
  int32_t expected = variable ? octets_[1] + 6 : 4 + static_cast<int32_t>(linkAddressSize_);
  if (length_ != expected) return FrameIncomplete;
  uint8_t sum = FrameChecksum(octets_.data(), variable ? 4 : 1, length_ - 2);
  if (sum != octets_[static_cast<size_t>(length_ - 2)] ||
      octets_[static_cast<size_t>(length_ - 1)] != kEnd)
    return FrameBadChecksum;
  return FrameComplete;
}

int32_t clIEC101Frame::ControlIndex() const {
  if (length_ == 0) return -1;
  if (octets_[0] == kFixedStart) return length_ > 1 ? 1 : -1;
  if (octets_[0] == kVariableStart) return length_ > 4 ? 4 : -1;
  return -1;
}

uint8_t clIEC101Frame::Control() const {
  int32_t index = ControlIndex();
  return index < 0 ? 0 : octets_[static_cast<size_t>(index)];
}

uint32_t clIEC101Frame::LinkAddress() const {
  int32_t index = ControlIndex();
  if (index < 0 || (linkAddressSize_ != 1 && linkAddressSize_ != 2)) return 0;
  uint32_t address = At(index + 1);
  if (linkAddressSize_ == 2) address |= static_cast<uint32_t>(At(index + 2)) << 8;
  return address;
}

bool clIEC101Frame::IsSecondary() const {
  if (length_ == 0) return false;
  if (octets_[0] == kSingleChar) return true;
  bool longEnough = (octets_[0] == kFixedStart && length_ >= 3) ||
                    (octets_[0] == kVariableStart && length_ >= 6);
  return longEnough && Prm() == 0;
}

const void* clIEC101Frame::NameEntry() const {
  uint8_t code = length_ > 0 && octets_[0] == kSingleChar ? 0 : FunctionCode();
  return IsSecondary() ? FindName(kSecondaryNames, code) : FindName(kPrimaryNames, code);
}

std::string clIEC101Frame::LongFunctionName() const {
  const auto* entry = static_cast<const FunctionName*>(NameEntry());
  return entry ? entry->longName : kNotImplemented;
}

std::string clIEC101Frame::ShortFunctionName() const {
  const auto* entry = static_cast<const FunctionName*>(NameEntry());
  return entry ? entry->shortName : kNotImplemented;
}

std::string clIEC101Frame::HexText() const {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  text.reserve(static_cast<size_t>(length_) * 3);
  for (int32_t i = 0; i < length_; ++i) {
    if (i) text += ' ';
    uint8_t octet = octets_[static_cast<size_t>(i)];
    text += kDigits[octet >> 4];
    text += kDigits[octet & 0x0F];
  }
  return text;
}

#include "model/archive_writer.h"

#include <cstring>

#include "model/cp1252.h"

namespace {
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
}  // namespace

void clArchiveWriter::U16(uint16_t v) {
  bytes_.push_back(static_cast<uint8_t>(v));
  bytes_.push_back(static_cast<uint8_t>(v >> 8));
}

void clArchiveWriter::U32(uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) bytes_.push_back(static_cast<uint8_t>(v >> shift));
}

void clArchiveWriter::Double(double v) {
  uint64_t bits = 0;
  std::memcpy(&bits, &v, sizeof bits);
  for (int shift = 0; shift < 64; shift += 8) bytes_.push_back(static_cast<uint8_t>(bits >> shift));
}

void clArchiveWriter::String(std::string_view utf8) {
  const std::string text = Utf8ToCp1252(utf8);
  const size_t length = text.size();
  if (length < 0xFF) {
    U8(static_cast<uint8_t>(length));
  } else if (length < 0xFFFE) {
    U8(0xFF);
    U16(static_cast<uint16_t>(length));
  } else {
    U8(0xFF);
    U16(0xFFFF);
    U32(static_cast<uint32_t>(length));
  }
  bytes_.insert(bytes_.end(), text.begin(), text.end());
}

void clArchiveWriter::Count(size_t n) {
  if (n < 0xFFFF) {
    U16(static_cast<uint16_t>(n));
  } else {
    U16(0xFFFF);
    U32(static_cast<uint32_t>(n));
  }
}

void clArchiveWriter::BeginObject(const char* className) {
  auto known = classIndex_.find(className);
  if (known == classIndex_.end()) {
    U16(kNewClassTag);
    U16(0);  // schema
    const size_t length = std::strlen(className);
    U16(static_cast<uint16_t>(length));
    bytes_.insert(bytes_.end(), className, className + length);
    classIndex_.emplace(className, nextIndex_++);
  } else if (known->second < kBigObjectTag) {
    U16(static_cast<uint16_t>(kClassTag | known->second));
  } else {
    U16(kBigObjectTag);
    U32(kBigClassTag | known->second);
  }
  ++nextIndex_;  // the object itself
}

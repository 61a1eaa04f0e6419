#include "model/archive_reader.h"

#include <cstring>

#include "model/cp1252.h"

namespace {
constexpr uint16_t kNullTag = 0;
constexpr uint16_t kNewClassTag = 0xFFFF;
constexpr uint16_t kClassTag = 0x8000;
constexpr uint16_t kBigObjectTag = 0x7FFF;
constexpr uint32_t kBigClassTag = 0x80000000u;
constexpr uint16_t kUnicodeMarker = 0xFFFE;

constexpr const char* kClassNames[clArchiveReader::kClassCount] = {
    "clSerialPort",
    "clIEC101MasterDevice",
    "clIEC101SlaveDevice",
    "clIEC101CaptureDevice",
    "clSector",
    "clTag",
    "clColumnWidth",
};
}  // namespace

const char* clArchiveReader::ClassName(ClassId id) { return kClassNames[id]; }

void clArchiveReader::Fail() { throw clArchiveError("Unexpected file format."); }

const uint8_t* clArchiveReader::Take(size_t n) {
  if (n > Remaining()) Fail();
  const uint8_t* at = data_ + pos_;
  pos_ += n;
  return at;
}

uint8_t clArchiveReader::U8() { return *Take(1); }

uint16_t clArchiveReader::U16() {
  const uint8_t* p = Take(2);
  return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t clArchiveReader::U32() {
  const uint8_t* p = Take(4);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

double clArchiveReader::Double() {
  const uint8_t* p = Take(8);
  uint64_t bits = 0;
  for (int i = 7; i >= 0; --i) bits = (bits << 8) | p[i];
  double v = 0;
  std::memcpy(&v, &bits, sizeof v);
  return v;
}

std::string clArchiveReader::String() {
  bool wide = false;
  uint64_t length = U8();
  // 0xFF, u16 0xFFFE switches to 16-bit units; the length prefix follows again.
  while (length == 0xFF) {
    length = U16();
    if (length == kUnicodeMarker) {
      wide = true;
      length = U8();
      continue;
    }
    if (length == 0xFFFF) length = U32();
    break;
  }
  const uint64_t bytes = wide ? length * 2 : length;
  if (bytes > Remaining()) Fail();
  const uint8_t* text = Take(static_cast<size_t>(bytes));
  if (wide) return Utf16LeToUtf8(text, static_cast<size_t>(length));
  return Cp1252ToUtf8(std::string_view(reinterpret_cast<const char*>(text), length));
}

size_t clArchiveReader::Count() {
  uint64_t count = U16();
  if (count == 0xFFFF) count = U32();
  if (count > Remaining() / 2) Fail();
  return static_cast<size_t>(count);
}

uint32_t clArchiveReader::AddSlot(bool isClass, ClassId classId) {
  slots_.push_back(Slot{isClass, classId, nullptr});
  return static_cast<uint32_t>(slots_.size() - 1);
}

const clArchiveReader::Slot& clArchiveReader::SlotAt(uint32_t index) const {
  if (index == 0 || index >= slots_.size()) Fail();
  return slots_[index];
}

clArchiveReader::ClassId clArchiveReader::ReadNewClass() {
  U16();  // schema: any is accepted
  const uint16_t length = U16();
  const uint8_t* name = Take(length);
  for (int32_t id = 0; id < kClassCount; ++id) {
    if (std::strlen(kClassNames[id]) == length && std::memcmp(kClassNames[id], name, length) == 0) {
      AddSlot(true, static_cast<ClassId>(id));
      return static_cast<ClassId>(id);
    }
  }
  Fail();
}

clArchiveReader::ObjectTag clArchiveReader::ReadObjectTag(ClassId expected) {
  ObjectTag tag;
  const uint16_t word = U16();
  if (word == kNullTag) return tag;
  ClassId classId;
  if (word == kNewClassTag) {
    classId = ReadNewClass();
  } else {
    uint32_t reference = word;
    bool isClass = (word & kClassTag) != 0;
    if (word == kBigObjectTag) {
      reference = U32();
      isClass = (reference & kBigClassTag) != 0;
      reference &= ~kBigClassTag;
    } else {
      reference &= ~static_cast<uint32_t>(kClassTag);
    }
    const Slot& slot = SlotAt(reference);
    if (slot.isClass != isClass) Fail();
    if (!isClass) {
      if (slot.classId != expected || !slot.object) Fail();
      tag.kind = ObjectTag::kBackReference;
      tag.object = slot.object;
      return tag;
    }
    classId = slot.classId;
  }
  if (classId != expected) Fail();
  tag.kind = ObjectTag::kNew;
  tag.index = AddSlot(false, classId);
  return tag;
}

void clArchiveReader::SetObject(uint32_t index, void* object) { slots_.at(index).object = object; }

#pragma once
#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// Reads the object-archive form written by clArchiveWriter from untrusted bytes.
// Every read is checked against the bytes that remain before anything is
// allocated; any inconsistency throws clArchiveError, which the file loader turns
// into "Unexpected file format." and which never leaves the model.
struct clArchiveError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

class clArchiveReader {
 public:
  // The classes a workspace file may hold.
  enum ClassId : int32_t {
    kPort,
    kMaster,
    kSlave,
    kMonitor,
    kSector,
    kTag,
    kColumnWidth,
    kClassCount
  };
  static const char* ClassName(ClassId id);

  // The tag in front of a list element.
  struct ObjectTag {
    enum Kind { kNull, kNew, kBackReference } kind = kNull;
    uint32_t index = 0;      // kNew: the index the new object takes
    void* object = nullptr;  // kBackReference: the object read before
  };

  clArchiveReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  uint8_t U8();
  uint16_t U16();
  uint32_t U32();
  int32_t I32() { return static_cast<int32_t>(U32()); }
  bool Bool() { return U8() != 0; }
  double Double();
  // A string in the 8-bit code page or (after 0xFF, 0xFFFE) UTF-16LE, as UTF-8.
  std::string String();
  // A list count, checked so that each element still has its two tag bytes.
  size_t Count();
  // Reads an element's class or back-reference tag. The class (or the referenced
  // object's class) must be `expected`. A new object must be registered with
  // SetObject before its record is read.
  ObjectTag ReadObjectTag(ClassId expected);
  void SetObject(uint32_t index, void* object);

  size_t Remaining() const { return size_ - pos_; }
  size_t Size() const { return size_; }
  [[noreturn]] static void Fail();

 private:
  struct Slot {
    bool isClass = false;
    ClassId classId = kPort;
    void* object = nullptr;
  };
  const uint8_t* Take(size_t n);
  ClassId ReadNewClass();
  uint32_t AddSlot(bool isClass, ClassId classId);
  const Slot& SlotAt(uint32_t index) const;

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  std::vector<Slot> slots_{Slot{}};  // index 0 stands for "none"
};

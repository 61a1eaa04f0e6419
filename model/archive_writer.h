#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// Writes the object-archive form of the workspace file: little-endian words,
// length-prefixed 8-bit strings, list counts and class tags.
//
// Class tags share one index counter with the objects, starting at 1: the first
// object of a class is preceded by 0xFFFF, schema 0, the name length and the
// ASCII class name, and the class takes the next index; later objects of the
// class by 0x8000 + the class index (0x7FFF and a 32-bit 0x80000000 + index once
// the index no longer fits). Every object then takes the next index.
class clArchiveWriter {
 public:
  void U8(uint8_t v) { bytes_.push_back(v); }
  void U16(uint16_t v);
  void U32(uint32_t v);
  void I32(int32_t v) { U32(static_cast<uint32_t>(v)); }
  void Bool(bool v) { U8(v ? 1 : 0); }
  void Double(double v);
  // UTF-8 text written in the 8-bit code page with its length prefix: one byte
  // below 0xFF, else 0xFF and a u16 below 0xFFFE, else 0xFF, 0xFFFF and a u32.
  void String(std::string_view utf8);
  // List count: u16 below 0xFFFF, else 0xFFFF and a u32.
  void Count(size_t n);
  // The class tag of the next list element, and its object index.
  void BeginObject(const char* className);

  const std::vector<uint8_t>& Bytes() const { return bytes_; }
  std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  std::map<std::string, uint32_t, std::less<>> classIndex_;
  uint32_t nextIndex_ = 1;
};

#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A compound file (the container of .xls workbooks and of encrypted Office
// Open XML files) held in memory: a small file system of sectors chained by an
// allocation table, with a directory of named streams. Every sector number,
// chain and size is checked against the file before it is followed, and chains
// are walked at most once around, so a crafted file cannot loop or read outside
// its bytes.
class clCompoundFile {
 public:
  static constexpr uint8_t kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

  // The bytes must stay alive while the file is used. "" or the reason.
  std::string Open(const uint8_t* data, size_t size);
  // Whether a stream of that name exists (ASCII names, compared without regard
  // to case, as the format does).
  bool HasStream(std::string_view name) const;
  // The stream's bytes; "" or the reason. Streams longer than `limit` are refused.
  std::string ReadStream(std::string_view name, size_t limit, std::vector<uint8_t>& out) const;

 private:
  struct Entry {
    std::string name;  // ASCII letters only; others become '?'
    uint8_t type = 0;  // 1 storage, 2 stream, 5 root
    uint32_t start = 0;
    uint64_t size = 0;
  };
  // Follows a chain of the main table; false when it leaves the file or loops.
  bool Chain(uint32_t start, std::vector<uint32_t>& sectors) const;
  bool ReadSectors(const std::vector<uint32_t>& sectors, uint64_t size,
                   std::vector<uint8_t>& out) const;
  const Entry* Find(std::string_view name) const;

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  uint32_t sectorShift_ = 9;
  uint32_t miniShift_ = 6;
  uint32_t miniCutoff_ = 4096;
  uint32_t sectorCount_ = 0;
  std::vector<uint32_t> fat_;
  std::vector<uint32_t> miniFat_;
  std::vector<uint8_t> miniStream_;
  std::vector<Entry> entries_;
};

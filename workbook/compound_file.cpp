#include "workbook/compound_file.h"

#include <algorithm>
#include <cstring>

#include "workbook/format_readers.h"
#include "workbook/little_endian.h"

namespace {

constexpr uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr uint32_t kFreeSector = 0xFFFFFFFF;
constexpr size_t kHeaderDifatEntries = 109;
constexpr size_t kDirectoryEntryBytes = 128;
constexpr uint8_t kStreamEntry = 2;
constexpr uint8_t kRootEntry = 5;

std::string Damaged(std::string_view what) { return DamagedReason("compound file", what); }

bool SameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return (x | 0x20) == (y | 0x20);
         });
}

}  // namespace

std::string clCompoundFile::Open(const uint8_t* data, size_t size) {
  data_ = data;
  size_ = size;
  if (size < 512 || std::memcmp(data, kSignature, sizeof kSignature) != 0)
    return Damaged("no compound file header");
  const uint16_t major = LeU16(data + 0x1A);
  sectorShift_ = LeU16(data + 0x1E);
  miniShift_ = LeU16(data + 0x20);
  if (LeU16(data + 0x1C) != 0xFFFE || (major != 3 && major != 4) ||
      sectorShift_ != (major == 3 ? 9u : 12u) || miniShift_ != 6)
    return Damaged("unknown header layout");
  const size_t sectorSize = size_t{1} << sectorShift_;
  if (size < sectorSize * 2) return Damaged("shorter than its header");
  sectorCount_ = static_cast<uint32_t>(
      std::min<size_t>((size - sectorSize + sectorSize - 1) / sectorSize, kEndOfChain - 1));
  miniCutoff_ = LeU32(data + 0x38);
  const uint32_t fatSectors = LeU32(data + 0x2C);
  const uint32_t firstDirectory = LeU32(data + 0x30);
  const uint32_t firstMiniFat = LeU32(data + 0x3C);
  uint32_t difatSector = LeU32(data + 0x44);
  const uint32_t difatSectors = LeU32(data + 0x48);
  if (fatSectors > sectorCount_ || difatSectors > sectorCount_)
    return Damaged("more table sectors than the file holds");

  // Where the allocation table lies: 109 places in the header, then chained
  // sectors of further places.
  std::vector<uint32_t> fatPlaces;
  for (size_t i = 0; i < kHeaderDifatEntries && fatPlaces.size() < fatSectors; ++i)
    fatPlaces.push_back(LeU32(data + 0x4C + 4 * i));
  const size_t perDifat = sectorSize / 4 - 1;
  for (uint32_t k = 0; k < difatSectors && fatPlaces.size() < fatSectors; ++k) {
    if (difatSector >= sectorCount_) return Damaged("allocation table index leaves the file");
    const size_t offset = (size_t{difatSector} + 1) << sectorShift_;
    if (offset + sectorSize > size) return Damaged("truncated allocation table index");
    for (size_t i = 0; i < perDifat && fatPlaces.size() < fatSectors; ++i)
      fatPlaces.push_back(LeU32(data + offset + 4 * i));
    difatSector = LeU32(data + offset + 4 * perDifat);
  }
  if (fatPlaces.size() < fatSectors) return Damaged("allocation table index too short");
  fat_.clear();
  fat_.reserve(fatPlaces.size() * (sectorSize / 4));
  for (uint32_t place : fatPlaces) {
    if (place >= sectorCount_) return Damaged("allocation table sector leaves the file");
    const size_t offset = (size_t{place} + 1) << sectorShift_;
    if (offset + sectorSize > size) return Damaged("truncated allocation table");
    for (size_t i = 0; i < sectorSize / 4; ++i) fat_.push_back(LeU32(data + offset + 4 * i));
  }

  std::vector<uint32_t> sectors;
  std::vector<uint8_t> directory;
  if (!Chain(firstDirectory, sectors) ||
      !ReadSectors(sectors, uint64_t{sectors.size()} << sectorShift_, directory))
    return Damaged("broken directory chain");
  entries_.clear();
  for (size_t at = 0; at + kDirectoryEntryBytes <= directory.size(); at += kDirectoryEntryBytes) {
    const uint8_t* e = directory.data() + at;
    Entry entry;
    const size_t nameUnits = std::min<size_t>(LeU16(e + 64), 64) / 2;
    for (size_t i = 0; i < nameUnits; ++i) {
      const uint16_t unit = LeU16(e + 2 * i);
      if (unit == 0) break;
      entry.name.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
    }
    entry.type = e[66];
    entry.start = LeU32(e + 116);
    entry.size = major == 3 ? LeU32(e + 120) : LeU32(e + 120) | uint64_t{LeU32(e + 124)} << 32;
    entries_.push_back(std::move(entry));
  }
  if (entries_.empty() || entries_[0].type != kRootEntry) return Damaged("no root entry");

  miniFat_.clear();
  if (firstMiniFat != kEndOfChain && firstMiniFat != kFreeSector) {
    std::vector<uint8_t> bytes;
    if (!Chain(firstMiniFat, sectors) ||
        !ReadSectors(sectors, uint64_t{sectors.size()} << sectorShift_, bytes))
      return Damaged("broken small-block table");
    for (size_t i = 0; i + 4 <= bytes.size(); i += 4) miniFat_.push_back(LeU32(bytes.data() + i));
  }
  return "";
}

bool clCompoundFile::Chain(uint32_t start, std::vector<uint32_t>& sectors) const {
  sectors.clear();
  for (uint32_t s = start; s != kEndOfChain;) {
    if (s >= sectorCount_ || s >= fat_.size() || sectors.size() >= sectorCount_) return false;
    sectors.push_back(s);
    s = fat_[s];
  }
  return true;
}

bool clCompoundFile::ReadSectors(const std::vector<uint32_t>& sectors, uint64_t size,
                                 std::vector<uint8_t>& out) const {
  const size_t sectorSize = size_t{1} << sectorShift_;
  if (size > uint64_t{sectors.size()} * sectorSize) return false;
  out.clear();
  out.reserve(static_cast<size_t>(size));
  for (uint32_t s : sectors) {
    if (out.size() >= size) break;
    const size_t offset = (size_t{s} + 1) << sectorShift_;
    const size_t want = std::min<size_t>(sectorSize, static_cast<size_t>(size) - out.size());
    if (offset + want > size_) return false;
    out.insert(out.end(), data_ + offset, data_ + offset + want);
  }
  return true;
}

const clCompoundFile::Entry* clCompoundFile::Find(std::string_view name) const {
  for (const Entry& entry : entries_) {
    if (entry.type == kStreamEntry && SameName(entry.name, name)) return &entry;
  }
  return nullptr;
}

bool clCompoundFile::HasStream(std::string_view name) const { return Find(name) != nullptr; }

std::string clCompoundFile::ReadStream(std::string_view name, size_t limit,
                                       std::vector<uint8_t>& out) const {
  const Entry* entry = Find(name);
  if (!entry) return Damaged("no " + std::string(name) + " stream");
  if (entry->size > limit) return TooLargeReason(name, limit);
  std::vector<uint32_t> sectors;
  if (entry->size >= miniCutoff_) {
    if (!Chain(entry->start, sectors) || !ReadSectors(sectors, entry->size, out))
      return Damaged("broken chain of the " + std::string(name) + " stream");
    return "";
  }
  // A small stream lives in 64-byte blocks inside the root entry's stream.
  const Entry& root = entries_[0];
  std::vector<uint8_t> miniStream;
  if (!Chain(root.start, sectors) ||
      !ReadSectors(sectors, std::min<uint64_t>(root.size, uint64_t{sectors.size()} << sectorShift_),
                   miniStream))
    return Damaged("broken small-block stream");
  const size_t blockSize = size_t{1} << miniShift_;
  out.clear();
  out.reserve(static_cast<size_t>(entry->size));
  size_t blocks = 0;
  for (uint32_t b = entry->start; out.size() < entry->size; b = miniFat_[b]) {
    if (b >= miniFat_.size() || ++blocks > miniFat_.size())
      return Damaged("broken small-block chain of the " + std::string(name) + " stream");
    const size_t offset = size_t{b} << miniShift_;
    const size_t want = std::min<size_t>(blockSize, static_cast<size_t>(entry->size) - out.size());
    if (offset + want > miniStream.size())
      return Damaged("small block outside the small-block stream");
    out.insert(out.end(), miniStream.begin() + offset, miniStream.begin() + offset + want);
  }
  return "";
}

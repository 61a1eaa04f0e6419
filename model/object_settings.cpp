#include "model/object_settings.h"

#include "model/device.h"
#include "model/sector.h"
#include "model/tag.h"
#include "runtime/text_compare.h"

namespace {

constexpr int32_t kLargestOctet = 255;

// Largest number of `octets` octets, 1 to 3; the largest of 3 for any other size.
int32_t LargestOf(int32_t octets) {
  if (octets == 1) return 0xFF;
  if (octets == 2) return 0xFFFF;
  return 0xFFFFFF;
}

std::string OutOfRange(const char* what, int32_t value, int32_t largest, int32_t octets) {
  return std::string(what) + " " + std::to_string(value) + " does not fit " +
         std::to_string(octets) + (octets == 1 ? " octet" : " octets") + ": use 0 to " +
         std::to_string(largest);
}

}  // namespace

std::string CheckObjectName(std::string_view name) {
  size_t pos = 0;
  while (pos < name.size()) {
    const size_t start = pos;
    const char32_t ch = NextUtf8Char(name, pos);
    if (ch < kInvalidUtf8Base && UnicodeToCp1252(ch) >= 0) continue;
    return "The name cannot hold \"" + std::string(name.substr(start, pos - start)) +
           "\": the workspace file keeps names in the Western European (Windows-1252) "
           "character set";
  }
  return "";
}

int32_t LargestCommonAddress(int32_t sectorSize) { return LargestOf(sectorSize == 1 ? 1 : 2); }

int32_t LargestIoa(int32_t ioaSize) { return LargestOf(ioaSize); }

std::string CheckLinkAddress(int32_t linkAddress, int32_t linkAddressSize) {
  const int32_t octets = linkAddressSize == 1 ? 1 : 2;
  const int32_t largest = LargestOf(octets);
  if (linkAddress < 0 || linkAddress > largest)
    return OutOfRange("Link Address", linkAddress, largest, octets);
  return "";
}

clTagAddress clTagAddress::From(const clTag& tag) {
  clTagAddress address;
  address.structured = tag.StructuredIoa();
  address.ioa = tag.Ioa();
  address.high = tag.IoaHigh();
  address.middle = tag.IoaMiddle();
  address.low = tag.IoaLow();
  return address;
}

std::string clTagAddress::Check(int32_t ioaSize) const {
  if (structured) {
    for (int32_t octet : {high, middle, low})
      if (octet < 0 || octet > kLargestOctet)
        return "Each part of a structured IOA must be from 0 to 255";
  }
  const int32_t value = Value();
  const int32_t largest = LargestIoa(ioaSize);
  if (value < 0 || value > largest)
    return OutOfRange("IOA", value, largest, ioaSize >= 1 && ioaSize <= 3 ? ioaSize : 3);
  return "";
}

void clTagAddress::ApplyTo(clTag& tag) const {
  if (structured) {
    tag.SetIOA(low, middle, high);
  } else {
    tag.SetIoa(ioa);
  }
  tag.SetStructuredIoa(structured);
}

int32_t ListIndex(std::span<const int32_t> list, int32_t value) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] == value) return static_cast<int32_t>(i);
  return -1;
}

int32_t ListValue(std::span<const int32_t> list, int32_t index) {
  return index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)]
                                                                : 0;
}

clSectorSettings clSectorSettings::From(const clSector& sector) {
  clSectorSettings s;
  s.name = sector.Name();
  s.commonAddress = sector.CommonAddress();
  s.active = sector.Active();
  return s;
}

std::string clSectorSettings::Check(int32_t sectorSize) const {
  std::string bad = CheckObjectName(name);
  if (!bad.empty()) return bad;
  const int32_t largest = LargestCommonAddress(sectorSize);
  if (commonAddress < 0 || commonAddress > largest)
    return OutOfRange("Sector", commonAddress, largest, sectorSize == 1 ? 1 : 2);
  return "";
}

void clSectorSettings::ApplyTo(clSector& sector) const {
  if (!name.empty()) sector.SetName(name);
  sector.SetCommonAddress(commonAddress);
  sector.SetActive(active);
}

clFieldSizes clFieldSizes::From(const clDevice& device) {
  clFieldSizes sizes;
  sizes.linkAddress = device.LinkAddressSize();
  sizes.sector = device.SectorSize();
  sizes.ioa = device.IoaSize();
  sizes.cot = device.CotSize();
  return sizes;
}

void clFieldSizes::ApplyTo(clDevice& device) const {
  const auto offered = [](int32_t size, int32_t largest) { return size >= 1 && size <= largest; };
  if (offered(linkAddress, 2)) device.SetLinkAddressSize(linkAddress);
  if (offered(sector, 2)) device.SetSectorSize(sector);
  if (offered(ioa, 3)) device.SetIoaSize(ioa);
  if (offered(cot, 2)) device.SetCotSize(cot);
}

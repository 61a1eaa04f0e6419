#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

class clDevice;
class clSector;
class clTag;

// Rules the property dialogs share, without any user interface: names the
// workspace file can keep, addresses the device's field sizes can carry, and
// the sector dialog.

// "" when `name` can be stored: the workspace file keeps names in the
// Windows-1252 code page, so a character outside it would come back as '?'.
// Otherwise the message to show. An empty name is allowed (the dialogs then
// keep the old name).
std::string CheckObjectName(std::string_view name);

// Largest common address a sector field of `sectorSize` octets carries (255
// or 65535), and the largest information object address of `ioaSize` octets
// (255, 65535 or 16777215). Sizes outside the lists count as the largest.
int32_t LargestCommonAddress(int32_t sectorSize);
int32_t LargestIoa(int32_t ioaSize);

// "" when a device's link address fits its link address field of
// `linkAddressSize` octets (1 or 2; a size outside the list counts as 2);
// otherwise the message to show. A larger address would go on the line cut to
// the field, so the device would talk to another station.
std::string CheckLinkAddress(int32_t linkAddress, int32_t linkAddressSize);

// An information object address as the tag dialogs enter it: one number, or
// with "Enable Structure IOA" three octets "high/middle/low".
struct clTagAddress {
  bool structured = false;
  int32_t ioa = 1;
  int32_t high = 0, middle = 0, low = 1;

  static clTagAddress From(const clTag& tag);
  // The address the fields give.
  int32_t Value() const { return structured ? high * 65536 + middle * 256 + low : ioa; }
  // "" when the fields give an address of `ioaSize` octets (each structure
  // octet 0 to 255); otherwise the message to show.
  std::string Check(int32_t ioaSize) const;
  // Stores the address and the structure choice.
  void ApplyTo(clTag& tag) const;
};

// Position of `value` in a dialog's list of codes, or -1; the code at a
// position, or 0 outside the list.
int32_t ListIndex(std::span<const int32_t> list, int32_t value);
int32_t ListValue(std::span<const int32_t> list, int32_t index);

// "Sector / CAASDU Properties": "Name", "Sector" (the common address),
// "Enable".
struct clSectorSettings {
  std::string name;
  int32_t commonAddress = 1;
  bool active = true;

  static clSectorSettings From(const clSector& sector);
  // "" when the settings may be stored on a device whose common address has
  // `sectorSize` octets; otherwise the message to show.
  std::string Check(int32_t sectorSize) const;
  // An empty name keeps the old name.
  void ApplyTo(clSector& sector) const;
};

// The slave's and the monitor's properties dialogs: while the device runs
// only the name may change.
inline bool DeviceFieldEnabled(bool isName, bool running) { return isName || !running; }

// The four lists under "Protocol Field Size Parameters": link address 1 or 2,
// sector 1 or 2, IOA 1 to 3, COT 1 or 2 octets; entry n stands for n + 1.
struct clFieldSizes {
  int32_t linkAddress = 1;
  int32_t sector = 2;
  int32_t ioa = 2;
  int32_t cot = 1;

  static clFieldSizes From(const clDevice& device);
  // Stores each size that its list offers; any other keeps the device's value.
  void ApplyTo(clDevice& device) const;
};

#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/device.h"
#include "model/sector.h"
#include "model/tag.h"

// Workspace objects on the clipboard. A copy holds objects of one kind (the
// devices of one role, sectors or tags), under a clipboard format of that kind,
// encoded as one list record of the workspace file: the list version word, the
// count, and each object with its class tag, exactly as the file stores a
// device list, a sector list or a tag list. The bytes carry no pointer and no
// reference to the workspace they came from, so another instance of the
// program reads them as well as this one.
enum class clClipKind : int32_t {
  kMasterDevices,
  kSlaveDevices,
  kMonitorDevices,
  kSectors,
  kTags,
};
inline constexpr clClipKind kClipKinds[] = {clClipKind::kMasterDevices, clClipKind::kSlaveDevices,
                                            clClipKind::kMonitorDevices, clClipKind::kSectors,
                                            clClipKind::kTags};

// The clipboard format (MIME type) of a kind, "application/x-telvane-tags" and so on.
const char* ClipFormat(clClipKind kind);
// The kind that holds devices of a role (clDevice::kMaster, kSlave, kMonitor).
clClipKind DeviceClipKind(int32_t deviceKind);
// The role of a device kind; 0 for sectors and tags.
int32_t ClipDeviceKind(clClipKind kind);

// Clipboard contents above this size are refused unread.
inline constexpr size_t kMaxClipBytes = size_t{1} << 28;
inline constexpr const char* kClipDamaged =
    "Paste aborted, the clipboard data is damaged or incomplete.";

std::vector<uint8_t> EncodeClipTags(const std::vector<const clTag*>& tags);
std::vector<uint8_t> EncodeClipSectors(const std::vector<const clSector*>& sectors);
// Devices of the kind's role; others are left out.
std::vector<uint8_t> EncodeClipDevices(clClipKind kind, const std::vector<const clDevice*>& devices);

// Objects read from the clipboard, owned until pasted.
struct clClipObjects {
  clClipKind kind = clClipKind::kTags;
  std::vector<std::unique_ptr<clDevice>> devices;
  std::vector<std::unique_ptr<clSector>> sectors;
  std::vector<std::unique_ptr<clTag>> tags;
  size_t Count() const { return devices.size() + sectors.size() + tags.size(); }
};

// The bytes of objects read before, in their kind.
std::vector<uint8_t> EncodeClipObjects(const clClipObjects& objects);

// Reads clipboard bytes of a kind from anywhere. The bytes must be exactly one
// list record of that kind's class; a truncated, oversized or otherwise
// inconsistent record gives kClipDamaged and leaves `out` empty. Allocation is
// bounded by the size of the data, as for a workspace file.
std::string DecodeClip(clClipKind kind, const uint8_t* data, size_t size, clClipObjects* out);

#include "model/object_clip.h"

#include "model/workspace_records.h"

namespace {

struct KindRow {
  clClipKind kind;
  const char* format;
  int32_t deviceKind;
};

constexpr KindRow kKinds[] = {
    {clClipKind::kMasterDevices, "application/x-telvane-master-devices", clDevice::kMaster},
    {clClipKind::kSlaveDevices, "application/x-telvane-slave-devices", clDevice::kSlave},
    {clClipKind::kMonitorDevices, "application/x-telvane-monitor-devices", clDevice::kMonitor},
    {clClipKind::kSectors, "application/x-telvane-sectors", 0},
    {clClipKind::kTags, "application/x-telvane-tags", 0},
};

const KindRow& RowOf(clClipKind kind) {
  for (const KindRow& row : kKinds)
    if (row.kind == kind) return row;
  return kKinds[0];
}

}  // namespace

const char* ClipFormat(clClipKind kind) { return RowOf(kind).format; }

int32_t ClipDeviceKind(clClipKind kind) { return RowOf(kind).deviceKind; }

clClipKind DeviceClipKind(int32_t deviceKind) {
  for (const KindRow& row : kKinds)
    if (row.deviceKind != 0 && row.deviceKind == deviceKind) return row.kind;
  return clClipKind::kMonitorDevices;
}

std::vector<uint8_t> EncodeClipTags(const std::vector<const clTag*>& tags) {
  clArchiveWriter out;
  WriteTagListRecord(out, tags);
  return out.TakeBytes();
}

std::vector<uint8_t> EncodeClipSectors(const std::vector<const clSector*>& sectors) {
  clArchiveWriter out;
  WriteSectorListRecord(out, sectors);
  return out.TakeBytes();
}

std::vector<uint8_t> EncodeClipDevices(clClipKind kind,
                                       const std::vector<const clDevice*>& devices) {
  clArchiveWriter out;
  WriteDeviceListRecord(out, ClipDeviceKind(kind), devices);
  return out.TakeBytes();
}

std::vector<uint8_t> EncodeClipObjects(const clClipObjects& objects) {
  switch (objects.kind) {
    case clClipKind::kTags: {
      std::vector<const clTag*> tags;
      for (const auto& t : objects.tags) tags.push_back(t.get());
      return EncodeClipTags(tags);
    }
    case clClipKind::kSectors: {
      std::vector<const clSector*> sectors;
      for (const auto& s : objects.sectors) sectors.push_back(s.get());
      return EncodeClipSectors(sectors);
    }
    default:
      break;
  }
  std::vector<const clDevice*> devices;
  for (const auto& d : objects.devices) devices.push_back(d.get());
  return EncodeClipDevices(objects.kind, devices);
}

std::string DecodeClip(clClipKind kind, const uint8_t* data, size_t size, clClipObjects* out) {
  clClipObjects read;
  read.kind = kind;
  if (size > kMaxClipBytes || (size > 0 && data == nullptr)) return kClipDamaged;
  try {
    clArchiveReader in(data, size);
    switch (kind) {
      case clClipKind::kTags:
        read.tags = ReadTagListRecord(in);
        break;
      case clClipKind::kSectors:
        read.sectors = ReadSectorListRecord(in);
        break;
      default:
        read.devices = ReadDeviceListRecord(in, ClipDeviceKind(kind));
        break;
    }
    // One record and nothing after it.
    if (in.Remaining() != 0) return kClipDamaged;
  } catch (const clArchiveError&) {
    return kClipDamaged;
  }
  *out = std::move(read);
  return "";
}

#include "model/workspace_paste.h"

#include <cstdio>
#include <unordered_map>

namespace {

std::string CopyName(const std::string& name) { return "Copy " + name; }

// Old identity -> new identity of every tag given a new one in one paste.
class clTagRenumbering {
 public:
  void Renumber(clWorkspace& workspace, clTag& tag, int32_t sectorId) {
    const int32_t id = workspace.TakeTagId();
    newIds_.emplace(tag.Id(), id);
    tag.SetId(id);
    tag.SetSectorId(sectorId);
    tags_.push_back(&tag);
  }
  void Renumber(clWorkspace& workspace, const clTags& tags, int32_t sectorId) {
    for (clTag* tag : *tags.Items()) Renumber(workspace, *tag, sectorId);
  }
  // Points links among the renumbered tags at the new identities.
  void FollowLinks() const {
    for (clTag* tag : tags_) {
      auto it = newIds_.find(tag->LinkTarget());
      if (tag->LinkEnabled() && it != newIds_.end()) tag->SetLinkTarget(it->second);
    }
  }

 private:
  std::unordered_map<int32_t, int32_t> newIds_;  // the first of equal old ids wins
  std::vector<clTag*> tags_;
};

bool OfRole(const clDevice& device, int32_t kind) {
  switch (kind) {
    case clDevice::kMaster:
      return dynamic_cast<const clIEC101MasterDevice*>(&device) != nullptr;
    case clDevice::kSlave:
      return dynamic_cast<const clIEC101SlaveDevice*>(&device) != nullptr;
    default:
      return dynamic_cast<const clIEC101CaptureDevice*>(&device) != nullptr;
  }
}

bool NameTaken(const clWorkspace& workspace, int32_t kind, const std::string& name) {
  switch (kind) {
    case clDevice::kMaster:
      return workspace.Masters().FindByName(name) != nullptr;
    case clDevice::kSlave:
      return workspace.Slaves().FindByName(name) != nullptr;
    default:
      return workspace.Monitors().FindByName(name) != nullptr;
  }
}

}  // namespace

std::vector<clDevice*> PasteDevices(clWorkspace& workspace, int32_t kind,
                                    std::vector<std::unique_ptr<clDevice>> devices) {
  std::vector<clDevice*> added;
  clTagRenumbering renumbering;
  for (auto& device : devices) {
    if (!device || !OfRole(*device, kind)) continue;
    device->SetKind(kind);
    if (NameTaken(workspace, kind, device->Name())) device->SetName(CopyName(device->Name()));
    workspace.ReferToPorts(*device);
    clDevice* raw = workspace.CommitDevice(std::move(device));
    if (!raw) continue;
    if (clSectors* sectors = raw->Sectors()) {
      for (clSector* sector : *sectors->Items()) {
        sector->SetId(workspace.TakeSectorId());
        sector->SetDeviceId(raw->Id());
        sector->SetOwner(raw);
        renumbering.Renumber(workspace, sector->Tags(), sector->Id());
      }
      if (kind == clDevice::kMaster) sectors->MarkAllUncertain();
    }
    // A monitor's tags name their monitor where a sector's name their sector.
    if (clTags* tags = raw->Tags()) renumbering.Renumber(workspace, *tags, raw->Id());
    added.push_back(raw);
  }
  renumbering.FollowLinks();
  return added;
}

clPasted<clSector> PasteSectors(clWorkspace& workspace, clDevice& device,
                                std::vector<std::unique_ptr<clSector>> sectors) {
  clPasted<clSector> result;
  if (device.IsRunning()) {
    result.error = kPasteRefused;
    return result;
  }
  if (!device.Sectors()) return result;
  clTagRenumbering renumbering;
  for (auto& sector : sectors) {
    if (!sector) continue;
    const int32_t commonAddress = device.Sectors()->NextFreeCommonAddress();
    char name[32];
    std::snprintf(name, sizeof name, "Sector%d", commonAddress);
    sector->SetCommonAddress(commonAddress);
    sector->SetName(name);
    clSector* raw = sector.get();
    // Takes the sector identity, the device and its next common address.
    workspace.CommitSector(device, std::move(sector));
    renumbering.Renumber(workspace, raw->Tags(), raw->Id());
    if (device.Kind() == clDevice::kMaster) raw->Tags().MarkAllUncertain();
    result.objects.push_back(raw);
  }
  renumbering.FollowLinks();
  return result;
}

clPasted<clTag> PasteTags(clWorkspace& workspace, clDevice& device, clSector& sector,
                          std::vector<std::unique_ptr<clTag>> tags) {
  clPasted<clTag> result;
  if (device.IsRunning()) {
    result.error = kPasteRefused;
    return result;
  }
  clTagRenumbering renumbering;
  for (auto& tag : tags) {
    if (!tag) continue;
    if (sector.Tags().FindByName(tag->Name())) tag->SetName(CopyName(tag->Name()));
    renumbering.Renumber(workspace, *tag, sector.Id());
    if (device.Kind() == clDevice::kMaster) tag->SetQuality(clTag::kQualityUncertain);
    result.objects.push_back(sector.Tags().AddSorted(std::move(tag)));
  }
  renumbering.FollowLinks();
  return result;
}

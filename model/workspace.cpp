#include "model/workspace.h"

#include <climits>
#include <cstdio>

namespace {

// Name format of a tag a monitor creates, by tag type 1..13.
constexpr const char* kMonitorTagFormats[] = {
    nullptr, "SP%d",   "DP%d",   "MEA%d",     "MEB%d",     "MEC%d",     "IT%d",
    "ST%d",  "C_SC%d", "C_DC%d", "C_SE_NA%d", "C_SE_NB%d", "C_SE_NC%d", "C_RC%d",
};

std::string Numbered(const char* format, int32_t n) {
  char text[64];
  std::snprintf(text, sizeof text, format, n);
  return text;
}

}  // namespace

std::string MonitorTagName(int32_t type, int32_t ioa) {
  if (type < clTag::kSinglePoint || type > clTag::kRegulatingStep) return "";
  return Numbered(kMonitorTagFormats[type], ioa);
}

clWorkspace::clWorkspace()
    : ports_(std::make_unique<clSerialPorts>()),
      masters_(std::make_unique<clIEC101MasterDevList>()),
      slaves_(std::make_unique<clIEC101SlaveDevList>()),
      monitors_(std::make_unique<clIEC101CaptureDevList>()),
      widths_(std::make_unique<clColumnWidths>()) {
  for (auto& counter : counters_) counter.store(1);
}

clWorkspace::~clWorkspace() {
  // A listener may remove itself while told.
  const std::vector<clWorkspaceListener*> listeners = listeners_;
  for (clWorkspaceListener* listener : listeners) listener->WorkspaceGone();
}

void clWorkspace::AddListener(clWorkspaceListener* listener) {
  if (listener != nullptr) listeners_.push_back(listener);
}

void clWorkspace::RemoveListener(clWorkspaceListener* listener) {
  std::erase(listeners_, listener);
}

void clWorkspace::TellAllRemoving() {
  const std::vector<clWorkspaceListener*> listeners = listeners_;
  for (clWorkspaceListener* listener : listeners) listener->AllRemoving();
}

void clWorkspace::Clear() {
  TellAllRemoving();
  masters_->RemoveAll();
  slaves_->RemoveAll();
  monitors_->RemoveAll();
  ports_->RemoveAll();
  widths_->RemoveAll();
  for (auto& counter : counters_) counter.store(1);
  masterChoice_ = TagChoice{};
  slaveChoice_ = TagChoice{};
}

void clWorkspace::InitNew() {
  Clear();
  ports_->AddDefaultPorts();
  widths_->AddDefaults();
}

void clWorkspace::Swap(clWorkspace& other) {
  TellAllRemoving();
  other.TellAllRemoving();
  std::swap(ports_, other.ports_);
  std::swap(masters_, other.masters_);
  std::swap(slaves_, other.slaves_);
  std::swap(monitors_, other.monitors_);
  std::swap(widths_, other.widths_);
  for (size_t i = 0; i < counters_.size(); ++i) {
    const int32_t mine = counters_[i].load();
    counters_[i].store(other.counters_[i].load());
    other.counters_[i].store(mine);
  }
  std::swap(masterChoice_, other.masterChoice_);
  std::swap(slaveChoice_, other.slaveChoice_);
}

void clWorkspace::ReferToPort(clDevice& device) const {
  device.SetPort(ports_->Find(device.PortName()));
}

void clWorkspace::ReferToPorts(clDevice& device) {
  if (auto* monitor = dynamic_cast<clIEC101CaptureDevice*>(&device)) {
    monitor->SetPort1(ports_->Find(monitor->Port1Name()));
    monitor->SetPort2(ports_->Find(monitor->Port2Name()));
  } else {
    device.SetPort(ports_->Find(device.PortName()));
  }
}

std::unique_ptr<clIEC101MasterDevice> clWorkspace::NewMaster() {
  auto device = std::make_unique<clIEC101MasterDevice>();
  device->SetName(Numbered("Master%d", Take(kMasterNameCounter)));
  ReferToPort(*device);
  return device;
}

std::unique_ptr<clIEC101SlaveDevice> clWorkspace::NewSlave() {
  auto device = std::make_unique<clIEC101SlaveDevice>();
  device->SetName(Numbered("Slave%d", Take(kSlaveNameCounter)));
  ReferToPort(*device);
  return device;
}

std::unique_ptr<clIEC101CaptureDevice> clWorkspace::NewMonitor() {
  auto device = std::make_unique<clIEC101CaptureDevice>();
  device->SetName(Numbered("Monitor%d", Take(kMonitorNameCounter)));
  device->SetPort1(ports_->Find(device->Port1Name()));
  device->SetPort2(ports_->Find(device->Port2Name()));
  return device;
}

clDevice* clWorkspace::CommitDevice(std::unique_ptr<clDevice> device) {
  if (!device) return nullptr;
  device->SetId(Take(kDeviceIdCounter));
  clDevice* raw = device.release();
  if (auto* master = dynamic_cast<clIEC101MasterDevice*>(raw)) {
    return masters_->AddSorted(std::unique_ptr<clIEC101MasterDevice>(master));
  }
  if (auto* slave = dynamic_cast<clIEC101SlaveDevice*>(raw)) {
    return slaves_->AddSorted(std::unique_ptr<clIEC101SlaveDevice>(slave));
  }
  if (auto* monitor = dynamic_cast<clIEC101CaptureDevice*>(raw)) {
    return monitors_->AddSorted(std::unique_ptr<clIEC101CaptureDevice>(monitor));
  }
  delete raw;  // not one of the three roles
  return nullptr;
}

void clWorkspace::CancelDevice(std::unique_ptr<clDevice> device) {
  if (!device) return;
  if (dynamic_cast<clIEC101MasterDevice*>(device.get())) {
    StepBack(kMasterNameCounter);
  } else if (dynamic_cast<clIEC101SlaveDevice*>(device.get())) {
    StepBack(kSlaveNameCounter);
  } else {
    StepBack(kMonitorNameCounter);
  }
}

clWorkspace::Created<clSector> clWorkspace::NewSector(const clDevice& device) const {
  Created<clSector> result;
  if (device.IsRunning()) {
    result.error = kSectorRefused;
    return result;
  }
  const clSectors* sectors = device.Sectors();
  if (!sectors) return result;  // a monitor has no sectors
  result.object = std::make_unique<clSector>();
  const int32_t commonAddress = sectors->NextFreeCommonAddress();
  result.object->SetCommonAddress(commonAddress);
  result.object->SetName(Numbered("Sector%d", commonAddress));
  return result;
}

std::string clWorkspace::CommitSector(clDevice& device, std::unique_ptr<clSector> sector) {
  if (device.IsRunning()) return kSectorRefused;
  if (!sector || !device.Sectors()) return "";
  sector->SetId(Take(kSectorIdCounter));
  sector->SetDeviceId(device.Id());
  sector->SetOwner(&device);
  const int32_t commonAddress = sector->CommonAddress();
  device.Sectors()->AddSorted(std::move(sector));
  device.SetNextCommonAddress(commonAddress == INT32_MAX ? commonAddress : commonAddress + 1);
  return "";
}

clWorkspace::Created<clTag> clWorkspace::NewTag(const clDevice& device) {
  Created<clTag> result;
  if (device.IsRunning()) {
    result.error = kTagRefused;
    return result;
  }
  const bool master = device.Kind() == clDevice::kMaster;
  const TagChoice& choice = master ? masterChoice_ : slaveChoice_;
  result.object = std::make_unique<clTag>();
  result.object->SetName(
      Numbered("Tag%d", Take(master ? kMasterTagNameCounter : kSlaveTagNameCounter)));
  if (choice.type != -1) result.object->SetType(choice.type);
  result.object->SetStructuredIoa(choice.structuredIoa);
  return result;
}

std::string clWorkspace::CommitTag(clDevice& device, clSector& sector, std::unique_ptr<clTag> tag) {
  if (device.IsRunning()) return kTagRefused;
  if (!tag) return "";
  tag->SetId(Take(kTagIdCounter));
  tag->SetSectorId(sector.Id());
  const bool master = device.Kind() == clDevice::kMaster;
  if (!master && tag->TagType() == clTag::kDoublePoint) tag->SetRawValue(1);
  TagChoice& choice = master ? masterChoice_ : slaveChoice_;
  choice.type = tag->TagType();
  choice.structuredIoa = tag->StructuredIoa();
  sector.Tags().AddSorted(std::move(tag));
  return "";
}

void clWorkspace::CancelTag(const clDevice& device, std::unique_ptr<clTag>) {
  StepBack(device.Kind() == clDevice::kMaster ? kMasterTagNameCounter : kSlaveTagNameCounter);
}

clTag* clWorkspace::CreateMonitorTag(clIEC101CaptureDevice& monitor, int32_t commonAddress,
                                     int32_t type, int32_t ioa) {
  if (type < clTag::kSinglePoint || type > clTag::kRegulatingStep) return nullptr;
  auto tag = std::make_unique<clTag>();
  tag->SetId(Take(kTagIdCounter));
  tag->SetSectorId(monitor.Id());
  tag->SetCommonAddress(commonAddress);
  tag->SetType(type);
  tag->SetIoa(ioa);
  tag->SetName(MonitorTagName(type, ioa));
  return monitor.Tags()->Append(std::move(tag));
}

bool clWorkspace::Holds(const clDevice& device) const {
  if (auto* master = dynamic_cast<const clIEC101MasterDevice*>(&device))
    return masters_->Holds(master);
  if (auto* slave = dynamic_cast<const clIEC101SlaveDevice*>(&device))
    return slaves_->Holds(slave);
  if (auto* monitor = dynamic_cast<const clIEC101CaptureDevice*>(&device))
    return monitors_->Holds(monitor);
  return false;
}

std::string clWorkspace::DeleteDevice(clDevice* device) {
  if (!device) return "";
  if (device->IsRunning()) return kDeleteDeviceRefused;
  const std::vector<clWorkspaceListener*> listeners = listeners_;
  for (clWorkspaceListener* listener : listeners) listener->DeviceRemoving(*device);
  if (auto* master = dynamic_cast<clIEC101MasterDevice*>(device)) {
    masters_->Remove(master);
  } else if (auto* slave = dynamic_cast<clIEC101SlaveDevice*>(device)) {
    slaves_->Remove(slave);
  } else if (auto* monitor = dynamic_cast<clIEC101CaptureDevice*>(device)) {
    monitors_->Remove(monitor);
  }
  return "";
}

std::string clWorkspace::DeleteSector(clDevice& device, clSector* sector) {
  if (device.IsRunning()) return kDeleteSectorRefused;
  if (device.Sectors()) device.Sectors()->Remove(sector);
  return "";
}

std::string clWorkspace::DeleteTag(clDevice& device, clTags& tags, clTag* tag) {
  if (device.IsRunning()) return kDeleteTagRefused;
  tags.Remove(tag);
  return "";
}

void clWorkspace::ResolveReferences() {
  const auto resolve = [&](clDevice* device) {
    device->SetPort(ports_->Find(device->PortName()));
    for (clSector* sector : device->Sectors()->Items()) sector->SetOwner(device);
  };
  for (clIEC101MasterDevice* master : masters_->Items()) {
    resolve(master);
    master->Sectors()->MarkAllUncertain();
  }
  for (clIEC101SlaveDevice* slave : slaves_->Items()) resolve(slave);
  for (clIEC101CaptureDevice* monitor : monitors_->Items()) {
    monitor->SetPort1(ports_->Find(monitor->Port1Name()));
    monitor->SetPort2(ports_->Find(monitor->Port2Name()));
  }
}

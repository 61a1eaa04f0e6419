#include "ui/document/doc.h"

#include <QFileInfo>

#include "app/demo_workspace.h"
#include "app/device_runners.h"
#include "master/master_engine.h"
#include "model/workspace_file.h"
#include "ui/options/options.h"

namespace {

constexpr const char* kUntitled = "Untitled";
constexpr const char* kDemoName = "Demo";

bool IsMaster(const clDevice* device) { return device && device->Kind() == clDevice::kMaster; }

// The write command's dialog for a tag type; false for types without one.
bool WriteDialogFor(int32_t type, CDialog* dialog) {
  switch (type) {
    case clTag::kSingleCommand:
      *dialog = CDialog::kWriteSingleCommand;
      return true;
    case clTag::kDoubleCommand:
      *dialog = CDialog::kWriteDoubleCommand;
      return true;
    case clTag::kRegulatingStep:
      *dialog = CDialog::kWriteRegulatingStep;
      return true;
    case clTag::kSetpointNormalized:
      *dialog = CDialog::kWriteSetpointNormalized;
      return true;
    case clTag::kSetpointScaled:
      *dialog = CDialog::kWriteSetpointScaled;
      return true;
    case clTag::kSetpointFloat:
      *dialog = CDialog::kWriteSetpointFloat;
      return true;
    case clTag::kInterrogation:
      *dialog = CDialog::kWriteInterrogation;
      return true;
    case clTag::kClockSync:
      *dialog = CDialog::kWriteClockSync;
      return true;
    default:
      return false;
  }
}

// Hint numbers by role: master, slave, monitor.
UpdateHint ByKind(int32_t kind, UpdateHint master, UpdateHint slave, UpdateHint monitor) {
  return kind == clDevice::kMaster ? master : kind == clDevice::kSlave ? slave : monitor;
}

}  // namespace

CDoc::CDoc(CUserInterface& user, COptions& options, QObject* parent)
    : QObject(parent),
      user_(user),
      options_(options),
      runners_(std::make_unique<clDeviceRunners>(workspace_)),
      name_(kUntitled) {
  qRegisterMetaType<CHintObject>();
  workspace_.InitNew();
}

CDoc::~CDoc() { runners_.reset(); }

QString CDoc::DisplayName() const { return name_; }

void CDoc::SetModified(bool modified) {
  if (modified_ == modified) return;
  modified_ = modified;
  emit StateChanged();
}

void CDoc::Hint(UpdateHint hint, CHintObject object) { emit Updated(hint, object); }

// ---- The document and its file ----

void CDoc::ReplaceWorkspace(clWorkspace& replacement, const QString& path, const QString& name) {
  Hint(kHintClosing);
  ClearSelection();
  // The swap stops every device and drops its runner before anything is deleted.
  workspace_.Swap(replacement);
  replacement.Clear();
  path_ = path;
  name_ = name;
  modified_ = false;
  Hint(kHintLoaded);
  emit StateChanged();
}

bool CDoc::NewWorkspace() {
  if (!SaveModified()) return false;
  clWorkspace fresh;
  fresh.InitNew();
  ReplaceWorkspace(fresh, QString(), kUntitled);
  return true;
}

bool CDoc::Open() {
  if (!SaveModified()) return false;
  QString path = user_.ChooseFile(false, path_);
  if (path.isEmpty()) return false;
  return OpenFile(path);
}

bool CDoc::OpenFile(const QString& path) {
  clWorkspace loaded;
  std::string error = LoadWorkspaceFile(path.toStdString(), loaded);
  if (!error.empty()) {
    user_.Tell(QString::fromStdString(error));
    return false;
  }
  QFileInfo info(path);
  ReplaceWorkspace(loaded, info.absoluteFilePath(), info.fileName());
  options_.AddRecentFile(path_);
  emit RecentFilesChanged();
  return true;
}

bool CDoc::OpenRecent(const QString& path) {
  if (!SaveModified()) return false;
  if (!QFileInfo::exists(path)) {
    user_.Tell(QString::fromStdString(kFailedToOpenDocument));
    options_.RemoveRecentFile(path);
    emit RecentFilesChanged();
    return false;
  }
  return OpenFile(path);
}

void CDoc::OpenDemo() {
  clWorkspace demo;
  BuildDemoWorkspace(demo);
  ReplaceWorkspace(demo, QString(), kDemoName);
}

bool CDoc::SaveTo(const QString& path) {
  std::string error = SaveWorkspaceFile(workspace_, path.toStdString());
  if (!error.empty()) {
    user_.Tell(QString::fromStdString(error));
    return false;
  }
  QFileInfo info(path);
  path_ = info.absoluteFilePath();
  name_ = info.fileName();
  options_.AddRecentFile(path_);
  emit RecentFilesChanged();
  modified_ = false;
  emit StateChanged();
  return true;
}

bool CDoc::Save() { return path_.isEmpty() ? SaveAs() : SaveTo(path_); }

bool CDoc::SaveAs() {
  QString proposed = path_.isEmpty() ? name_ + ".cf1" : path_;
  QString path = user_.ChooseFile(true, proposed);
  if (path.isEmpty()) return false;
  if (QFileInfo(path).suffix().isEmpty()) path += ".cf1";
  return SaveTo(path);
}

bool CDoc::SaveModified() {
  if (!modified_) return true;
  switch (user_.Ask(QString("Save changes to %1?").arg(name_), true)) {
    case CAnswer::kYes:
      return Save();
    case CAnswer::kNo:
      return true;
    case CAnswer::kCancel:
      break;
  }
  return false;
}

bool CDoc::CanClose(bool exitCommand) {
  const auto running = [](const auto& list) {
    for (clDevice* device : *list.Items())
      if (device->IsRunning()) return true;
    return false;
  };
  if (running(workspace_.Masters()) || running(workspace_.Slaves())) {
    user_.Tell(kDevicesStillRunning);
    return false;
  }
  if (user_.Ask(exitCommand ? kShutdownExit : kShutdownClose) != CAnswer::kYes) return false;
  return SaveModified();
}

void CDoc::Shutdown() {
  clWorkspace empty;
  ReplaceWorkspace(empty, QString(), kUntitled);
}

// ---- Selection ----

void CDoc::ClearSelection() {
  selection_ = CSelection::kNone;
  device_ = nullptr;
  sector_ = nullptr;
  tag_ = nullptr;
  emit StateChanged();
}

void CDoc::SelectRoot(int kind) {
  ClearSelection();
  selection_ = kind == clDevice::kMaster  ? CSelection::kMasterRoot
               : kind == clDevice::kSlave ? CSelection::kSlaveRoot
                                          : CSelection::kMonitorRoot;
  emit StateChanged();
  Hint(ByKind(kind, kHintMasterRootSelected, kHintSlaveRootSelected, kHintMonitorRootSelected));
}

void CDoc::RecordDevice(clDevice* device) {
  ClearSelection();
  if (!device) return;
  device_ = device;
  const int32_t kind = device->Kind();
  selection_ = kind == clDevice::kMaster  ? CSelection::kMasterDevice
               : kind == clDevice::kSlave ? CSelection::kSlaveDevice
                                          : CSelection::kMonitorDevice;
  emit StateChanged();
}

void CDoc::SelectDevice(clDevice* device) {
  RecordDevice(device);
  if (!device) return;
  Hint(ByKind(device->Kind(), kHintMasterSelected, kHintSlaveSelected, kHintMonitorSelected),
       {device});
}

void CDoc::RecordSector(clSector* sector) {
  ClearSelection();
  if (!sector || !sector->Owner()) return;
  sector_ = sector;
  device_ = sector->Owner();
  selection_ = IsMaster(device_) ? CSelection::kMasterSector : CSelection::kSlaveSector;
  emit StateChanged();
}

void CDoc::SelectSector(clSector* sector) {
  RecordSector(sector);
  if (!sector_) return;
  Hint(IsMaster(device_) ? kHintMasterSectorSelected : kHintSlaveSectorSelected,
       {device_, sector_});
}

void CDoc::SelectTag(clTag* tag) {
  tag_ = tag;
  emit StateChanged();
}

// ---- Commands ----

bool CDoc::DeviceIsMasterOrSlave() const {
  return selection_ == CSelection::kMasterDevice || selection_ == CSelection::kSlaveDevice;
}

bool CDoc::IsEnabled(CCommand command) const {
  const bool root = selection_ == CSelection::kMasterRoot ||
                    selection_ == CSelection::kSlaveRoot ||
                    selection_ == CSelection::kMonitorRoot;
  const bool device = DeviceIsMasterOrSlave() || selection_ == CSelection::kMonitorDevice;
  const bool sector =
      selection_ == CSelection::kMasterSector || selection_ == CSelection::kSlaveSector;
  switch (command) {
    case CCommand::kNewDevice:
      return root;
    case CCommand::kAddSector:
    case CCommand::kImport:
      return DeviceIsMasterOrSlave();
    case CCommand::kNewTag:
    case CCommand::kDeleteSector:
    case CCommand::kSectorProperties:
      return sector;
    case CCommand::kEditAdd:
      return root || DeviceIsMasterOrSlave() || sector;
    case CCommand::kDeleteDevice:
    case CCommand::kDeviceProperties:
    case CCommand::kMonitor:
      return device;
    case CCommand::kStart:
      return device && !device_->IsRunning();
    case CCommand::kStop:
      return device && device_->IsRunning();
    case CCommand::kTagProperties:
      return tag_ != nullptr && sector;  // a monitor's tags are not edited
    case CCommand::kWrite:
      return tag_ != nullptr && selection_ == CSelection::kMasterSector;
    case CCommand::kNew:
    case CCommand::kOpen:
    case CCommand::kSave:
    case CCommand::kSaveAs:
    case CCommand::kStartAll:
    case CCommand::kStopAll:
    case CCommand::kSerialPorts:
    case CCommand::kOption:
      return true;
  }
  return false;
}

void CDoc::Run(CCommand command) {
  if (!IsEnabled(command)) return;
  switch (command) {
    case CCommand::kNew:
      NewWorkspace();
      break;
    case CCommand::kOpen:
      Open();
      break;
    case CCommand::kSave:
      Save();
      break;
    case CCommand::kSaveAs:
      SaveAs();
      break;
    case CCommand::kNewDevice:
      NewDevice();
      break;
    case CCommand::kAddSector:
      AddSector();
      break;
    case CCommand::kNewTag:
      NewTag();
      break;
    case CCommand::kEditAdd:
      if (IsEnabled(CCommand::kNewDevice)) {
        NewDevice();
      } else if (IsEnabled(CCommand::kAddSector)) {
        AddSector();
      } else {
        NewTag();
      }
      break;
    case CCommand::kDeleteDevice:
      DeleteDevice();
      break;
    case CCommand::kDeleteSector:
      DeleteSector();
      break;
    case CCommand::kDeviceProperties:
      DeviceProperties();
      break;
    case CCommand::kSectorProperties:
      SectorProperties();
      break;
    case CCommand::kTagProperties:
      TagProperties();
      break;
    case CCommand::kImport:
      Import();
      break;
    case CCommand::kStart:
      Start();
      break;
    case CCommand::kStop:
      Stop();
      break;
    case CCommand::kStartAll:
      StartAll();
      break;
    case CCommand::kStopAll:
      StopAll();
      break;
    case CCommand::kMonitor:
      Monitor();
      break;
    case CCommand::kWrite:
      Write();
      break;
    case CCommand::kSerialPorts:
      SerialPorts();
      break;
    case CCommand::kOption:
      Option();
      break;
  }
}

void CDoc::Refresh() {
  switch (selection_) {
    case CSelection::kMasterSector:
      Hint(kHintMasterSectorRefresh, {device_, sector_});
      break;
    case CSelection::kSlaveSector:
      Hint(kHintSlaveSectorRefresh, {device_, sector_});
      break;
    case CSelection::kMasterRoot:
      Hint(kHintMasterRootRefresh);
      break;
    case CSelection::kSlaveRoot:
      Hint(kHintSlaveRootRefresh);
      break;
    case CSelection::kMonitorDevice:
      Hint(kHintMonitorRefresh, {device_});
      break;
    default:
      break;
  }
  // Devices stop on their own too (a port that hangs up): keep the state shown.
  emit StateChanged();
}

CDialogRequest CDoc::Request(CDialog dialog) const {
  CDialogRequest request{dialog};
  request.workspace = const_cast<clWorkspace*>(&workspace_);
  request.device = device_;
  request.sector = sector_;
  request.tag = tag_;
  request.options = &options_;
  request.running = device_ != nullptr && device_->IsRunning();
  return request;
}

void CDoc::ReferToPorts(clDevice& device) {
  if (device.IsRunning()) return;
  clSerialPorts& ports = workspace_.Ports();
  if (auto* monitor = dynamic_cast<clIEC101CaptureDevice*>(&device)) {
    monitor->SetPort1(ports.Find(monitor->Port1Name()));
    monitor->SetPort2(ports.Find(monitor->Port2Name()));
  } else {
    device.SetPort(ports.Find(device.PortName()));
  }
}

void CDoc::NewDevice() {
  std::unique_ptr<clDevice> device;
  CDialog dialog = CDialog::kMasterDevice;
  switch (selection_) {
    case CSelection::kMasterRoot:
      device = workspace_.NewMaster();
      break;
    case CSelection::kSlaveRoot:
      device = workspace_.NewSlave();
      dialog = CDialog::kSlaveDevice;
      break;
    default:
      device = workspace_.NewMonitor();
      dialog = CDialog::kMonitorDevice;
      break;
  }
  CDialogRequest request = Request(dialog);
  request.device = device.get();
  request.sector = nullptr;
  request.tag = nullptr;
  request.running = false;
  if (!user_.OpenDialog(request)) {
    workspace_.CancelDevice(std::move(device));
    return;
  }
  ReferToPorts(*device);
  clDevice* added = workspace_.CommitDevice(std::move(device));
  if (!added) return;
  SetModified();
  // The tree inserts and selects the new item, the list appends its row; then
  // every view shows the new device as selected.
  RecordDevice(added);
  Hint(ByKind(added->Kind(), kHintMasterAdded, kHintSlaveAdded, kHintMonitorAdded), {added});
  SelectDevice(added);
}

void CDoc::AddSector() {
  clDevice* device = device_;
  clWorkspace::Created<clSector> sector = workspace_.NewSector(*device);
  if (!sector.error.empty()) {
    user_.Tell(QString::fromStdString(sector.error));
    return;
  }
  if (!sector.object) return;
  CDialogRequest request = Request(CDialog::kSector);
  request.sector = sector.object.get();
  if (!user_.OpenDialog(request)) return;
  clSector* added = sector.object.get();
  std::string error = workspace_.CommitSector(*device, std::move(sector.object));
  if (!error.empty()) {
    user_.Tell(QString::fromStdString(error));
    return;
  }
  SetModified();
  RecordSector(added);
  Hint(IsMaster(device) ? kHintMasterSectorAdded : kHintSlaveSectorAdded, {device, added});
  SelectSector(added);
}

void CDoc::NewTag() {
  clDevice* device = device_;
  clSector* sector = sector_;
  clWorkspace::Created<clTag> tag = workspace_.NewTag(*device);
  if (!tag.error.empty()) {
    user_.Tell(QString::fromStdString(tag.error));
    return;
  }
  const bool master = IsMaster(device);
  CDialogRequest request = Request(master ? CDialog::kMasterTag : CDialog::kSlaveTag);
  request.tag = tag.object.get();
  if (!user_.OpenDialog(request)) {
    workspace_.CancelTag(*device, std::move(tag.object));
    return;
  }
  clTag* added = tag.object.get();
  std::string error = workspace_.CommitTag(*device, *sector, std::move(tag.object));
  if (!error.empty()) {
    user_.Tell(QString::fromStdString(error));
    return;
  }
  SetModified();
  Hint(master ? kHintMasterTagAdded : kHintSlaveTagAdded, {device, sector, added});
}

void CDoc::DeleteDevice() {
  clDevice* device = device_;
  if (device->IsRunning()) {
    user_.Tell(kDeleteDeviceRefused);
    return;
  }
  const char* question = device->Kind() == clDevice::kMaster  ? "Delete Master Device ?"
                         : device->Kind() == clDevice::kSlave ? "Delete Slave Device ?"
                                                              : "Delete Monitor Device ?";
  if (user_.Ask(question) != CAnswer::kYes) return;
  ClearSelection();
  Hint(kHintDeleted, {device});
  workspace_.DeleteDevice(device);  // stops and drops the device's runner first
  SetModified();
}

void CDoc::DeleteSector() {
  clDevice* device = device_;
  clSector* sector = sector_;
  if (device->IsRunning()) {
    user_.Tell(kDeleteSectorRefused);
    return;
  }
  if (user_.Ask("Delete Sector ?") != CAnswer::kYes) return;
  ClearSelection();
  Hint(kHintDeleted, {device, sector});
  workspace_.DeleteSector(*device, sector);
  SetModified();
}

void CDoc::DeviceProperties() {
  clDevice* device = device_;
  const std::string before = device->Name();
  CDialogRequest request = Request(device->Kind() == clDevice::kMaster  ? CDialog::kMasterDevice
                                   : device->Kind() == clDevice::kSlave ? CDialog::kSlaveDevice
                                                                        : CDialog::kMonitorDevice);
  request.sector = nullptr;
  request.tag = nullptr;
  if (!user_.OpenDialog(request)) return;
  ReferToPorts(*device);
  SetModified();
  if (device->Name() != before) {
    Hint(ByKind(device->Kind(), kHintMasterRenamed, kHintSlaveRenamed, kHintMonitorRenamed),
         {device});
  }
}

void CDoc::SectorProperties() {
  clDevice* device = device_;
  clSector* sector = sector_;
  if (device->IsRunning()) {
    user_.Tell(kSectorPropertiesRefused);
    return;
  }
  const std::string before = sector->Name();
  CDialogRequest request = Request(CDialog::kSector);
  request.tag = nullptr;
  if (!user_.OpenDialog(request)) return;
  SetModified();
  if (sector->Name() != before) {
    Hint(IsMaster(device) ? kHintMasterSectorRenamed : kHintSlaveSectorRenamed,
         {device, sector});
  }
}

void CDoc::TagProperties() {
  clDevice* device = device_;
  if (device->IsRunning()) {
    user_.Tell(kTagPropertiesRefused);
    return;
  }
  const bool master = IsMaster(device);
  CDialogRequest request = Request(master ? CDialog::kMasterTag : CDialog::kSlaveTag);
  if (!user_.OpenDialog(request)) return;
  SetModified();
  Hint(master ? kHintMasterSectorSelected : kHintSlaveSectorSelected, {device, sector_});
}

void CDoc::Import() {
  clDevice* device = device_;
  if (device->IsRunning()) {
    user_.Tell(kImportRefused);
    return;
  }
  CDialogRequest request = Request(CDialog::kImport);
  const bool imported = user_.OpenDialog(request);
  // The dialog may have replaced the device's sectors, even when closed with
  // Cancel after importing: every view rebuilds, then the device is shown again.
  Hint(kHintLoaded);
  SelectDevice(device);
  Hint(kHintExpand, {device});
  if (imported) SetModified();
}

void CDoc::Start() {
  std::string failure;
  if (!runners_->Start(*device_, &failure)) user_.Tell(QString::fromStdString(failure));
  emit StateChanged();
}

void CDoc::Stop() {
  runners_->Stop(*device_);
  emit StateChanged();
}

void CDoc::StartAll() {
  runners_->StartAll();  // failures are silent
  emit StateChanged();
}

void CDoc::StopAll() {
  runners_->StopAll();
  emit StateChanged();
}

void CDoc::Monitor() { user_.ShowTraffic(*device_, options_.TextLength(), options_.TextCut()); }

void CDoc::Write() {
  clDevice* device = device_;
  clSector* sector = sector_;
  clTag* tag = tag_;
  if (!sector->Active()) {
    user_.Tell(kWriteSectorDisabled);
    return;
  }
  CDialog dialog;
  if (!WriteDialogFor(tag->TagType(), &dialog)) {
    user_.Tell(kWriteNotImplemented);
    return;
  }
  clMasterWrite write = LastMasterWrite(tag->TagType(), writeMemory_);
  CDialogRequest request = Request(dialog);
  request.write = &write;
  if (!user_.OpenDialog(request)) return;
  auto* engine = dynamic_cast<clIEC101MasterEngine*>(runners_->RunnerFor(*device));
  std::string error = WriteMasterTag(engine, *sector, *tag, write, &writeMemory_);
  if (!error.empty()) user_.Tell(QString::fromStdString(error));
}

void CDoc::SerialPorts() {
  CDialogRequest request = Request(CDialog::kSerialPorts);
  request.device = nullptr;
  request.sector = nullptr;
  request.tag = nullptr;
  if (!user_.OpenDialog(request)) return;
  for (clDevice* d : *workspace_.Masters().Items()) ReferToPorts(*d);
  for (clDevice* d : *workspace_.Slaves().Items()) ReferToPorts(*d);
  for (clDevice* d : *workspace_.Monitors().Items()) ReferToPorts(*d);
  SetModified();
}

void CDoc::Option() {
  CDialogRequest request = Request(CDialog::kOption);
  user_.OpenDialog(request);
}

#include "ui/document/doc.h"

#include <QFileInfo>
#include <QMimeData>

#include "app/demo_workspace.h"
#include "app/device_runners.h"
#include "master/master_engine.h"
#include "model/workspace_file.h"
#include "model/workspace_paste.h"
#include "slave/slave_engine.h"
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

// The clipboard kind of a table's rows; false for no table.
bool ClipKindOfLayout(CListLayoutId layout, clClipKind* kind) {
  switch (layout) {
    case CListLayoutId::kChannelMaster:
      *kind = clClipKind::kMasterDevices;
      return true;
    case CListLayoutId::kChannelSlave:
      *kind = clClipKind::kSlaveDevices;
      return true;
    case CListLayoutId::kChannelMonitor:
      *kind = clClipKind::kMonitorDevices;
      return true;
    case CListLayoutId::kSector:
      *kind = clClipKind::kSectors;
      return true;
    case CListLayoutId::kTagMaster:
    case CListLayoutId::kTagSlave:
    case CListLayoutId::kDeviceMonitor:
      *kind = clClipKind::kTags;
      return true;
    case CListLayoutId::kNone:
      break;
  }
  return false;
}

// The kind of objects a selection takes by paste; false when it takes none.
bool ClipKindOfSelection(CSelection selection, clClipKind* kind) {
  switch (selection) {
    case CSelection::kMasterRoot:
      *kind = clClipKind::kMasterDevices;
      return true;
    case CSelection::kSlaveRoot:
      *kind = clClipKind::kSlaveDevices;
      return true;
    case CSelection::kMonitorRoot:
      *kind = clClipKind::kMonitorDevices;
      return true;
    case CSelection::kMasterDevice:
    case CSelection::kSlaveDevice:
      *kind = clClipKind::kSectors;
      return true;
    case CSelection::kMasterSector:
    case CSelection::kSlaveSector:
      *kind = clClipKind::kTags;
      return true;
    default:
      return false;
  }
}

// Where objects of a kind may be pasted, told when the selection takes others.
const char* PasteWhere(clClipKind kind) {
  switch (kind) {
    case clClipKind::kMasterDevices:
      return "The clipboard holds master devices: select \"IEC 870-5-101 Master\" to paste them.";
    case clClipKind::kSlaveDevices:
      return "The clipboard holds slave devices: select \"IEC 870-5-101 Slave\" to paste them.";
    case clClipKind::kMonitorDevices:
      return "The clipboard holds monitor devices: select \"IEC 870-5-101 Monitor\" to paste "
             "them.";
    case clClipKind::kSectors:
      return "The clipboard holds sectors: select a master or slave device to paste them.";
    case clClipKind::kTags:
      break;
  }
  return "The clipboard holds tags: select a master or slave sector to paste them.";
}

QByteArray ToBytes(const std::vector<uint8_t>& bytes) {
  return QByteArray(reinterpret_cast<const char*>(bytes.data()),
                    static_cast<qsizetype>(bytes.size()));
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
    case CCommand::kCut:
    case CCommand::kCopy:
    case CCommand::kDeleteRows:
      return listView_ != nullptr && listView_->Layout() != CListLayoutId::kNone &&
             listView_->HasSelectedRows();
    case CCommand::kPaste:
      return root || DeviceIsMasterOrSlave() || sector;
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
    case CCommand::kCut:
      // Copy, then Delete with its own question and refusals.
      Copy();
      DeleteRows();
      break;
    case CCommand::kCopy:
      Copy();
      break;
    case CCommand::kPaste:
      Paste();
      break;
    case CCommand::kDeleteRows:
      DeleteRows();
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
  if (!device.IsRunning()) workspace_.ReferToPorts(device);
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

// ---- The workspace list ----

void CDoc::SetListView(CListView* view) {
  listView_ = view;
  // A list that leaves is being destroyed with its window: nothing to update.
  if (view) emit StateChanged();
}

bool CDoc::EditCell(CListLayoutId layoutId, int column, const CHintObject& row,
                    const QString& text) {
  const CListLayout& layout = ListLayout(layoutId);
  if (!CellEditable(layout, column, row)) {
    user_.Tell(kCellReadOnly);
    return false;
  }
  const CCellInput input = CheckCellText(layout, column, row, workspace_, text.toStdString());
  if (!input.error.empty()) {
    user_.Tell(QString::fromStdString(input.error));
    return false;
  }
  if (input.text == CellText(layout, column, row)) return true;
  if (row.device->IsRunning()) {
    // Only a running slave's values are editable: its engine reports the change.
    auto* engine = dynamic_cast<clIEC101SlaveEngine*>(runners_->ExistingRunner(*row.device));
    if (!engine || !row.sector || !engine->SetTagValue(*row.sector, *row.tag, input.value)) {
      user_.Tell(kCellReadOnly);
      return false;
    }
  } else {
    ApplyCellInput(layout, column, row, input);
    if (layout.rows == CRowKind::kDevice) ReferToPorts(*row.device);
    AnnounceCellChanges(layout, column, {row});
  }
  SetModified();
  return true;
}

void CDoc::AnnounceCellChanges(const CListLayout& layout, int column,
                               const std::vector<CHintObject>& rows) {
  if (std::string_view(layout.columns[static_cast<size_t>(column)].key) != "name") return;
  for (const CHintObject& row : rows) {
    if (layout.rows == CRowKind::kDevice) {
      Hint(ByKind(row.device->Kind(), kHintMasterRenamed, kHintSlaveRenamed, kHintMonitorRenamed),
           {row.device});
    } else if (layout.rows == CRowKind::kSector) {
      Hint(IsMaster(row.device) ? kHintMasterSectorRenamed : kHintSlaveSectorRenamed,
           {row.device, row.sector});
    }
  }
}

void CDoc::Copy() {
  clClipKind kind;
  if (!listView_ || !ClipKindOfLayout(listView_->Layout(), &kind)) return;
  const std::vector<CHintObject> rows = listView_->SelectedRows();
  if (rows.empty()) return;
  std::vector<uint8_t> bytes;
  if (kind == clClipKind::kTags) {
    std::vector<const clTag*> tags;
    for (const CHintObject& row : rows) tags.push_back(row.tag);
    bytes = EncodeClipTags(tags);
  } else if (kind == clClipKind::kSectors) {
    std::vector<const clSector*> sectors;
    for (const CHintObject& row : rows) sectors.push_back(row.sector);
    bytes = EncodeClipSectors(sectors);
  } else {
    std::vector<const clDevice*> devices;
    for (const CHintObject& row : rows) devices.push_back(row.device);
    bytes = EncodeClipDevices(kind, devices);
  }
  auto* data = new QMimeData;
  data->setData(ClipFormat(kind), ToBytes(bytes));
  data->setText(QString::fromStdString(RowsAsText(ListLayout(listView_->Layout()), rows)));
  user_.SetClipboard(data);
}

void CDoc::DeleteRows() {
  if (!listView_) return;
  const CListLayout& layout = ListLayout(listView_->Layout());
  const std::vector<CHintObject> rows = listView_->SelectedRows();
  if (rows.empty()) return;
  const auto anyRunning = [&rows] {
    for (const CHintObject& row : rows)
      if (row.device && row.device->IsRunning()) return true;
    return false;
  };
  const char* refusal = layout.rows == CRowKind::kDevice   ? kDeleteDeviceRefused
                        : layout.rows == CRowKind::kSector ? kDeleteListSectorRefused
                                                           : kDeleteTagRefused;
  if (anyRunning()) {
    user_.Tell(refusal);
    return;
  }
  const char* question = layout.rows == CRowKind::kDevice   ? kDeleteDevicesQuestion
                         : layout.rows == CRowKind::kSector ? kDeleteSectorsQuestion
                                                            : kDeleteTagsQuestion;
  if (user_.Ask(question) != CAnswer::kYes) return;
  switch (layout.rows) {
    case CRowKind::kDevice:
      for (const CHintObject& row : rows) {
        Hint(kHintDeleted, {row.device});
        workspace_.DeleteDevice(row.device);  // stops and drops its runner first
      }
      break;
    case CRowKind::kSector: {
      clDevice* device = rows.front().device;
      for (const CHintObject& row : rows) {
        Hint(kHintDeleted, {row.device, row.sector});
        workspace_.DeleteSector(*row.device, row.sector);
      }
      // The tree dropped its selection with the items: show the device again.
      Hint(kHintExpand, {device});
      break;
    }
    case CRowKind::kTag: {
      clDevice* device = rows.front().device;
      clSector* sector = rows.front().sector;
      listView_->ForgetRows(rows);
      for (const CHintObject& row : rows) {
        if (row.tag == tag_) tag_ = nullptr;
        clTags* tags = row.sector ? &row.sector->Tags() : row.device->Tags();
        if (tags) workspace_.DeleteTag(*row.device, *tags, row.tag);
      }
      if (sector) {
        Hint(IsMaster(device) ? kHintMasterSectorSelected : kHintSlaveSectorSelected,
             {device, sector});
      } else {
        Hint(kHintMonitorSelected, {device});
      }
      break;
    }
    case CRowKind::kNone:
      return;
  }
  SetModified();
  emit StateChanged();
}

void CDoc::Paste() {
  const QMimeData* data = user_.Clipboard();
  if (!data) return;
  clClipKind wanted;
  const bool takesObjects = ClipKindOfSelection(selection_, &wanted);
  if (takesObjects && data->hasFormat(ClipFormat(wanted))) {
    PasteObjects(wanted, data->data(ClipFormat(wanted)));
    return;
  }
  // Objects of another kind: say where they go rather than paste their text.
  for (clClipKind kind : kClipKinds) {
    if (data->hasFormat(ClipFormat(kind))) {
      user_.Tell(PasteWhere(kind));
      return;
    }
  }
  if (data->hasText()) {
    PasteText(data->text());
    return;
  }
  user_.Tell(kPasteNothing);
}

void CDoc::PasteObjects(clClipKind kind, const QByteArray& bytes) {
  if (device_ && device_->IsRunning()) {
    user_.Tell(kPasteRefused);
    return;
  }
  clClipObjects objects;
  const std::string error =
      DecodeClip(kind, reinterpret_cast<const uint8_t*>(bytes.constData()),
                 static_cast<size_t>(bytes.size()), &objects);
  if (!error.empty()) {
    user_.Tell(QString::fromStdString(error));
    return;
  }
  if (objects.Count() == 0) return;
  if (kind == clClipKind::kTags) {
    clDevice* device = device_;
    clSector* sector = sector_;
    clPasted<clTag> pasted = PasteTags(workspace_, *device, *sector, std::move(objects.tags));
    if (!pasted.error.empty()) return user_.Tell(QString::fromStdString(pasted.error));
    for (clTag* tag : pasted.objects)
      Hint(IsMaster(device) ? kHintMasterTagAdded : kHintSlaveTagAdded, {device, sector, tag});
  } else if (kind == clClipKind::kSectors) {
    clDevice* device = device_;
    clPasted<clSector> pasted = PasteSectors(workspace_, *device, std::move(objects.sectors));
    if (!pasted.error.empty()) return user_.Tell(QString::fromStdString(pasted.error));
    for (clSector* sector : pasted.objects)
      Hint(IsMaster(device) ? kHintMasterSectorAdded : kHintSlaveSectorAdded, {device, sector});
    // The tree selects each new sector as it comes; the device stays selected.
    Hint(kHintExpand, {device});
  } else {
    const int32_t role = ClipDeviceKind(kind);
    for (clDevice* device : PasteDevices(workspace_, role, std::move(objects.devices)))
      Hint(ByKind(role, kHintMasterAdded, kHintSlaveAdded, kHintMonitorAdded), {device});
  }
  SetModified();
}

bool CDoc::CanPasteInto(const CListLayout& layout, int column,
                        const std::vector<CHintObject>& rows) {
  for (const CHintObject& row : rows) {
    if (row.device && row.device->IsRunning()) {
      user_.Tell(kPasteRefused);
      return false;
    }
  }
  if (device_ && device_->IsRunning()) {
    user_.Tell(kPasteRefused);
    return false;
  }
  const CListColumn& c = layout.columns[static_cast<size_t>(column)];
  if (*c.setKey == '\0') {
    user_.Tell(QString("Paste aborted, the column \"%1\" cannot be changed.").arg(c.title));
    return false;
  }
  return true;
}

void CDoc::PasteText(const QString& text) {
  const std::vector<std::string> lines = SplitPasteLines(text.toStdString());
  if (lines.empty() || !listView_) return;
  int focusRow = -1;
  int column = -1;
  const CListLayout& layout = ListLayout(listView_->Layout());
  if (layout.rows == CRowKind::kNone || !listView_->FocusCell(&focusRow, &column) ||
      column < 0 || static_cast<size_t>(column) >= layout.columns.size()) {
    user_.Tell(kPasteNoFocusCell);
    return;
  }
  // One line per row down the column, until the lines or the rows run out.
  std::vector<CHintObject> rows;
  for (int r = focusRow; r < listView_->RowCount() && rows.size() < lines.size(); ++r)
    rows.push_back(listView_->RowAt(r));
  if (!CanPasteInto(layout, column, rows)) return;
  const std::string question = PasteArrayQuestion(focusRow + 1, column, lines);
  if (user_.Ask(QString::fromStdString(question)) != CAnswer::kYes) return;
  // Every line is checked before any is stored: a refused line changes nothing.
  std::vector<CCellInput> inputs;
  for (size_t i = 0; i < rows.size(); ++i) {
    CCellInput input;
    if (!CellEditable(layout, column, rows[i])) {
      input.error = kCellReadOnly;
    } else {
      input = CheckCellText(layout, column, rows[i], workspace_, lines[i]);
    }
    if (!input.error.empty()) {
      user_.Tell(QString("Paste aborted at row %1: %2")
                     .arg(focusRow + 1 + static_cast<int>(i))
                     .arg(QString::fromStdString(input.error)));
      return;
    }
    inputs.push_back(input);
  }
  for (size_t i = 0; i < rows.size(); ++i) {
    ApplyCellInput(layout, column, rows[i], inputs[i]);
    if (layout.rows == CRowKind::kDevice) ReferToPorts(*rows[i].device);
  }
  SetModified();
  AnnounceCellChanges(layout, column, rows);
  // The table shows its rows again.
  switch (layout.rows) {
    case CRowKind::kDevice:
      Hint(ByKind(rows.front().device->Kind(), kHintMasterRootSelected, kHintSlaveRootSelected,
                  kHintMonitorRootSelected));
      break;
    case CRowKind::kSector:
      Hint(IsMaster(device_) ? kHintMasterSelected : kHintSlaveSelected, {device_});
      break;
    default:
      Hint(IsMaster(device_) ? kHintMasterSectorSelected : kHintSlaveSectorSelected,
           {device_, sector_});
      break;
  }
}

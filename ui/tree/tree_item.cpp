#include "ui/tree/tree_item.h"

#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>

#include "model/workspace.h"
#include "ui/icons/icons.h"

namespace {

constexpr const char* kRootTexts[] = {"IEC 870-5-101 Master", "IEC 870-5-101 Slave",
                                      "IEC 870-5-101 Monitor"};
// Tree image indices (normal; the selected image is the next one).
constexpr int kRootImage = 0;
constexpr int kMasterSectorImage = 2;
constexpr int kMasterImage = 4;
constexpr int kSlaveSectorImage = 6;
constexpr int kSlaveImage = 8;
constexpr int kMonitorImage = 10;

int RootIndex(int kind) { return kind - clDevice::kMaster; }

int DeviceImage(int kind) {
  return kind == clDevice::kMaster ? kMasterImage
         : kind == clDevice::kSlave ? kSlaveImage
                                    : kMonitorImage;
}

// Context menu entries by item, in their order.
const std::vector<CCommand>& MenuCommands(QTreeWidgetItem* item, const clDevice* device) {
  static const std::vector<CCommand> root = {CCommand::kNewDevice};
  static const std::vector<CCommand> device3 = {
      CCommand::kAddSector, CCommand::kDeleteDevice, CCommand::kDeviceProperties,
      CCommand::kImport,    CCommand::kStart,        CCommand::kStop,
      CCommand::kMonitor};
  static const std::vector<CCommand> monitor = {CCommand::kStart, CCommand::kStop,
                                                CCommand::kDeleteDevice,
                                                CCommand::kDeviceProperties, CCommand::kMonitor};
  static const std::vector<CCommand> sector = {CCommand::kNewTag, CCommand::kDeleteSector,
                                               CCommand::kSectorProperties};
  switch (item->type()) {
    case CTreeItem::kRootItem:
      return root;
    case CTreeItem::kSectorItem:
      return sector;
    default:
      return device && device->Kind() == clDevice::kMonitor ? monitor : device3;
  }
}

// The context menus name commands as the tree's entries do, without the menu
// bar's "..." and mnemonics.
QString EntryText(CCommand command) {
  switch (command) {
    case CCommand::kNewDevice:
      return "New Device";
    case CCommand::kAddSector:
      return "Add Sector";
    case CCommand::kNewTag:
      return "New Tag";
    case CCommand::kDeleteDevice:
    case CCommand::kDeleteSector:
      return "Delete";
    case CCommand::kDeviceProperties:
    case CCommand::kSectorProperties:
      return "Properties";
    case CCommand::kImport:
      return "Import";
    case CCommand::kStart:
      return "Start";
    case CCommand::kStop:
      return "Stop";
    case CCommand::kMonitor:
      return "Monitor";
    default:
      return QString();
  }
}

}  // namespace

CTreeItem::CTreeItem(CDoc& doc, std::function<QAction*(CCommand)> commandAction, QWidget* parent)
    : QTreeWidget(parent), doc_(doc), commandAction_(std::move(commandAction)) {
  setHeaderHidden(true);
  setColumnCount(1);
  setRootIsDecorated(true);
  setUniformRowHeights(true);
  setIconSize(QSize(16, 16));
  setSelectionMode(QAbstractItemView::SingleSelection);
  header()->setSectionResizeMode(QHeaderView::ResizeToContents);
  header()->setStretchLastSection(false);
  connect(&doc_, &CDoc::Updated, this, &CTreeItem::OnUpdate);
  connect(this, &QTreeWidget::currentItemChanged, this,
          [this](QTreeWidgetItem* current) { OnCurrentItemChanged(current); });
  // A click on the item that is already current selects it again (the document
  // may have dropped the selection, e.g. after a delete elsewhere).
  connect(this, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* item) {
    if (!rebuilding_) RecordSelection(item);
  });
  Rebuild();
}

QTreeWidgetItem* CTreeItem::RootItem(int kind) const {
  int index = RootIndex(kind);
  return index >= 0 && index < 3 ? roots_[index] : nullptr;
}

clDevice* CTreeItem::DeviceAt(QTreeWidgetItem* item) const {
  if (!item || item->type() != kDeviceItem) return nullptr;
  return static_cast<clDevice*>(item->data(0, kKindRole).value<void*>());
}

clSector* CTreeItem::SectorAt(QTreeWidgetItem* item) const {
  if (!item || item->type() != kSectorItem) return nullptr;
  return static_cast<clSector*>(item->data(0, kKindRole).value<void*>());
}

void CTreeItem::Rebuild() {
  rebuilding_ = true;
  clear();
  devices_.clear();
  sectors_.clear();
  for (int i = 0; i < 3; ++i) {
    auto* root = new QTreeWidgetItem(this, QStringList(kRootTexts[i]), kRootItem);
    root->setData(0, kKindRole, clDevice::kMaster + i);
    root->setIcon(0, TreeIcon(kRootImage));
    roots_[i] = root;
  }
  clWorkspace& workspace = doc_.Workspace();
  for (clDevice* device : *workspace.Masters().Items()) AddDevice(device);
  for (clDevice* device : *workspace.Slaves().Items()) AddDevice(device);
  for (clDevice* device : *workspace.Monitors().Items()) AddDevice(device);
  // Everything open: devices and their sectors are what the user works on.
  for (QTreeWidgetItem* root : roots_) {
    root->setExpanded(true);
    for (int i = 0; i < root->childCount(); ++i) root->child(i)->setExpanded(true);
  }
  rebuilding_ = false;
}

QTreeWidgetItem* CTreeItem::AddDevice(clDevice* device) {
  QTreeWidgetItem* root = RootItem(device->Kind());
  if (!root) return nullptr;
  auto* item = new QTreeWidgetItem(root, QStringList(QString::fromStdString(device->Name())),
                                   kDeviceItem);
  item->setData(0, kKindRole, QVariant::fromValue<void*>(device));
  item->setIcon(0, TreeIcon(DeviceImage(device->Kind())));
  devices_.insert(device, item);
  if (const clSectors* sectors = device->Sectors()) {
    for (clSector* sector : *sectors->Items()) AddSector(item, sector);
  }
  return item;
}

QTreeWidgetItem* CTreeItem::AddSector(QTreeWidgetItem* deviceItem, clSector* sector) {
  if (!deviceItem) return nullptr;
  const clDevice* device = DeviceAt(deviceItem);
  auto* item = new QTreeWidgetItem(deviceItem, QStringList(QString::fromStdString(sector->Name())),
                                   kSectorItem);
  item->setData(0, kKindRole, QVariant::fromValue<void*>(sector));
  const bool master = device && device->Kind() == clDevice::kMaster;
  item->setIcon(0, TreeIcon(master ? kMasterSectorImage : kSlaveSectorImage));
  sectors_.insert(sector, item);
  return item;
}

void CTreeItem::RemoveItem(const CHintObject& object) {
  QTreeWidgetItem* item = nullptr;
  rebuilding_ = true;
  if (object.sector) {
    item = sectors_.take(object.sector);
  } else if (object.device) {
    item = devices_.take(object.device);
    if (const clSectors* sectors = object.device->Sectors()) {
      for (clSector* sector : *sectors->Items()) sectors_.remove(sector);
    }
  }
  delete item;
  // The document's selection is gone with the object: the tree shows none either.
  setCurrentItem(nullptr);
  clearSelection();
  rebuilding_ = false;
}

void CTreeItem::SelectItem(QTreeWidgetItem* item) {
  if (!item) return;
  rebuilding_ = true;
  setCurrentItem(item);
  scrollToItem(item);
  rebuilding_ = false;
}

void CTreeItem::OnUpdate(int hint, const CHintObject& object) {
  switch (hint) {
    case kHintClosing:
      rebuilding_ = true;
      clear();
      devices_.clear();
      sectors_.clear();
      for (QTreeWidgetItem*& root : roots_) root = nullptr;
      rebuilding_ = false;
      break;
    case kHintLoaded:
      Rebuild();
      break;
    case kHintMasterAdded:
    case kHintSlaveAdded:
    case kHintMonitorAdded:
      if (QTreeWidgetItem* item = AddDevice(object.device)) {
        item->parent()->setExpanded(true);
        item->setExpanded(true);
        SelectItem(item);
      }
      break;
    case kHintMasterRenamed:
    case kHintSlaveRenamed:
    case kHintMonitorRenamed:
      if (QTreeWidgetItem* item = ItemOf(object.device))
        item->setText(0, QString::fromStdString(object.device->Name()));
      break;
    case kHintMasterSectorAdded:
    case kHintSlaveSectorAdded:
      if (QTreeWidgetItem* item = AddSector(ItemOf(object.device), object.sector)) {
        item->parent()->setExpanded(true);
        SelectItem(item);
      }
      break;
    case kHintDeleted:
      RemoveItem(object);
      break;
    case kHintExpand: {
      QTreeWidgetItem* item = object.sector ? ItemOf(object.sector) : ItemOf(object.device);
      if (item) {
        item->setExpanded(true);
        SelectItem(item);
      }
      break;
    }
    default:
      break;  // selections, refresh ticks, renamed sectors and new tags: nothing here
  }
}

void CTreeItem::OnCurrentItemChanged(QTreeWidgetItem* current) {
  if (rebuilding_ || !current) return;
  RecordSelection(current);
}

void CTreeItem::RecordSelection(QTreeWidgetItem* item) {
  switch (item->type()) {
    case kRootItem:
      doc_.SelectRoot(item->data(0, kKindRole).toInt());
      break;
    case kDeviceItem:
      doc_.SelectDevice(DeviceAt(item));
      break;
    case kSectorItem:
      doc_.SelectSector(SectorAt(item));
      break;
    default:
      break;
  }
}

QMenu* CTreeItem::ContextMenuFor(QTreeWidgetItem* item) {
  if (!menu_) menu_ = new QMenu(this);
  menu_->clear();
  if (!item) return menu_;
  for (CCommand command : MenuCommands(item, DeviceAt(item))) {
    QAction* shared = commandAction_ ? commandAction_(command) : nullptr;
    QAction* entry = menu_->addAction(EntryText(command));
    entry->setEnabled(doc_.IsEnabled(command));
    if (shared) {
      entry->setIcon(shared->icon());
      connect(entry, &QAction::triggered, shared, &QAction::trigger);
    } else {
      connect(entry, &QAction::triggered, this, [this, command] { doc_.Run(command); });
    }
  }
  return menu_;
}

void CTreeItem::contextMenuEvent(QContextMenuEvent* event) {
  QTreeWidgetItem* item = itemAt(viewport()->mapFromGlobal(event->globalPos()));
  if (!item) return;
  // A right click selects the item under the cursor before its menu opens.
  SelectItem(item);
  RecordSelection(item);
  ContextMenuFor(item)->popup(event->globalPos());
}

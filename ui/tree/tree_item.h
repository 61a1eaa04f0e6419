#pragma once
#include <QHash>
#include <QTreeWidget>
#include <functional>

#include "ui/document/doc.h"

class QMenu;

// The workspace tree, the left pane: the three roots "IEC 870-5-101 Master",
// "... Slave" and "... Monitor", the devices under them and the sectors of
// masters and slaves. A view of CDoc: it rebuilds or patches itself from the
// document's update hints, and reports clicks as selections to the document.
// Items are appended at the end of their parent, as they come.
class CTreeItem : public QTreeWidget {
  Q_OBJECT

 public:
  // Item roles: what an item stands for, and the object it shows.
  enum ItemKind { kRootItem = QTreeWidgetItem::UserType, kDeviceItem, kSectorItem };
  static constexpr int kKindRole = Qt::UserRole;  // clDevice::Kind of a root item

  // commandAction gives the frame's action of a command, so that the context
  // menus share their enabling with the main menus.
  CTreeItem(CDoc& doc, std::function<QAction*(CCommand)> commandAction,
            QWidget* parent = nullptr);

  // The item that shows the device or sector; null when none does.
  QTreeWidgetItem* ItemOf(const clDevice* device) const { return devices_.value(device); }
  QTreeWidgetItem* ItemOf(const clSector* sector) const { return sectors_.value(sector); }
  QTreeWidgetItem* RootItem(int kind) const;
  // The context menu the item gets on a right click (built, not shown).
  QMenu* ContextMenuFor(QTreeWidgetItem* item);
  // The device or sector an item shows (null for a root).
  clDevice* DeviceAt(QTreeWidgetItem* item) const;
  clSector* SectorAt(QTreeWidgetItem* item) const;

 public slots:
  void OnUpdate(int hint, const CHintObject& object);

 protected:
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  void Rebuild();
  QTreeWidgetItem* AddDevice(clDevice* device);
  QTreeWidgetItem* AddSector(QTreeWidgetItem* deviceItem, clSector* sector);
  void RemoveItem(const CHintObject& object);
  void SelectItem(QTreeWidgetItem* item);
  void OnCurrentItemChanged(QTreeWidgetItem* current);
  // Tells the document what the item stands for.
  void RecordSelection(QTreeWidgetItem* item);

  CDoc& doc_;
  std::function<QAction*(CCommand)> commandAction_;
  QMenu* menu_ = nullptr;
  QTreeWidgetItem* roots_[3] = {};
  QHash<const clDevice*, QTreeWidgetItem*> devices_;
  QHash<const clSector*, QTreeWidgetItem*> sectors_;
  // Set while the tree rebuilds or selects on the document's behalf: selection
  // changes then are not reported back.
  bool rebuilding_ = false;
};

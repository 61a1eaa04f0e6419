#include "ui/list/item_list.h"

#include <QHeaderView>
#include <algorithm>
#include <cmath>
#include <QLineEdit>
#include <QMenu>
#include <QScrollBar>
#include <QVBoxLayout>

#include "model/workspace.h"
#include "ui/list/item_list_delegate.h"
#include "ui/list/item_list_model.h"
#include "ui/list/item_list_proxy.h"
#include "ui/list/item_table.h"

namespace {

CListLayoutId ChannelLayout(int kind) {
  return kind == clDevice::kMaster  ? CListLayoutId::kChannelMaster
         : kind == clDevice::kSlave ? CListLayoutId::kChannelSlave
                                    : CListLayoutId::kChannelMonitor;
}

bool IsChannelLayout(CListLayoutId layout) {
  return layout == CListLayoutId::kChannelMaster || layout == CListLayoutId::kChannelSlave ||
         layout == CListLayoutId::kChannelMonitor;
}

template <class List>
std::vector<CHintObject> DeviceRows(const List& list) {
  std::vector<CHintObject> rows;
  for (clDevice* device : *list.Items()) rows.push_back({device});
  return rows;
}

// The context menu's entries and the texts they show there.
struct MenuEntry {
  CCommand command;
  const char* text;
  bool tagsOnly;
};
constexpr MenuEntry kMenuEntries[] = {
    {CCommand::kCut, "Cut", false},
    {CCommand::kCopy, "Copy", false},
    {CCommand::kPaste, "Paste", false},
    {CCommand::kDeleteRows, "Delete", false},
    {CCommand::kTagProperties, "Properties", true},
    {CCommand::kWrite, "Write", true},
};

}  // namespace

CItemList::CItemList(CDoc& doc, std::function<QAction*(CCommand)> commandAction, QWidget* parent)
    : QWidget(parent), doc_(doc), commandAction_(std::move(commandAction)) {
  filter_ = new QLineEdit(this);
  filter_->setPlaceholderText("Filter by name, type or IOA");
  filter_->setClearButtonEnabled(true);
  view_ = new CItemTable(this);
  model_ = new CItemListModel(doc_, this);
  proxy_ = new CItemListProxy(*model_, this);
  view_->setModel(proxy_);
  view_->setItemDelegate(new CItemListDelegate(view_));
  view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view_->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                         QAbstractItemView::AnyKeyPressed);
  view_->setWordWrap(false);
  view_->setContextMenuPolicy(Qt::CustomContextMenu);
  // A fixed row height: the view never measures rows, whatever their number.
  QHeaderView* rows = view_->verticalHeader();
  rows->setSectionResizeMode(QHeaderView::Fixed);
  rows->setDefaultSectionSize(fontMetrics().height() + kRowPadding);
  rows->hide();
  // A cell's text has a margin of a few pixels on either side.
  constexpr int kCellMargins = 10;
  const int timeStamp = view_->fontMetrics().horizontalAdvance(kWidestTimeStamp) + kCellMargins;
  widthScale_ = std::max(1.0, static_cast<double>(timeStamp) / kStoredTimeStampWidth);
  QHeaderView* columns = view_->horizontalHeader();
  columns->setSectionResizeMode(QHeaderView::Interactive);
  columns->setStretchLastSection(false);
  columns->setHighlightSections(false);
  // Unsorted until the user clicks a header; a third click returns to the
  // workspace's own order.
  columns->setSortIndicatorClearable(true);
  columns->setSortIndicator(-1, Qt::AscendingOrder);
  view_->setSortingEnabled(true);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(2);
  layout->addWidget(filter_);
  layout->addWidget(view_);

  connect(filter_, &QLineEdit::textChanged, proxy_, &CItemListProxy::SetFilterText);
  connect(columns, &QHeaderView::sectionResized, this,
          [this](int column, int, int width) { OnColumnResized(column, width); });
  connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { doc_.ListSelectionChanged(); });
  connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this] { OnCurrentChanged(); });
  connect(view_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    ContextMenu()->popup(view_->viewport()->mapToGlobal(at));
  });
  connect(view_, &CItemTable::DeletePressed, this, [this] { doc_.Run(CCommand::kDeleteRows); });
  connect(&doc_, &CDoc::Updated, this, &CItemList::OnUpdate);
  // Devices start and stop on commands and on their own: the state column follows.
  connect(&doc_, &CDoc::StateChanged, this, [this] {
    if (IsChannelLayout(model_->Layout()) && !view_->Editing())
      model_->Refresh();
  });
  doc_.SetListView(this);
}

CItemList::~CItemList() {
  if (doc_.ListView() == this) doc_.SetListView(nullptr);
}

QSortFilterProxyModel* CItemList::Proxy() const { return proxy_; }

// ---- CListView ----

CListLayoutId CItemList::Layout() const { return model_->Layout(); }

bool CItemList::HasSelectedRows() const { return view_->selectionModel()->hasSelection(); }

std::vector<CHintObject> CItemList::SelectedRows() const {
  QModelIndexList selected = view_->selectionModel()->selectedRows();
  std::sort(selected.begin(), selected.end(),
            [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
  std::vector<CHintObject> rows;
  rows.reserve(static_cast<size_t>(selected.size()));
  for (const QModelIndex& index : selected)
    rows.push_back(model_->RowObject(proxy_->mapToSource(index).row()));
  return rows;
}

bool CItemList::FocusCell(int* row, int* column) const {
  const QModelIndex current = view_->currentIndex();
  if (!current.isValid()) return false;
  *row = current.row();
  *column = current.column();
  return true;
}

int CItemList::RowCount() const { return proxy_->rowCount(); }

CHintObject CItemList::RowAt(int row) const {
  return model_->RowObject(proxy_->mapToSource(proxy_->index(row, 0)).row());
}

void CItemList::ForgetRows(const std::vector<CHintObject>& rows) {
  model_->RemoveRows(rows);
  doc_.ListSelectionChanged();
}

// ---- Update hints ----

bool CItemList::Showing(CListLayoutId layout, const CHintObject& owner) const {
  return model_->Layout() == layout && owner_.device == owner.device &&
         owner_.sector == owner.sector;
}

void CItemList::OnUpdate(int hint, const CHintObject& object) {
  switch (hint) {
    case kHintClosing:
    case kHintLoaded:
      Fill(CListLayoutId::kNone, {}, {});
      break;
    case kHintMasterRootSelected:
      FillDevices(clDevice::kMaster);
      break;
    case kHintSlaveRootSelected:
      FillDevices(clDevice::kSlave);
      break;
    case kHintMonitorRootSelected:
      FillDevices(clDevice::kMonitor);
      break;
    case kHintMasterRootRefresh:
      Refresh(CListLayoutId::kChannelMaster, {});
      break;
    case kHintSlaveRootRefresh:
      Refresh(CListLayoutId::kChannelSlave, {});
      break;
    case kHintMasterAdded:
    case kHintSlaveAdded:
    case kHintMonitorAdded:
      if (Showing(ChannelLayout(object.device->Kind()), {})) model_->AppendRow({object.device});
      break;
    case kHintMasterSelected:
    case kHintSlaveSelected:
      FillSectors(object.device);
      break;
    case kHintMonitorSelected:
      FillTags(object.device, nullptr);
      break;
    case kHintMonitorRefresh:
      Refresh(CListLayoutId::kDeviceMonitor, {object.device});
      break;
    case kHintMasterSectorAdded:
    case kHintSlaveSectorAdded:
      if (Showing(CListLayoutId::kSector, {object.device}))
        model_->AppendRow({object.device, object.sector});
      break;
    case kHintMasterSectorSelected:
    case kHintSlaveSectorSelected:
      FillTags(object.device, object.sector);
      break;
    case kHintMasterSectorRefresh:
      Refresh(CListLayoutId::kTagMaster, {object.device, object.sector});
      break;
    case kHintSlaveSectorRefresh:
      Refresh(CListLayoutId::kTagSlave, {object.device, object.sector});
      break;
    case kHintMasterTagAdded:
    case kHintSlaveTagAdded: {
      const CListLayoutId layout =
          hint == kHintMasterTagAdded ? CListLayoutId::kTagMaster : CListLayoutId::kTagSlave;
      if (Showing(layout, {object.device, object.sector})) model_->AppendRow(object);
      break;
    }
    case kHintMasterRenamed:
    case kHintSlaveRenamed:
    case kHintMonitorRenamed:
      model_->RowChanged(object.device);
      break;
    case kHintMasterSectorRenamed:
    case kHintSlaveSectorRenamed:
      model_->RowChanged(object.sector);
      break;
    case kHintDeleted:
      Remove(object);
      break;
    default:
      break;
  }
}

void CItemList::Fill(CListLayoutId layout, const CHintObject& owner, std::vector<CHintObject> rows,
                     const clTags* tags) {
  // The user's place in a table shown again.
  const bool again = layout != CListLayoutId::kNone && Showing(layout, owner);
  const void* current = nullptr;
  int currentColumn = 0;
  QList<const void*> selected;
  const int scroll = view_->verticalScrollBar()->value();
  if (again) {
    const QModelIndex index = proxy_->mapToSource(view_->currentIndex());
    if (index.isValid()) {
      const CHintObject& row = model_->RowObject(index.row());
      current = row.tag ? static_cast<const void*>(row.tag)
                : row.sector ? static_cast<const void*>(row.sector)
                             : static_cast<const void*>(row.device);
      currentColumn = index.column();
    }
    for (const CHintObject& row : SelectedRows())
      selected.append(row.tag ? static_cast<const void*>(row.tag)
                      : row.sector ? static_cast<const void*>(row.sector)
                                   : static_cast<const void*>(row.device));
  } else if (ListLayout(layout).rows != ListLayout(model_->Layout()).rows) {
    // A filter for tags means nothing to a table of devices.
    filter_->clear();
  }
  applyingWidths_ = true;
  model_->SetRows(layout, std::move(rows), tags, owner);
  owner_ = owner;
  ApplyColumnWidths();
  applyingWidths_ = false;
  if (again) {
    QItemSelection selection;
    for (const void* object : selected) {
      const int row = model_->RowOf(object);
      if (row < 0) continue;
      const QModelIndex at = proxy_->mapFromSource(model_->index(row, 0));
      if (at.isValid()) selection.select(at, at);
    }
    view_->selectionModel()->select(selection,
                                    QItemSelectionModel::Select | QItemSelectionModel::Rows);
    const int row = model_->RowOf(current);
    if (row >= 0) {
      view_->selectionModel()->setCurrentIndex(
          proxy_->mapFromSource(model_->index(row, currentColumn)), QItemSelectionModel::NoUpdate);
    }
    view_->verticalScrollBar()->setValue(scroll);
  }
  doc_.ListSelectionChanged();
}

void CItemList::FillDevices(int kind) {
  clWorkspace& workspace = doc_.Workspace();
  std::vector<CHintObject> rows = kind == clDevice::kMaster  ? DeviceRows(workspace.Masters())
                                  : kind == clDevice::kSlave ? DeviceRows(workspace.Slaves())
                                                             : DeviceRows(workspace.Monitors());
  Fill(ChannelLayout(kind), {}, std::move(rows));
}

void CItemList::FillSectors(clDevice* device) {
  std::vector<CHintObject> rows;
  if (device && device->Sectors()) {
    for (clSector* sector : *device->Sectors()->Items()) rows.push_back({device, sector});
  }
  Fill(CListLayoutId::kSector, {device}, std::move(rows));
}

void CItemList::FillTags(clDevice* device, clSector* sector) {
  if (!device) return;
  const clTags* tags = sector ? &sector->Tags() : device->Tags();
  if (!tags) return;
  std::vector<CHintObject> rows;
  const auto snapshot = tags->Items();
  rows.reserve(snapshot.size());
  for (clTag* tag : snapshot) rows.push_back({device, sector, tag});
  const CListLayoutId layout = !sector                               ? CListLayoutId::kDeviceMonitor
                               : device->Kind() == clDevice::kMaster ? CListLayoutId::kTagMaster
                                                                     : CListLayoutId::kTagSlave;
  Fill(layout, {device, sector}, std::move(rows), tags);
}

void CItemList::Refresh(CListLayoutId layout, const CHintObject& owner) {
  if (!Showing(layout, owner)) return;
  // Never under an open editor: the user's typing stays as it is.
  if (view_->Editing()) return;
  model_->Refresh();
}

void CItemList::Remove(const CHintObject& object) {
  const bool ownerGone = object.sector ? owner_.sector == object.sector
                                       : object.device && owner_.device == object.device;
  if (ownerGone) {
    Fill(CListLayoutId::kNone, {}, {});
    return;
  }
  model_->RemoveRowsOf(object.device, object.sector);
  doc_.ListSelectionChanged();
}

// ---- Column widths ----

void CItemList::ApplyColumnWidths() {
  const CListLayout& layout = model_->LayoutInfo();
  const clColumnWidths& widths = doc_.Workspace().ColumnWidths();
  for (size_t column = 0; column < layout.columns.size(); ++column) {
    const auto c = static_cast<int32_t>(column);
    view_->setColumnWidth(c, static_cast<int>(std::lround(widths.Width(layout.name, c) * widthScale_)));
  }
}

void CItemList::OnColumnResized(int column, int width) {
  if (applyingWidths_ || model_->Layout() == CListLayoutId::kNone) return;
  doc_.Workspace().ColumnWidths().SetWidth(model_->LayoutInfo().name, column,
                                           static_cast<int32_t>(std::lround(width / widthScale_)));
}

// ---- Selection, keys and menu ----

void CItemList::OnCurrentChanged() {
  const CListLayout& layout = model_->LayoutInfo();
  if (layout.rows != CRowKind::kTag) return;
  const QModelIndex index = proxy_->mapToSource(view_->currentIndex());
  doc_.SelectTag(index.isValid() ? model_->RowObject(index.row()).tag : nullptr);
}

QMenu* CItemList::ContextMenu() {
  if (!menu_) menu_ = new QMenu(this);
  menu_->clear();
  const bool tags = model_->LayoutInfo().rows == CRowKind::kTag;
  for (const MenuEntry& entry : kMenuEntries) {
    if (entry.tagsOnly && !tags) continue;
    QAction* shared = commandAction_ ? commandAction_(entry.command) : nullptr;
    QAction* item = menu_->addAction(entry.text);
    item->setEnabled(doc_.IsEnabled(entry.command));
    if (shared) {
      item->setIcon(shared->icon());
      connect(item, &QAction::triggered, shared, &QAction::trigger);
    } else {
      const CCommand command = entry.command;
      connect(item, &QAction::triggered, this, [this, command] { doc_.Run(command); });
    }
  }
  return menu_;
}

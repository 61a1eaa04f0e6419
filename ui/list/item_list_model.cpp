#include "ui/list/item_list_model.h"

#include <QTimer>

#include "model/workspace.h"
#include "ui/document/doc.h"

namespace {

// Columns whose cells sort by number rather than by text.
bool SortsAsNumber(std::string_view key) {
  for (const char* k : {"ioa", "linkaddr", "size-linkaddr", "size-sector", "size-ioa", "size-cot",
                        "sector", "rawmin", "rawmax", "engmin", "engmax", "scale_factor"})
    if (key == k) return true;
  return false;
}

}  // namespace

CItemListModel::CItemListModel(CDoc& doc, QObject* parent) : QAbstractTableModel(parent), doc_(doc) {}

const void* CItemListModel::Key(const CListLayout& layout, const CHintObject& object) {
  switch (layout.rows) {
    case CRowKind::kDevice:
      return object.device;
    case CRowKind::kSector:
      return object.sector;
    case CRowKind::kTag:
      return object.tag;
    case CRowKind::kNone:
      break;
  }
  return nullptr;
}

CItemListModel::Live CItemListModel::ReadLive(const CHintObject& object) const {
  Live live;
  if (object.tag) {
    const clTag& tag = *object.tag;
    live.value = tag.Value();
    live.quality = tag.Quality();
    live.cause = tag.Cause();
    live.command = tag.CommandState();
    live.time = tag.TimeStamp();
  } else if (object.device && !object.sector) {
    live.running = object.device->IsRunning();
  }
  return live;
}

void CItemListModel::RebuildIndex() {
  index_.clear();
  index_.reserve(static_cast<qsizetype>(rows_.size()));
  const CListLayout& layout = LayoutInfo();
  for (size_t i = 0; i < rows_.size(); ++i)
    index_.insert(Key(layout, rows_[i].object), static_cast<int>(i));
}

void CItemListModel::SetRows(CListLayoutId layout, std::vector<CHintObject> rows,
                             const clTags* tags, const CHintObject& owner) {
  beginResetModel();
  layout_ = layout;
  std::vector<Row>().swap(rows_);  // a small table after a big one gives the memory back
  rows_.reserve(rows.size());
  for (const CHintObject& object : rows) rows_.push_back({object, ReadLive(object)});
  tags_ = tags;
  owner_ = owner;
  tagsSeen_ = tags ? tags->Count() : 0;
  firstLive_ = lastLive_ = -1;
  const CListLayout& info = LayoutInfo();
  for (size_t c = 0; c < info.columns.size(); ++c) {
    if (!info.columns[c].live) continue;
    if (firstLive_ < 0) firstLive_ = static_cast<int>(c);
    lastLive_ = static_cast<int>(c);
  }
  RebuildIndex();
  endResetModel();
}

void CItemListModel::AppendRow(const CHintObject& row) {
  const void* key = Key(LayoutInfo(), row);
  if (!key || index_.contains(key)) return;
  const int at = static_cast<int>(rows_.size());
  beginInsertRows(QModelIndex(), at, at);
  rows_.push_back({row, ReadLive(row)});
  index_.insert(key, at);
  endInsertRows();
  if (tags_) tagsSeen_ = tags_->Count();
}

void CItemListModel::RemoveRowsOf(const clDevice* device, const clSector* sector) {
  std::vector<bool> gone(rows_.size());
  for (size_t i = 0; i < rows_.size(); ++i) {
    const CHintObject& object = rows_[i].object;
    gone[i] = sector ? object.sector == sector : object.device == device;
  }
  RemoveMarked(gone);
}

void CItemListModel::RemoveRows(const std::vector<CHintObject>& objects) {
  const CListLayout& layout = LayoutInfo();
  std::vector<bool> gone(rows_.size());
  for (const CHintObject& object : objects) {
    const int row = RowOf(Key(layout, object));
    if (row >= 0) gone[static_cast<size_t>(row)] = true;
  }
  RemoveMarked(gone);
}

void CItemListModel::RemoveMarked(const std::vector<bool>& gone) {
  bool removed = false;
  for (int last = static_cast<int>(rows_.size()) - 1; last >= 0; --last) {
    if (!gone[static_cast<size_t>(last)]) continue;
    int first = last;
    while (first > 0 && gone[static_cast<size_t>(first - 1)]) --first;
    beginRemoveRows(QModelIndex(), first, last);
    rows_.erase(rows_.begin() + first, rows_.begin() + last + 1);
    endRemoveRows();
    removed = true;
    last = first;
  }
  if (removed) RebuildIndex();
}

void CItemListModel::RowChanged(const void* object) {
  const int row = RowOf(object);
  if (row < 0) return;
  emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

void CItemListModel::AppendTagsAddedBy(const clTags& tags) {
  const auto snapshot = tags.Items();
  if (snapshot.size() <= tagsSeen_) return;
  const int first = static_cast<int>(rows_.size());
  const int last = first + static_cast<int>(snapshot.size() - tagsSeen_) - 1;
  beginInsertRows(QModelIndex(), first, last);
  for (size_t i = tagsSeen_; i < snapshot.size(); ++i) {
    CHintObject object{owner_.device, owner_.sector, snapshot[i]};
    index_.insert(object.tag, static_cast<int>(rows_.size()));
    rows_.push_back({object, ReadLive(object)});
  }
  tagsSeen_ = snapshot.size();
  endInsertRows();
}

int CItemListModel::Refresh() {
  if (firstLive_ < 0) return 0;
  std::vector<int> changed;
  for (size_t i = 0; i < rows_.size(); ++i) {
    Row& row = rows_[i];
    const Live now = ReadLive(row.object);
    if (now == row.live) continue;
    row.live = now;
    changed.push_back(static_cast<int>(i));
  }
  SignalLiveChanges(changed);
  // A running master or monitor adds tags for objects it sees for the first
  // time; they join the table at the end.
  if (tags_) AppendTagsAddedBy(*tags_);
  return static_cast<int>(changed.size());
}

void CItemListModel::SignalLiveChanges(const std::vector<int>& changed) {
  if (changed.empty()) return;
  const QList<int> roles = {Qt::DisplayRole, Qt::EditRole};
  const auto signal = [&](int first, int last) {
    emit dataChanged(index(first, firstLive_), index(last, lastLive_), roles);
  };
  if (changed.size() * 2 > rows_.size()) {
    signal(changed.front(), changed.back());
    return;
  }
  size_t start = 0;
  for (size_t i = 1; i <= changed.size(); ++i) {
    if (i < changed.size() && changed[i] == changed[i - 1] + 1) continue;
    signal(changed[start], changed[i - 1]);
    start = i;
  }
}

int CItemListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CItemListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(LayoutInfo().columns.size());
}

QVariant CItemListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const CListLayout& layout = LayoutInfo();
  const CHintObject& object = RowObject(index.row());
  const int column = index.column();
  const bool check = CellKind(layout, column, object) == CCellKind::kCheck;
  switch (role) {
    case Qt::DisplayRole:
      if (check) return {};
      [[fallthrough]];
    case Qt::EditRole:
      return QString::fromStdString(CellText(layout, column, object));
    case Qt::CheckStateRole:
      if (!check) return {};
      return CellText(layout, column, object) == "enable" ? Qt::Checked : Qt::Unchecked;
    case kChoicesRole: {
      QStringList choices;
      for (const std::string& choice :
           CellChoices(layout, column, object, doc_.Workspace()))
        choices.append(QString::fromStdString(choice));
      return choices;
    }
    case kSortRole: {
      if (IsValueColumn(layout, column) && object.tag) return object.tag->Value();
      const std::string text = CellText(layout, column, object);
      if (SortsAsNumber(layout.columns[static_cast<size_t>(column)].key))
        return QString::fromStdString(text).toDouble();
      return QString::fromStdString(text);
    }
    default:
      return {};
  }
}

QVariant CItemListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  const CListLayout& layout = LayoutInfo();
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      static_cast<size_t>(section) >= layout.columns.size())
    return QAbstractTableModel::headerData(section, orientation, role);
  return QString(layout.columns[static_cast<size_t>(section)].title);
}

Qt::ItemFlags CItemListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
  const CListLayout& layout = LayoutInfo();
  const CHintObject& object = RowObject(index.row());
  if (!CellEditable(layout, index.column(), object)) return flags;
  if (CellKind(layout, index.column(), object) == CCellKind::kCheck)
    return flags | Qt::ItemIsUserCheckable;
  return flags | Qt::ItemIsEditable;
}

bool CItemListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= rowCount()) return false;
  QString text;
  if (role == Qt::CheckStateRole) {
    text = value.toInt() == Qt::Checked ? "enable" : "disable";
  } else if (role == Qt::EditRole) {
    text = value.toString();
  } else {
    return false;
  }
  const void* key = Key(LayoutInfo(), RowObject(index.row()));
  const int column = index.column();
  // After the editor has closed; the row may be gone by then.
  QTimer::singleShot(0, this, [this, key, column, text] { ApplyEdit(key, column, text); });
  return true;
}

void CItemListModel::ApplyEdit(const void* key, int column, const QString& text) {
  const int row = RowOf(key);
  if (row < 0) return;
  doc_.EditCell(layout_, column, RowObject(row), text);
  // The document may have shown a message or changed the table meanwhile.
  const int now = RowOf(key);
  if (now < 0) return;
  rows_[static_cast<size_t>(now)].live = ReadLive(RowObject(now));
  RowChanged(key);
}

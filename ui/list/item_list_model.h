#pragma once
#include <QAbstractTableModel>
#include <QHash>
#include <vector>

#include "model/tag_text.h"
#include "ui/document/list_layout.h"

class CDoc;
class clTags;

// The table behind the workspace list: one row per device, sector or tag of the
// layout shown, in the order the workspace holds them (a sorted view sorts a
// proxy of it, never this order).
//
// Rows are a vector with a map from each row's object to its index. Cell texts
// are read from the objects when shown; for the live columns the model keeps a
// small snapshot of the fields behind them, so that Refresh finds the rows that
// changed without formatting any text, and signals dataChanged for those rows
// (runs of neighbours as one range, or one range when most rows changed).
//
// Edits in place are handed to the document after the editor has closed, so a
// refusal's message never meets an open editor. User-interface thread only.
class CItemListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kChoicesRole = Qt::UserRole + 1;  // QStringList for a choice cell
  static constexpr int kSortRole = Qt::UserRole + 2;     // numbers sort as numbers

  explicit CItemListModel(CDoc& doc, QObject* parent = nullptr);

  // Shows `rows` in `layout`. A tag table names the list its rows come from and
  // the device and sector that hold it, so that Refresh can pick up the tags a
  // running device appends to it.
  void SetRows(CListLayoutId layout, std::vector<CHintObject> rows, const clTags* tags = nullptr,
               const CHintObject& owner = {});
  void Clear() { SetRows(CListLayoutId::kNone, {}); }
  void AppendRow(const CHintObject& row);
  // Removes the rows of a device or sector (a device's sectors and tags too).
  void RemoveRowsOf(const clDevice* device, const clSector* sector);
  // Removes the rows of these objects, without looking into them.
  void RemoveRows(const std::vector<CHintObject>& objects);
  // Re-reads one row's cells (after a rename).
  void RowChanged(const void* object);
  // Re-reads the live columns; returns how many rows changed.
  int Refresh();

  CListLayoutId Layout() const { return layout_; }
  const CListLayout& LayoutInfo() const { return ListLayout(layout_); }
  const CHintObject& RowObject(int row) const { return rows_[static_cast<size_t>(row)].object; }
  // Row of a device, sector or tag; -1 when not shown.
  int RowOf(const void* object) const { return index_.value(object, -1); }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

 private:
  // The fields behind the live columns.
  struct Live {
    double value = 0;
    int32_t quality = 0;
    int32_t cause = 0;
    int32_t command = 0;
    clTimeStamp time;
    bool running = false;
    bool operator==(const Live&) const = default;
  };
  struct Row {
    CHintObject object;
    Live live;
  };
  static const void* Key(const CListLayout& layout, const CHintObject& object);
  Live ReadLive(const CHintObject& object) const;
  void RebuildIndex();
  void AppendTagsAddedBy(const clTags& tags);
  // Removes the rows marked, a run of neighbours at a time.
  void RemoveMarked(const std::vector<bool>& gone);
  void SignalLiveChanges(const std::vector<int>& changed);
  void ApplyEdit(const void* key, int column, const QString& text);

  CDoc& doc_;
  CListLayoutId layout_ = CListLayoutId::kNone;
  std::vector<Row> rows_;
  QHash<const void*, int> index_;
  const clTags* tags_ = nullptr;  // the list a tag table shows
  CHintObject owner_;             // and its device and sector
  size_t tagsSeen_ = 0;           // its entries shown so far
  int firstLive_ = -1;            // the live columns, first and last
  int lastLive_ = -1;
};

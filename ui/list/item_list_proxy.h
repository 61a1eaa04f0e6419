#pragma once
#include <QSortFilterProxyModel>

class CItemListModel;

// What the workspace list shows of its table: the rows that match the filter
// box, in the order of the column the user sorted by (or the table's own order).
// A row matches when its name or its type contains the filter text (letter case
// aside), or when the text is its IOA ("1234" or "0/4/210") or, for a sector,
// its common address.
class CItemListProxy : public QSortFilterProxyModel {
  Q_OBJECT

 public:
  explicit CItemListProxy(CItemListModel& model, QObject* parent = nullptr);

  void SetFilterText(const QString& text);

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  CItemListModel& model_;
  QString text_;
};

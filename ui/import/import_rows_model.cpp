#include "ui/import/import_rows_model.h"

#include <iterator>

CImportRowsModel::CImportRowsModel(bool master, QObject* parent)
    : QAbstractTableModel(parent), master_(master) {}

const CImportColumn* CImportRowsModel::Columns() const {
  return master_ ? kMasterImportColumns : kSlaveImportColumns;
}

void CImportRowsModel::SetRows(std::vector<clImportRow> rows) {
  beginResetModel();
  rows_ = std::move(rows);
  texts_.clear();
  texts_.reserve(rows_.size());
  for (const clImportRow& row : rows_) {
    QStringList texts;
    for (const std::string& text : ImportRowCells(row, master_))
      texts.append(QString::fromStdString(text));
    texts_.push_back(std::move(texts));
  }
  ticked_.assign(rows_.size(), 1);
  endResetModel();
}

void CImportRowsModel::Clear() { SetRows({}); }

void CImportRowsModel::TickAll(bool ticked) {
  if (rows_.empty()) return;
  ticked_.assign(rows_.size(), ticked ? 1 : 0);
  emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::CheckStateRole});
}

std::vector<clImportRow> CImportRowsModel::TickedRows() const {
  std::vector<clImportRow> ticked;
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (ticked_[i]) ticked.push_back(rows_[i]);
  }
  return ticked;
}

int CImportRowsModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int CImportRowsModel::columnCount(const QModelIndex& parent) const {
  if (parent.isValid()) return 0;
  return master_ ? static_cast<int>(std::size(kMasterImportColumns))
                 : static_cast<int>(std::size(kSlaveImportColumns));
}

QVariant CImportRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const size_t row = static_cast<size_t>(index.row());
  if (role == Qt::DisplayRole) return texts_[row].value(index.column());
  if (role == Qt::CheckStateRole && index.column() == 0)
    return ticked_[row] ? Qt::Checked : Qt::Unchecked;
  return {};
}

bool CImportRowsModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.column() != 0 || role != Qt::CheckStateRole) return false;
  ticked_[static_cast<size_t>(index.row())] = value.value<Qt::CheckState>() == Qt::Checked ? 1 : 0;
  emit dataChanged(index, index, {Qt::CheckStateRole});
  return true;
}

QVariant CImportRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
      section >= columnCount())
    return {};
  return QString(Columns()[section].title);
}

Qt::ItemFlags CImportRowsModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = QAbstractTableModel::flags(index);
  if (index.column() == 0) flags |= Qt::ItemIsUserCheckable;
  return flags;
}

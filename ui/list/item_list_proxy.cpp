#include "ui/list/item_list_proxy.h"

#include "model/workspace.h"
#include "ui/list/item_list_model.h"

CItemListProxy::CItemListProxy(CItemListModel& model, QObject* parent)
    : QSortFilterProxyModel(parent), model_(model) {
  setSourceModel(&model);
  setSortRole(CItemListModel::kSortRole);
  setSortCaseSensitivity(Qt::CaseInsensitive);
  setDynamicSortFilter(true);
}

void CItemListProxy::SetFilterText(const QString& text) {
  const QString trimmed = text.trimmed();
  if (trimmed == text_) return;
  text_ = trimmed;
  invalidateRowsFilter();
}

bool CItemListProxy::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  if (text_.isEmpty()) return true;
  const CHintObject& row = model_.RowObject(sourceRow);
  const auto contains = [this](const std::string& text) {
    return QString::fromStdString(text).contains(text_, Qt::CaseInsensitive);
  };
  if (row.tag) {
    return contains(row.tag->Name()) || contains(row.tag->GetProperty("type")) ||
           text_ == QString::fromStdString(row.tag->GetProperty("ioa")) ||
           text_ == QString::fromStdString(row.tag->GetProperty("ioastructure"));
  }
  if (row.sector) {
    return contains(row.sector->Name()) ||
           text_ == QString::fromStdString(row.sector->GetProperty("sector"));
  }
  return row.device && contains(row.device->Name());
}

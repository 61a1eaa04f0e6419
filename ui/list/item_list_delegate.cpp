#include "ui/list/item_list_delegate.h"

#include <QComboBox>

#include "ui/list/item_list_model.h"

QWidget* CItemListDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                         const QModelIndex& index) const {
  const QStringList choices = index.data(CItemListModel::kChoicesRole).toStringList();
  if (choices.isEmpty()) return QStyledItemDelegate::createEditor(parent, option, index);
  auto* combo = new QComboBox(parent);
  combo->addItems(choices);
  combo->setFrame(false);
  connect(combo, &QComboBox::activated, this, [this, combo] {
    auto* self = const_cast<CItemListDelegate*>(this);
    emit self->commitData(combo);
    emit self->closeEditor(combo);
  });
  return combo;
}

void CItemListDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    const int at = combo->findText(index.data(Qt::EditRole).toString(), Qt::MatchFixedString);
    combo->setCurrentIndex(at);
    return;
  }
  QStyledItemDelegate::setEditorData(editor, index);
}

void CItemListDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                     const QModelIndex& index) const {
  if (auto* combo = qobject_cast<QComboBox*>(editor)) {
    if (combo->currentIndex() >= 0) model->setData(index, combo->currentText(), Qt::EditRole);
    return;
  }
  QStyledItemDelegate::setModelData(editor, model, index);
}

#pragma once
#include <QStyledItemDelegate>

// The in-place editors of the workspace list: a drop-down list for a choice cell
// (the model's choices role), which commits as soon as an entry is picked, and
// the usual line edit for every other cell.
class CItemListDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model,
                    const QModelIndex& index) const override;
};

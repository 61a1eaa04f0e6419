#pragma once
#include <QKeyEvent>
#include <QTableView>

// The grid of the workspace list: a table view that tells whether an editor is
// open and turns the Delete key (outside an editor) into a request.
class CItemTable : public QTableView {
  Q_OBJECT

 public:
  using QTableView::QTableView;

  bool Editing() const { return state() == QAbstractItemView::EditingState; }

 signals:
  void DeletePressed();

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Delete && !Editing()) {
      emit DeletePressed();
      event->accept();
      return;
    }
    QTableView::keyPressEvent(event);
  }
};

#pragma once
#include <QHash>
#include <QMainWindow>
#include <QTimer>

#include "ui/document/doc.h"

class QAction;
class QLabel;
class QMenu;
class QSplitter;
class CItemList;
class CTreeItem;

// The main window: menus "File", "Edit", "View", "Device", "Sector", "Tag", a
// tool bar, a status bar with the selected device's state and port, and a
// splitter with the workspace tree on the left (a quarter of the width) and the
// list on the right. Every 1250 ms it asks the document to refresh the selected
// object's live values. It closes only as the document's closing rules allow.
//
// One QAction per document command (Action), enabled from CDoc::IsEnabled in one
// place (UpdateActions) whenever the document's state changes.
class CMainFrame : public QMainWindow {
  Q_OBJECT

 public:
  static constexpr int kRefreshMs = 1250;
  static constexpr int kToolBarIconSize = 48;

  explicit CMainFrame(CDoc& doc, QWidget* parent = nullptr);
  ~CMainFrame() override;

  CDoc& Doc() { return doc_; }
  QAction* Action(CCommand command) const { return actions_.value(static_cast<int>(command)); }
  CTreeItem* Tree() const { return tree_; }
  // The workspace list, while it is the right-hand pane.
  CItemList* List() const { return list_; }
  QSplitter* Splitter() const { return splitter_; }
  QTimer& RefreshTimer() { return refreshTimer_; }
  QAction* ExitAction() const { return exit_; }
  QAction* CutAction() const { return cut_; }
  QAction* CopyAction() const { return copy_; }
  QAction* PasteAction() const { return paste_; }
  QLabel* StatusDevice() const { return statusDevice_; }

  // The right-hand pane; the frame takes it over (replacing the one before).
  void SetRightPane(QWidget* pane);
  QWidget* RightPane() const { return rightPane_; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  QAction* AddCommand(CCommand command, const QString& text, const QString& icon = QString(),
                      const QKeySequence& shortcut = QKeySequence());
  void CreateActions();
  void CreateMenus();
  void CreateToolBar();
  void CreateStatusBar();
  void UpdateActions();
  void UpdateTitle();
  void UpdateStatus();
  void UpdateRecentFiles();
  void OnStateChanged();

  CDoc& doc_;
  QHash<int, QAction*> actions_;
  QAction* exit_ = nullptr;
  QAction* cut_ = nullptr;
  QAction* copy_ = nullptr;
  QAction* paste_ = nullptr;
  QAction* recentFiles_[4] = {};
  QAction* recentSeparator_ = nullptr;
  QMenu* fileMenu_ = nullptr;
  CTreeItem* tree_ = nullptr;
  CItemList* list_ = nullptr;
  QSplitter* splitter_ = nullptr;
  QWidget* rightPane_ = nullptr;
  QLabel* statusDevice_ = nullptr;
  QTimer refreshTimer_;
  bool splitterPlaced_ = false;
  // Set once the Exit command's question was answered Yes: the close that
  // follows does not ask again.
  bool exitConfirmed_ = false;
};

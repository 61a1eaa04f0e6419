#pragma once
#include <QWidget>
#include <functional>

#include "ui/document/doc.h"
#include "ui/document/list_view.h"

class QAction;
class QLineEdit;
class QMenu;
class QSortFilterProxyModel;
class CItemListModel;
class CItemTable;
class CItemListProxy;

// The workspace list, the right-hand pane of the main window: the device table
// of a root, the sector table of a device, or the tag table of a sector or
// monitor, as the tree's selection says, in an editable grid with live values.
// A view of CDoc: it fills, patches and refreshes itself from the update hints,
// reports its tag rows and its selection to the document, and serves the
// document's "Cut", "Copy", "Paste" and "Delete" as their CListView.
//
// Above the grid a filter box keeps the rows whose name, type or IOA match; a
// click on a column header sorts by it. Both change only what is shown, never
// the workspace's order. Column widths are kept per layout in the workspace, in
// the pixels of the small dialog font the stored widths were made for (a time
// stamp fits a 135 pixel column); the list shows them scaled to its own font.
class CItemList : public QWidget, public CListView {
  Q_OBJECT

 public:
  static constexpr int kRowPadding = 6;
  // The stored width that holds a time stamp, and the text that must fit it.
  static constexpr int kStoredTimeStampWidth = 135;
  static constexpr const char* kWidestTimeStamp = "2000-12-28 20:08:08.888";

  // commandAction gives the frame's action of a command, for the context menu.
  CItemList(CDoc& doc, std::function<QAction*(CCommand)> commandAction,
            QWidget* parent = nullptr);
  ~CItemList() override;

  CItemTable* View() const { return view_; }
  QLineEdit* FilterBox() const { return filter_; }
  CItemListModel* Model() const { return model_; }
  // Shown pixels per stored pixel (1 or more).
  double WidthScale() const { return widthScale_; }
  QSortFilterProxyModel* Proxy() const;
  // The context menu for what is shown (built, not shown).
  QMenu* ContextMenu();

  // CListView
  CListLayoutId Layout() const override;
  bool HasSelectedRows() const override;
  std::vector<CHintObject> SelectedRows() const override;
  bool FocusCell(int* row, int* column) const override;
  int RowCount() const override;
  CHintObject RowAt(int row) const override;
  void ForgetRows(const std::vector<CHintObject>& rows) override;

 public slots:
  void OnUpdate(int hint, const CHintObject& object);

 private:
  // Fills the table; a table shown again for the same owner keeps the user's
  // place (current cell, selection, scroll position).
  void Fill(CListLayoutId layout, const CHintObject& owner, std::vector<CHintObject> rows,
            const clTags* tags = nullptr);
  void FillDevices(int kind);
  void FillSectors(clDevice* device);
  void FillTags(clDevice* device, clSector* sector);
  void Refresh(CListLayoutId layout, const CHintObject& owner);
  void Remove(const CHintObject& object);
  void ApplyColumnWidths();
  void OnColumnResized(int column, int width);
  void OnCurrentChanged();
  bool Showing(CListLayoutId layout, const CHintObject& owner) const;

  CDoc& doc_;
  std::function<QAction*(CCommand)> commandAction_;
  QLineEdit* filter_ = nullptr;
  CItemTable* view_ = nullptr;
  CItemListModel* model_ = nullptr;
  CItemListProxy* proxy_ = nullptr;
  QMenu* menu_ = nullptr;
  // Whose table is shown: the root's kind in device.kind terms is the layout;
  // a device for its sectors or monitor tags; a sector for its tags.
  CHintObject owner_;
  // Set while the list sets column widths itself: those are not stored.
  bool applyingWidths_ = false;
  double widthScale_ = 1;
};

#pragma once
#include <vector>

#include "ui/document/list_layout.h"

// What the workspace list shows and has selected, as the document's list
// commands ("Cut", "Copy", "Paste", "Delete") need it. The list implements it;
// headless tests implement it with plain vectors. Rows are counted in the order
// shown (sorted or filtered), from 0.
class CListView {
 public:
  virtual ~CListView() = default;

  virtual CListLayoutId Layout() const = 0;
  virtual bool HasSelectedRows() const = 0;
  // The objects of the selected rows, in the order shown.
  virtual std::vector<CHintObject> SelectedRows() const = 0;
  // The focus cell, when there is one on a data row.
  virtual bool FocusCell(int* row, int* column) const = 0;
  virtual int RowCount() const = 0;
  virtual CHintObject RowAt(int row) const = 0;
  // The objects of these rows are about to be deleted: the view lets go of
  // them now (the document then shows the table again).
  virtual void ForgetRows(const std::vector<CHintObject>& rows) = 0;
};

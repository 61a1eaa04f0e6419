#pragma once
#include <memory>
#include <string_view>
#include <vector>

#include "model/column_width.h"

// The column-width entries of the workspace, in insertion order.
// User-interface thread only.
class clColumnWidths {
 public:
  // Entry of the layout (kind compared exactly), or none.
  clColumnWidth* Find(std::string_view kind) const;
  // Width of a column of a layout; the default 50 when there is no entry.
  int32_t Width(std::string_view kind, int32_t column) const;
  // Sets a width, appending an entry (all 50) for an unknown layout; a column
  // outside 0..31 is ignored.
  void SetWidth(std::string_view kind, int32_t column, int32_t width);
  void Append(std::unique_ptr<clColumnWidth> entry) { entries_.push_back(std::move(entry)); }
  // The entries of a new workspace.
  void AddDefaults();
  void RemoveAll() { entries_.clear(); }

  size_t Count() const { return entries_.size(); }
  const clColumnWidth& At(size_t i) const { return *entries_.at(i); }

 private:
  std::vector<std::unique_ptr<clColumnWidth>> entries_;
};

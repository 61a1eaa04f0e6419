#include "workbook/sheet_cells.h"

bool clSheetCells::Put(uint64_t row, uint64_t column, std::string text) {
  if (!Inside(row, column)) return true;
  const uint64_t key = Key(row, column);
  auto found = cells_.find(key);
  const size_t old = found == cells_.end() ? 0 : found->second.size();
  if (text.empty()) {
    if (found != cells_.end()) cells_.erase(found);
    textBytes_ -= old;
    return true;
  }
  if (textBytes_ - old + text.size() > textBudget_) return false;
  if (control_) control_->NoteRow(row);
  textBytes_ = textBytes_ - old + text.size();
  if (found != cells_.end()) {
    found->second = std::move(text);
  } else {
    cells_.emplace(key, std::move(text));
  }
  return true;
}

std::string_view clSheetCells::Text(uint64_t row, uint64_t column) const {
  if (!Inside(row, column)) return {};
  auto found = cells_.find(Key(row, column));
  return found == cells_.end() ? std::string_view() : std::string_view(found->second);
}

void clSheetCells::Clear() {
  cells_.clear();
  textBytes_ = 0;
}

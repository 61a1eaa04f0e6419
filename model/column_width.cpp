#include "model/column_width.h"

int32_t clColumnWidth::Width(int32_t column) const {
  if (column < 0 || column >= kColumns) return kDefaultWidth;
  return widths_[static_cast<size_t>(column)];
}

void clColumnWidth::SetWidth(int32_t column, int32_t width) {
  if (column < 0 || column >= kColumns) return;
  widths_[static_cast<size_t>(column)] = width;
}

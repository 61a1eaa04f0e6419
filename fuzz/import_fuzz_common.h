// Shared by the workbook fuzz targets: what every read must promise, and the
// import run on whatever cells a read delivers.
#pragma once
#include <cstdlib>
#include <string_view>

#include "model/tag_import.h"
#include "model/workspace.h"
#include "workbook/cell_text.h"
#include "workbook/sheet_cells.h"

// The window and budget of a tag import.
inline clSheetCells ImportWindow() { return clSheetCells(kImportRowEnd - 1, kImportColumnCount); }

// A failed read may leave part of the sheet (the facade clears it); a good one
// holds only cells inside the window with text no longer than a cell holds.
// Either way the rows read from it must import into a master and a slave.
inline void CheckAndImport(const clSheetCells& cells) {
  if (cells.TextBytes() > clSheetCells::kDefaultTextBudget) std::abort();
  const auto cell = [&cells](int32_t row, int32_t column) {
    const std::string_view text = cells.Text(row, column);
    if (text.size() > kMaxCellTextBytes) std::abort();
    return text;
  };
  const std::vector<clImportRow> rows = ReadImportRows(cell);
  if (rows.size() > static_cast<size_t>(kImportRowEnd - kImportFirstRow)) std::abort();
  clWorkspace ws;
  clDevice* master = ws.CommitDevice(ws.NewMaster());
  clDevice* slave = ws.CommitDevice(ws.NewSlave());
  const std::string expected = rows.empty() ? kNoItemSelected : "";
  if (ImportTags(ws, *master, rows) != expected || ImportTags(ws, *slave, rows) != expected)
    std::abort();
  size_t tags = 0;
  for (const clSector* sector : slave->Sectors()->Items()) tags += sector->Tags().Count();
  if (tags != rows.size()) std::abort();
}

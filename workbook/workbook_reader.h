#pragma once
// Reads the cells of worksheet 1 (the first worksheet in the workbook's own
// order) of a spreadsheet file as text, without a spreadsheet program:
// .xlsx/.xlsm (Office Open XML), .xls (Excel 97-2003), .ods (OpenDocument) and
// .csv (comma or semicolon separated, UTF-8 or Windows-1252). The format is
// told by the file's content; text without the mark of any workbook format is
// read as CSV. See cell_text.h for the text of each kind of cell.
//
// Any file may be damaged or crafted: the reader refuses what it cannot read
// with one message that names the file and the reason, bounds what it unpacks
// and keeps, and never allocates by a size or position a file declares.
#include <cstddef>
#include <cstdint>
#include <string>

#include "workbook/sheet_cells.h"

// Files above this size are refused rather than read.
inline constexpr size_t kMaxWorkbookFileBytes = size_t{128} << 20;

// Fills `cells` (cleared first, and left empty on failure) from the file at
// `path`. Returns "" or "cannot read workbook '<path>': <reason>".
std::string ReadWorkbookFile(const std::string& path, clSheetCells& cells);
// The same for a file's bytes; `path` names the file in the message.
std::string ReadWorkbookBytes(const uint8_t* data, size_t size, const std::string& path,
                              clSheetCells& cells);

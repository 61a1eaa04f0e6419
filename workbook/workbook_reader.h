#pragma once
// Reads the cells of worksheet 1 (the first worksheet in the workbook's own
// order) of a spreadsheet file as text, without a spreadsheet program:
// .xlsx/.xlsm (Office Open XML), .xls (Excel 97-2003), .ods (OpenDocument) and
// .csv (comma or semicolon separated, UTF-8 or Windows-1252). The format is
// told by the file's content; text without the mark of any workbook format is
// read as CSV. See cell_text.h for the text of each kind of cell.
//
// Any file may be damaged or crafted: the reader refuses what it cannot read
// with one reason, bounds what it unpacks and keeps, and never allocates by a
// size or position a file declares.
#include <cstddef>
#include <cstdint>
#include <string>

#include "workbook/sheet_cells.h"

// Files above this size are refused rather than read.
inline constexpr size_t kMaxWorkbookFileBytes = size_t{128} << 20;

// Fills `cells` (cleared first, and left empty on failure) from the file at
// `path`. Returns "" or the reason it cannot ("the workbook is encrypted
// (password-protected)"), to be shown after the file's name.
std::string ReadWorkbookFile(const std::string& path, clSheetCells& cells);
// The same for a file's bytes.
std::string ReadWorkbookBytes(const uint8_t* data, size_t size, clSheetCells& cells);
// The one message a window shows: "cannot read workbook '<path>': <reason>".
std::string WorkbookReadMessage(const std::string& path, const std::string& reason);

// Whole workbook files from anywhere, as a user picks them: the format is told
// by the content (zip, compound file, text), so this reaches the zip library
// with its archives, bombs and encrypted entries. A refused file leaves no
// cells; a read one must import.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_entries.h"
#include "fuzz/import_fuzz_common.h"
#include "workbook/workbook_reader.h"

int FuzzWorkbook(const uint8_t* data, size_t size) {
  clSheetCells cells = ImportWindow();
  if (!ReadWorkbookBytes(data, size, cells).empty()) {
    if (cells.Count() != 0) std::abort();
    return 0;
  }
  CheckAndImport(cells);
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzWorkbook)

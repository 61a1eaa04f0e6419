// CSV text from anywhere: any bytes must read (or be refused) without crashing
// or growing without bound, and whatever is read must import.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "fuzz/import_fuzz_common.h"
#include "workbook/format_readers.h"

int FuzzCsv(const uint8_t* data, size_t size) {
  clSheetCells cells = ImportWindow();
  if (ReadCsvSheet(std::string_view(reinterpret_cast<const char*>(data), size), cells).empty())
    CheckAndImport(cells);
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzCsv)

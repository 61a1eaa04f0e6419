// Excel 97-2003 workbooks from anywhere. An even first byte: the rest is a
// whole compound file; an odd one: the rest is the Workbook stream's records.
// Reading must not crash, hang or follow a chain or offset out of the file, and
// whatever it reads must import.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "fuzz/fuzz_entries.h"
#include "fuzz/import_fuzz_common.h"
#include "workbook/format_readers.h"

int FuzzXls(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  clSheetCells cells = ImportWindow();
  const bool ok =
      (data[0] & 1) == 0
          ? ReadXlsSheet(data + 1, size - 1, cells).empty()
          : ReadBiffWorkbook(std::vector<uint8_t>(data + 1, data + size), cells).empty();
  if (ok) CheckAndImport(cells);
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzXls)

// OpenDocument spreadsheets from anywhere: the input is content.xml, then
// optionally (after a 0x01 byte) META-INF/manifest.xml, packed as a package.
// Reading must not crash, hang or grow without bound (repeat counts in
// particular), and whatever it reads must import.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "fuzz/import_fuzz_common.h"
#include "workbook/format_readers.h"
#include "workbook/package.h"

int FuzzOds(const uint8_t* data, size_t size) {
  const std::string_view input(reinterpret_cast<const char*>(data), size);
  const size_t split = input.find('\x01');
  clMemoryPackage package;
  package.Add("mimetype", "application/vnd.oasis.opendocument.spreadsheet");
  package.Add("content.xml", std::string(input.substr(0, split)));
  if (split != std::string_view::npos)
    package.Add("META-INF/manifest.xml", std::string(input.substr(split + 1)));
  clSheetCells cells = ImportWindow();
  if (ReadOdsSheet(package, cells).empty()) CheckAndImport(cells);
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzOds)

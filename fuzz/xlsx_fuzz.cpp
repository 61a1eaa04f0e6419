// Office Open XML workbooks from anywhere: the input is the XML of the sheet,
// shared strings, styles and workbook parts, separated by 0x01 bytes (which XML
// never holds), packed as a workbook package. Reading must not crash, hang or
// grow without bound, and whatever it reads must import.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_entries.h"
#include "fuzz/import_fuzz_common.h"
#include "workbook/format_readers.h"
#include "workbook/package.h"

int FuzzXlsx(const uint8_t* data, size_t size) {
  static const char* const kParts[] = {"xl/worksheets/sheet1.xml", "xl/sharedStrings.xml",
                                       "xl/styles.xml", "xl/workbook.xml"};
  const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
  clMemoryPackage package;
  package.Add("_rels/.rels", "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                                 "/officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
  package.Add("xl/_rels/workbook.xml.rels",
              "<Relationships><Relationship Id=\"rId1\" Type=\"" + rel +
                  "/worksheet\" Target=\"worksheets/sheet1.xml\"/><Relationship Id=\"rId2\" "
                  "Type=\"" +
                  rel +
                  "/sharedStrings\" Target=\"sharedStrings.xml\"/>"
                  "<Relationship Id=\"rId3\" Type=\"" +
                  rel + "/styles\" Target=\"styles.xml\"/></Relationships>");
  package.Add("xl/workbook.xml", "<workbook xmlns:r=\"" + rel +
                                     "\"><sheets><sheet r:id=\"rId1\"/></sheets></workbook>");
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const char* part : kParts) {
    const size_t end = input.find('\x01');
    package.Add(part, std::string(input.substr(0, end)));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  clSheetCells cells = ImportWindow();
  if (ReadXlsxSheet(package, cells).empty()) CheckAndImport(cells);
  return 0;
}

TELVANE_FUZZ_ENTRY(FuzzXlsx)

#pragma once
// Builders of workbook files for tests: zip packages, compound files and BIFF8
// record streams, so that each test states the exact bytes it reads.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "workbook/sheet_cells.h"

using Entries = std::vector<std::pair<std::string, std::string>>;

// A zip archive of the entries (deflated); the entry named `encrypted`, if
// any, is encrypted with a password.
std::vector<uint8_t> ZipBytes(const Entries& entries, const std::string& encrypted = "");

// A compound file of 512-byte sectors holding the streams; streams shorter
// than 4096 bytes go to the small-block stream, as writers put them.
using Streams = std::vector<std::pair<std::string, std::vector<uint8_t>>>;
std::vector<uint8_t> CompoundFileBytes(const Streams& streams);

// Little-endian bytes.
struct Le {
  std::vector<uint8_t> b;
  Le& U8(uint32_t v);
  Le& U16(uint32_t v);
  Le& U32(uint32_t v);
  Le& F64(double v);
  Le& Raw(const std::string& bytes);
  Le& Add(const std::vector<uint8_t>& bytes);
  // A BIFF8 string: 16-bit count, option byte 0 (one byte per character).
  Le& Str8(const std::string& latin1);
};

// A BIFF8 workbook stream: globals records, then one sheet whose offset the
// builder writes into the BOUNDSHEET records it adds.
struct Biff {
  Le globals;               // after the begin-of-file record
  Le sheet;                 // the worksheet's cell records
  bool chartFirst = false;  // a chart sheet before the worksheet
  static std::vector<uint8_t> Record(uint16_t type, const std::vector<uint8_t>& data);
  std::vector<uint8_t> Stream() const;
};

// Reads a workbook from bytes into a window of 40 rows by 20 columns.
struct Read {
  std::string error;
  clSheetCells cells{40, 20};
};
Read ReadBytes(const std::vector<uint8_t>& bytes);
Read ReadText(const std::string& text);

// The smallest package of a workbook with one worksheet of the given sheetData
// content, with optional styles and shared strings parts.
Entries XlsxEntries(const std::string& sheetData, const std::string& sharedStrings = "",
                    const std::string& styles = "", const std::string& workbookPr = "");
// An OpenDocument spreadsheet whose first table holds `rows`.
Entries OdsEntries(const std::string& rows);

std::string TestDataPath(const std::string& name);

#pragma once
// The readers of the four workbook formats, each delivering the cells of
// worksheet 1 (the first worksheet in the workbook's own order) as text. Each
// returns "" or the reason it cannot, worded to follow "cannot read workbook
// '<file>': ". On failure the cells may hold part of the sheet; the caller
// clears them.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class clSheetCells;
class clPackage;

// Unpacked size limits of the parts of zipped workbooks: generous for any
// sheet a person keeps, small against what a crafted archive can unpack to.
inline constexpr size_t kMaxSheetPartBytes = size_t{256} << 20;
inline constexpr size_t kMaxSmallPartBytes = size_t{16} << 20;

std::string ReadXlsxSheet(const clPackage& package, clSheetCells& cells);
std::string ReadOdsSheet(const clPackage& package, clSheetCells& cells);
std::string ReadXlsSheet(const uint8_t* data, size_t size, clSheetCells& cells);
// The records of a .xls file's Workbook stream.
std::string ReadBiffWorkbook(const std::vector<uint8_t>& stream, clSheetCells& cells);
std::string ReadCsvSheet(std::string_view bytes, clSheetCells& cells);

// Text gathered for one cell, refused past the longest text a cell holds.
class clCellTextBuffer {
 public:
  // False (and nothing appended) when the text would grow too long.
  bool Append(std::string_view piece);
  void Clear() { text_.clear(); }
  const std::string& Get() const { return text_; }

 private:
  std::string text_;
};

// The whole text (blanks around it allowed) as an unsigned decimal number.
bool ParseUnsignedText(std::string_view text, uint64_t& out);
// The whole text (blanks around it allowed) as a finite decimal number, as
// XML workbooks write numbers ("1.5", "-2E-3").
bool ParseNumberText(std::string_view text, double& out);

// "A1"-style name of a cell (1-based row and column).
std::string CellName(uint64_t row, uint64_t column);
// Shared reasons.
std::string CellTooLongReason(uint64_t row, uint64_t column);
std::string TextBudgetReason(const clSheetCells& cells);
std::string DamagedReason(std::string_view where, std::string_view what);
std::string EncryptedReason();
std::string TooLargeReason(std::string_view part, size_t limit);

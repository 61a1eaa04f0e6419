// Comma- or semicolon-separated text (.csv), in UTF-8 or Windows-1252, so that
// a tag list can come from any tool. Fields are typed as a spreadsheet types
// them when it opens such a file: a quoted field is text; an unquoted field is
// a number, a date ("YYYY-MM-DD" with an optional time), TRUE or FALSE when it
// reads as one, and text otherwise. With semicolons as separators a decimal
// comma is accepted too ("1,5"), as the locales that use semicolons write it.
#include <charconv>
#include <cmath>

#include "model/cp1252.h"
#include "runtime/text_compare.h"
#include "workbook/cell_text.h"
#include "workbook/format_readers.h"
#include "workbook/sheet_cells.h"

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

bool IsValidUtf8(std::string_view text) {
  for (size_t pos = 0; pos < text.size();) {
    if (NextUtf8Char(text, pos) >= kInvalidUtf8Base) return false;
  }
  return true;
}

bool EqualsWord(std::string_view text, std::string_view word) {
  if (text.size() != word.size()) return false;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((text[i] | 0x20) != (word[i] | 0x20)) return false;
  }
  return true;
}

// The whole text as a decimal number: optional sign, digits with at most one
// decimal separator, optional exponent.
bool ParseField(std::string_view text, char decimalComma, double& out) {
  std::string number(text);
  if (!number.empty() && number[0] == '+') number.erase(0, 1);
  if (decimalComma && number.find('.') == std::string::npos) {
    const size_t comma = number.find(',');
    if (comma != std::string::npos && number.find(',', comma + 1) == std::string::npos)
      number[comma] = '.';
  }
  const size_t digits = number[0] == '-' ? 1 : 0;
  if (number.size() <= digits ||
      !(std::isdigit(static_cast<unsigned char>(number[digits])) || number[digits] == '.'))
    return false;
  auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), out);
  return ec == std::errc() && end == number.data() + number.size() && std::isfinite(out);
}

std::string UnquotedFieldText(std::string_view field, char separator) {
  field = TrimBlanks(field);
  if (field.empty()) return "";
  double number = 0;
  if (ParseField(field, separator == ';' ? ',' : 0, number)) return NumberCellText(number);
  if (auto date = ParseIsoDate(field)) return DateCellText(*date);
  if (EqualsWord(field, "TRUE") || EqualsWord(field, "FALSE"))
    return OtherKindCellText(kBooleanCellKind);
  return std::string(field);
}

// The separator: as a "sep=" first line names it, else the more frequent of
// comma and semicolon outside quotes.
char DetectSeparator(std::string_view text, size_t& start) {
  if (text.size() >= 5 && EqualsWord(text.substr(0, 4), "sep=") &&
      (text[4] == ',' || text[4] == ';')) {
    const size_t end = text.find('\n');
    start = end == std::string_view::npos ? text.size() : end + 1;
    return text[4];
  }
  size_t commas = 0, semicolons = 0;
  bool quoted = false;
  for (char c : text) {
    if (c == '"') quoted = !quoted;
    if (quoted) continue;
    commas += c == ',';
    semicolons += c == ';';
  }
  return semicolons > commas ? ';' : ',';
}

class CsvParser {
 public:
  CsvParser(std::string_view text, char separator, clSheetCells& cells)
      : text_(text), separator_(separator), cells_(cells) {
    stops_[0] = separator;
  }

  std::string Parse(size_t pos) {
    uint64_t row = 1, column = 1;
    uint64_t line = 1;
    while (pos < text_.size() && row <= cells_.MaxRow()) {
      if (column == 1 && cells_.StopRequested()) return kReadStoppedReason;
      std::string field;
      bool quoted = false;
      const uint64_t fieldLine = line;
      if (text_[pos] == '"') {
        quoted = true;
        ++pos;
        for (;;) {
          if (pos >= text_.size())
            return "the file is damaged or truncated (a quoted field that begins in line " +
                   std::to_string(fieldLine) + " is never closed)";
          const char c = text_[pos++];
          if (c == '"') {
            if (pos < text_.size() && text_[pos] == '"') {
              field.push_back('"');
              ++pos;
              continue;
            }
            break;
          }
          line += c == '\n';
          field.push_back(c);
          if (field.size() > kMaxCellTextBytes) return CellTooLongReason(row, column);
        }
      }
      // Unquoted text, or what follows a closing quote, up to the separator.
      const size_t end = text_.find_first_of(stops_, pos);
      const size_t stop = end == std::string_view::npos ? text_.size() : end;
      field.append(text_.substr(pos, stop - pos));
      if (field.size() > kMaxCellTextBytes) return CellTooLongReason(row, column);
      pos = stop;
      const std::string text =
          quoted ? std::string(TrimBlanks(field)) : UnquotedFieldText(field, separator_);
      if (!cells_.Put(row, column, text)) return TextBudgetReason(cells_);
      if (pos >= text_.size()) break;
      if (text_[pos] == separator_) {
        ++pos;
        ++column;
        continue;
      }
      // A line ends: "\r\n", "\n" or "\r".
      if (text_[pos] == '\r' && pos + 1 < text_.size() && text_[pos + 1] == '\n') ++pos;
      ++pos;
      ++line;
      ++row;
      column = 1;
    }
    return "";
  }

 private:
  std::string_view text_;
  char separator_;
  char stops_[4] = {',', '\r', '\n', '\0'};  // where an unquoted field ends
  clSheetCells& cells_;
};

}  // namespace

std::string ReadCsvSheet(std::string_view bytes, clSheetCells& cells) {
  if (bytes.substr(0, 2) == "\xFF\xFE" || bytes.substr(0, 2) == "\xFE\xFF")
    return "it is UTF-16 text, which cannot be read; save it as CSV in UTF-8";
  if (bytes.find('\0') != std::string_view::npos)
    return "it is no .xlsx, .xls, .ods or .csv workbook";
  std::string converted;
  std::string_view text = bytes;
  if (text.substr(0, kUtf8Bom.size()) == kUtf8Bom) {
    text.remove_prefix(kUtf8Bom.size());
  } else if (!IsValidUtf8(text)) {
    converted = Cp1252ToUtf8(text);
    text = converted;
  }
  size_t start = 0;
  const char separator = DetectSeparator(text, start);
  return CsvParser(text, separator, cells).Parse(start);
}

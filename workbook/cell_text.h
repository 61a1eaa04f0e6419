#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The text a cell of each kind reads as, the same whatever the file format:
// - a number: "%.3f" (always with a point, whatever the locale);
// - a date or date-time: "%Y-%m-%d %H:%M:%S", empty before the year 1901;
// - text: the text with blanks around it trimmed;
// - any other kind: "unknown:%d" with the kind's number as a spreadsheet
//   automation interface numbers its variants (boolean 11, error value 10).
inline constexpr int32_t kBooleanCellKind = 11;
inline constexpr int32_t kErrorCellKind = 10;
// Cell text longer than this is refused: no spreadsheet holds more in a cell
// (32,767 characters), and one UTF-8 character takes at most three bytes of it.
inline constexpr size_t kMaxCellTextBytes = 32767 * 3;

std::string NumberCellText(double value);
std::string OtherKindCellText(int32_t kind);
// Blanks (space, tab, carriage return, line feed) removed from both ends.
std::string_view TrimBlanks(std::string_view text);

// A calendar date and time of day, as a workbook stores it.
struct clCellDate {
  int64_t year = 0;
  int32_t month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
// "%Y-%m-%d %H:%M:%S", or "" before 1901.
std::string DateCellText(const clCellDate& date);

// A spreadsheet serial date (days since the workbook's epoch, the fraction being
// the time of day) as date text. A workbook in the 1904 date system counts from
// 1904-01-01. A value that is no date (negative, after 9999-12-31, not finite)
// reads as the number it is, as a spreadsheet application hands it out.
std::string SerialDateCellText(double serial, bool dateSystem1904);

// "YYYY-MM-DD", optionally followed by "T" or a blank and "hh:mm", ":ss" and
// fractional seconds (rounded to the nearest second), as ISO 8601 dates are
// written in OpenDocument and Office Open XML files; none when the text is not
// such a date with fields in range.
std::optional<clCellDate> ParseIsoDate(std::string_view text);

// Whether a number format shows its number as a date or a time: one of the
// built-in date and time formats, or a format code whose first section, outside
// quoted text, escaped characters and [..] blocks, uses a day, month, year, hour
// or second field.
bool IsBuiltinDateFormat(uint32_t formatId);
bool IsDateFormatCode(std::string_view code);

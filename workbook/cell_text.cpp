#include "workbook/cell_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Days between 1970-01-01 and the given civil date (proleptic Gregorian).
int64_t DaysFromCivil(int64_t y, int32_t m, int32_t d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

clCellDate CivilFromDays(int64_t z) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  clCellDate date;
  date.day = static_cast<int32_t>(doy - (153 * mp + 2) / 5 + 1);
  date.month = static_cast<int32_t>(mp < 10 ? mp + 3 : mp - 9);
  date.year = yoe + era * 400 + (date.month <= 2);
  return date;
}

int32_t DaysInMonth(int64_t year, int32_t month) {
  static constexpr int32_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// A date plus a number of seconds into its day (which may be a whole day).
clCellDate DateAt(int64_t days, int64_t secondOfDay) {
  days += secondOfDay / 86400;
  secondOfDay %= 86400;
  clCellDate date = CivilFromDays(days);
  date.hour = static_cast<int32_t>(secondOfDay / 3600);
  date.minute = static_cast<int32_t>(secondOfDay / 60 % 60);
  date.second = static_cast<int32_t>(secondOfDay % 60);
  return date;
}

// Day 0 of the serial dates of a spreadsheet automation interface: 1899-12-30.
constexpr int64_t kSerialEpochDays = -25569;
// The first serial that is no date any more: 10000-01-01.
constexpr double kSerialEnd = 2958466;
// Serial 0 of a workbook in the 1904 date system is serial 1462 of the other.
constexpr double kSerial1904Offset = 1462;
constexpr int64_t kFirstShownYear = 1901;

// Reads exactly `count` digits at `pos`.
bool Digits(std::string_view text, size_t& pos, size_t count, int32_t& out) {
  if (pos + count > text.size()) return false;
  int32_t v = 0;
  for (size_t i = 0; i < count; ++i) {
    const char c = text[pos + i];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  pos += count;
  out = v;
  return true;
}

bool Expect(std::string_view text, size_t& pos, char c) {
  if (pos >= text.size() || text[pos] != c) return false;
  ++pos;
  return true;
}

// Trailing "Z" or "+hh:mm" / "-hh:mm": accepted and ignored (a cell shows the
// time as written).
bool ZoneSuffix(std::string_view text, size_t pos) {
  if (pos == text.size()) return true;
  if (text[pos] == 'Z') return pos + 1 == text.size();
  if (text[pos] != '+' && text[pos] != '-') return false;
  ++pos;
  int32_t h = 0, m = 0;
  return Digits(text, pos, 2, h) && Expect(text, pos, ':') && Digits(text, pos, 2, m) &&
         pos == text.size();
}

}  // namespace

std::string NumberCellText(double value) {
  char text[400];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 3);
  if (ec != std::errc()) return OtherKindCellText(kErrorCellKind);
  return std::string(text, end);
}

std::string OtherKindCellText(int32_t kind) { return "unknown:" + std::to_string(kind); }

std::string_view TrimBlanks(std::string_view text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

std::string DateCellText(const clCellDate& date) {
  if (date.year < kFirstShownYear) return "";
  char text[64];
  std::snprintf(text, sizeof text, "%04lld-%02d-%02d %02d:%02d:%02d",
                static_cast<long long>(date.year), date.month, date.day, date.hour, date.minute,
                date.second);
  return text;
}

std::string SerialDateCellText(double serial, bool dateSystem1904) {
  if (!std::isfinite(serial)) return OtherKindCellText(kErrorCellKind);
  const double shifted = dateSystem1904 ? serial + kSerial1904Offset : serial;
  if (serial < 0 || shifted >= kSerialEnd) return NumberCellText(serial);
  const double whole = std::floor(shifted);
  const int64_t seconds = std::llround((shifted - whole) * 86400.0);
  return DateCellText(DateAt(static_cast<int64_t>(whole) + kSerialEpochDays, seconds));
}

std::optional<clCellDate> ParseIsoDate(std::string_view text) {
  size_t pos = 0;
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) ++pos;
  // Four to nine year digits.
  size_t yearDigits = 0;
  while (pos + yearDigits < text.size() && yearDigits < 10 && text[pos + yearDigits] >= '0' &&
         text[pos + yearDigits] <= '9')
    ++yearDigits;
  if (yearDigits < 4 || yearDigits > 9) return std::nullopt;
  int32_t year = 0, month = 0, day = 0;
  if (!Digits(text, pos, yearDigits, year) || !Expect(text, pos, '-') ||
      !Digits(text, pos, 2, month) || !Expect(text, pos, '-') || !Digits(text, pos, 2, day))
    return std::nullopt;
  const int64_t signedYear = negative ? -int64_t{year} : year;
  if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(signedYear, month))
    return std::nullopt;
  int32_t hour = 0, minute = 0, second = 0;
  bool roundUp = false;
  if (pos < text.size() && (text[pos] == 'T' || text[pos] == ' ')) {
    ++pos;
    if (!Digits(text, pos, 2, hour) || !Expect(text, pos, ':') || !Digits(text, pos, 2, minute))
      return std::nullopt;
    if (pos < text.size() && text[pos] == ':') {
      ++pos;
      if (!Digits(text, pos, 2, second)) return std::nullopt;
      if (pos < text.size() && (text[pos] == '.' || text[pos] == ',')) {
        ++pos;
        const size_t first = pos;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') ++pos;
        if (pos == first) return std::nullopt;
        roundUp = text[first] >= '5';
      }
    }
    if (hour > 23 || minute > 59 || second > 59) return std::nullopt;
  }
  if (!ZoneSuffix(text, pos)) return std::nullopt;
  const int64_t secondOfDay = hour * 3600 + minute * 60 + second + (roundUp ? 1 : 0);
  return DateAt(DaysFromCivil(signedYear, month, day), secondOfDay);
}

bool IsBuiltinDateFormat(uint32_t formatId) {
  return (formatId >= 14 && formatId <= 22) || (formatId >= 27 && formatId <= 36) ||
         (formatId >= 45 && formatId <= 47) || (formatId >= 50 && formatId <= 58);
}

bool IsDateFormatCode(std::string_view code) {
  for (size_t i = 0; i < code.size(); ++i) {
    const char c = code[i];
    switch (c) {
      case ';':
        return false;  // only the first section counts
      case '"': {
        const size_t close = code.find('"', i + 1);
        if (close == std::string_view::npos) return false;
        i = close;
        break;
      }
      case '\\':
      case '_':
      case '*':
        ++i;  // an escaped character, or the character a space or fill stands for
        break;
      case '[': {
        const size_t close = code.find(']', i + 1);
        if (close == std::string_view::npos) return false;
        // [h], [mm], [ss]: elapsed time. Colours, conditions and locales are not.
        const std::string_view inner = code.substr(i + 1, close - i - 1);
        if (!inner.empty() && inner.find_first_not_of("hHmMsS") == std::string_view::npos)
          return true;
        i = close;
        break;
      }
      default:
        switch (c | 0x20) {
          case 'd':
          case 'm':
          case 'y':
          case 'h':
          case 's':
            return true;
          default:
            break;
        }
    }
  }
  return false;
}

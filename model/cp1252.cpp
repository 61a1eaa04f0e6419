#include "model/cp1252.h"

#include "runtime/text_compare.h"

void AppendUtf8(std::string& out, char32_t ch) {
  if (ch < 0x80) {
    out.push_back(static_cast<char>(ch));
  } else if (ch < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (ch >> 6)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else if (ch < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (ch >> 12)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (ch >> 18)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((ch >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (ch & 0x3F)));
  }
}

std::string Cp1252ToUtf8(std::string_view bytes) {
  std::string out;
  out.reserve(bytes.size());
  for (char c : bytes) AppendUtf8(out, Cp1252ToUnicode(static_cast<uint8_t>(c)));
  return out;
}

std::string Utf8ToCp1252(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t pos = 0;
  while (pos < text.size()) {
    int b = UnicodeToCp1252(NextUtf8Char(text, pos));
    out.push_back(b >= 0 ? static_cast<char>(b) : '?');
  }
  return out;
}

std::string Utf16LeToUtf8(const uint8_t* data, size_t units) {
  std::string out;
  out.reserve(units);
  const auto unit = [&](size_t i) -> char32_t { return data[2 * i] | (data[2 * i + 1] << 8); };
  for (size_t i = 0; i < units; ++i) {
    char32_t ch = unit(i);
    if (ch >= 0xD800 && ch <= 0xDBFF && i + 1 < units && unit(i + 1) >= 0xDC00 &&
        unit(i + 1) <= 0xDFFF) {
      ch = 0x10000 + ((ch - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
      ++i;
    }
    AppendUtf8(out, UnicodeToCp1252(ch) >= 0 ? ch : U'?');
  }
  return out;
}

#include "runtime/text_compare.h"

namespace {

// Characters of the bytes 0x80..0x9F; the rest of the code page equals Latin-1.
constexpr char32_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80..87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // 88..8F
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90..97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // 98..9F
};

// Lower-case partner of a code-page byte (the byte itself when it has none).
constexpr uint32_t FoldCp1252(uint32_t b) {
  if (b >= 'A' && b <= 'Z') return b + 0x20;
  if (b == 0x8A || b == 0x8C || b == 0x8E) return b + 0x10;  // Š Œ Ž
  if (b == 0x9F) return 0xFF;                                // Ÿ
  if (b >= 0xC0 && b <= 0xDE && b != 0xD7) return b + 0x20;  // À..Þ, not ×
  return b;
}

// Sort key of one character: folded code-page value, else above all of them.
uint32_t SortKey(char32_t ch) {
  int b = UnicodeToCp1252(ch);
  if (b >= 0) return FoldCp1252(static_cast<uint32_t>(b));
  return 0x100 + static_cast<uint32_t>(ch);
}

bool IsContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

}  // namespace

char32_t NextUtf8Char(std::string_view text, size_t& pos) {
  const auto at = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = at(pos);
  const size_t left = text.size() - pos;
  char32_t ch = 0;
  size_t length = 0;
  char32_t minimum = 0;
  if (lead < 0x80) {
    ++pos;
    return lead;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    ch = lead & 0x1F, length = 2, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    ch = lead & 0x0F, length = 3, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    ch = lead & 0x07, length = 4, minimum = 0x10000;
  }
  if (length == 0 || left < length) {
    ++pos;
    return kInvalidUtf8Base + lead;
  }
  for (size_t i = 1; i < length; ++i) {
    if (!IsContinuation(at(pos + i))) {
      ++pos;
      return kInvalidUtf8Base + lead;
    }
    ch = (ch << 6) | (at(pos + i) & 0x3F);
  }
  if (ch < minimum || ch > 0x10FFFF || (ch >= 0xD800 && ch <= 0xDFFF)) {
    ++pos;
    return kInvalidUtf8Base + lead;
  }
  pos += length;
  return ch;
}

char32_t Cp1252ToUnicode(uint8_t byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kHighControls[byte - 0x80];
  return byte;
}

int UnicodeToCp1252(char32_t ch) {
  if (ch < 0x80 || (ch >= 0xA0 && ch <= 0xFF)) return static_cast<int>(ch);
  for (int i = 0; i < 32; ++i) {
    if (kHighControls[i] == ch) return 0x80 + i;
  }
  return -1;
}

int CompareNoCase(std::string_view a, std::string_view b) {
  size_t i = 0, j = 0;
  while (i < a.size() && j < b.size()) {
    uint32_t ka = SortKey(NextUtf8Char(a, i));
    uint32_t kb = SortKey(NextUtf8Char(b, j));
    if (ka != kb) return ka < kb ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

bool EqualsNoCase(std::string_view a, std::string_view b) { return CompareNoCase(a, b) == 0; }

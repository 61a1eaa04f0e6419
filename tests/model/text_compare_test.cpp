#include "runtime/text_compare.h"

#include <gtest/gtest.h>

#include "model/cp1252.h"

namespace {

TEST(TextCompare, EqualsWithoutCaseCoversAsciiAndTheCodePagesLatinLetters) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  } cases[] = {
      {"COM1", "com1", true},  {"Sector9", "sector9", true},
      {"ÄÖÜ", "äöü", true},    {"Šœž", "šŒŽ", true},
      {"Ÿ", "ÿ", true},        {"ÀÞ", "àþ", true},
      {"×", "÷", false},       {"ß", "SS", false},
      {"ß", "ß", true},        {"abc", "abd", false},
      {"abc", "ab", false},    {"", "", true},
      {"Ω", "ω", false},        // outside the code page: no case partner
      {"\xFF", "\xFE", false},  // invalid UTF-8 bytes stay distinct
      {"\xC3", "\xC3", true},
  };
  for (const Case& c : cases) EXPECT_EQ(EqualsNoCase(c.a, c.b), c.equal) << c.a << " " << c.b;
}

TEST(TextCompare, OrderIsTheFoldedCodePageValueCharacterByCharacter) {
  struct Case {
    const char* before;
    const char* after;
  } cases[] = {
      {"Tag10", "Tag9"},  // character order, not numeric
      {"a", "B"},        {"B", "c"},
      {"_", "a"},                     // folded to lower case, '_' (0x5F) is below the letters
      {"[", "Z"},                     // '[' (0x5B) is below 'z' (0x7A), where 'Z' folds to
      {"ab", "abc"},     {"z", "€"},  // € is 0x80 in the code page
      {"€", "é"},        {"Š", "é"},  // Š folds to š (0x9A), below é (0xE9)
      {"é", "Ω"},                     // characters outside the code page sort after it
      {"Ω", "\xFF"},                  // invalid bytes sort last
  };
  for (const Case& c : cases) {
    EXPECT_LT(CompareNoCase(c.before, c.after), 0) << c.before << " " << c.after;
    EXPECT_GT(CompareNoCase(c.after, c.before), 0) << c.before << " " << c.after;
  }
  EXPECT_EQ(CompareNoCase("ÉLAN", "élan"), 0);
}

TEST(Cp1252, EveryByteRoundTripsThroughUtf8) {
  std::string all;
  for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
  const std::string utf8 = Cp1252ToUtf8(all);
  EXPECT_EQ(Utf8ToCp1252(utf8), all);
  for (int b = 0; b < 256; ++b) {
    const char32_t ch = Cp1252ToUnicode(static_cast<uint8_t>(b));
    EXPECT_EQ(UnicodeToCp1252(ch), b) << b;
  }
}

TEST(Cp1252, KnownMappingsAndUndefinedBytes) {
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "€");
  EXPECT_EQ(Cp1252ToUtf8("\x9F"), "Ÿ");
  EXPECT_EQ(Cp1252ToUtf8("\xE9"), "é");
  for (uint8_t undefined : {0x81, 0x8D, 0x8F, 0x90, 0x9D}) {
    EXPECT_EQ(Cp1252ToUnicode(undefined), char32_t{undefined});
  }
  EXPECT_EQ(Utf8ToCp1252("Ω"), "?");               // not in the code page
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");          // truncated sequence
  EXPECT_EQ(Utf8ToCp1252("\xC0\xAF"), "??");       // overlong form
  EXPECT_EQ(Utf8ToCp1252("\xED\xA0\x80"), "???");  // encoded surrogate
  EXPECT_EQ(UnicodeToCp1252(0x80), -1);            // U+0080 has no byte: 0x80 is €
}

TEST(Cp1252, Utf16LeKeepsWhatTheCodePageHolds) {
  const uint8_t units[] = {'A', 0, 0xAC, 0x20, 0x3D, 0xD8, 0x00, 0xDE, 0x00, 0xD8, 'b', 0};
  EXPECT_EQ(Utf16LeToUtf8(units, 6), "A€??b");  // the pair → one '?', the lone high surrogate → '?'
  EXPECT_EQ(Utf16LeToUtf8(units, 0), "");
}

}  // namespace

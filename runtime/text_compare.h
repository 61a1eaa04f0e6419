#pragma once
#include <cstdint>
#include <string_view>

// Names are UTF-8 in memory; the system's 8-bit code page (Windows-1252) decides
// which letters have a case partner and in which order names sort. Comparison is
// character by character on the code-page value of each character after folding
// upper-case letters to lower case: ASCII A-Z and the Latin letters of the code
// page (Š Œ Ž Ÿ and À-Þ except ×). Digits and punctuation compare by their code,
// so "Tag10" sorts before "Tag9". Characters that the code page cannot hold sort
// after all that it can, by code point; bytes that are not valid UTF-8 sort last.

// True when both names are equal without regard to letter case.
bool EqualsNoCase(std::string_view a, std::string_view b);
// Negative, 0 or positive as `a` sorts before, equal to or after `b`.
int CompareNoCase(std::string_view a, std::string_view b);

// Code page helpers shared with the file reader and writer.
inline constexpr char32_t kInvalidUtf8Base = 0x110000;  // + the offending byte
// Decodes the character at `pos` and advances past it. A byte that does not start
// a well-formed, shortest-form UTF-8 sequence gives kInvalidUtf8Base + that byte
// and advances by one.
char32_t NextUtf8Char(std::string_view text, size_t& pos);
// The Unicode character of a code-page byte. The five bytes the code page leaves
// undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) give the C1 control of the same value,
// so every byte has a character and back.
char32_t Cp1252ToUnicode(uint8_t byte);
// The code-page byte of a character, or -1 when the code page has none.
int UnicodeToCp1252(char32_t ch);

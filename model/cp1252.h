#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// Conversions between the UTF-8 text held in memory and the file's text forms:
// the 8-bit Windows-1252 code page (written and read) and UTF-16LE (read only).
// Every byte 0x00..0xFF maps to one character and back, so 8-bit text survives
// load and save unchanged.

// Code-page bytes to UTF-8.
std::string Cp1252ToUtf8(std::string_view bytes);
// UTF-8 to code-page bytes. A character the code page cannot hold, or a byte that
// is not valid UTF-8, becomes '?'.
std::string Utf8ToCp1252(std::string_view text);
// UTF-16LE units (2 × `units` bytes at `data`) to UTF-8, restricted to what the
// code page can hold: other characters and unpaired surrogates become '?', as the
// 8-bit form that a save will write.
std::string Utf16LeToUtf8(const uint8_t* data, size_t units);
// Appends the UTF-8 form of one character.
void AppendUtf8(std::string& out, char32_t ch);

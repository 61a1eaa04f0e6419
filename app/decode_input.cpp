#include "app/decode_input.h"

#include <cctype>

namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool IsHexRun(const std::string& text, size_t from, size_t to) {
  if (from >= to) return false;
  for (size_t i = from; i < to; ++i)
    if (HexDigit(text[i]) < 0) return false;
  return true;
}

// Appends the octets of one word: one or two digits, or an even run of digits,
// with an optional 0x. False when the word is not of these forms.
bool AppendWord(const std::string& word, std::vector<uint8_t>& octets) {
  size_t from = 0;
  if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) from = 2;
  const size_t digits = word.size() - from;
  if (!IsHexRun(word, from, word.size()) || (digits > 2 && digits % 2 != 0)) return false;
  if (digits <= 2) {
    int value = 0;
    for (size_t i = from; i < word.size(); ++i) value = value * 16 + HexDigit(word[i]);
    octets.push_back(static_cast<uint8_t>(value));
    return true;
  }
  for (size_t i = from; i < word.size(); i += 2)
    octets.push_back(static_cast<uint8_t>(HexDigit(word[i]) * 16 + HexDigit(word[i + 1])));
  return true;
}

// Octets of a text of words separated by blanks or commas; sets result.bad to
// the first word that is not hexadecimal.
void ParseWords(const std::string& text, clDecodeLine& result) {
  std::string word;
  for (size_t i = 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : ' ';
    if (!std::isspace(static_cast<unsigned char>(c)) && c != ',') {
      word += c;
      continue;
    }
    if (word.empty()) continue;
    if (!AppendWord(word, result.octets)) {
      result.kind = clDecodeLine::kBad;
      result.bad = word;
      return;
    }
    word.clear();
    if (result.octets.size() > kMaxDecodeLineOctets) {
      result.kind = clDecodeLine::kBad;
      result.bad.clear();
      return;
    }
  }
}

// "hh:mm:ss.mmm" at pos.
bool IsTimeAt(const std::string& line, size_t pos) {
  static constexpr char kShape[] = "dd:dd:dd.ddd";
  if (pos + sizeof kShape - 1 > line.size()) return false;
  for (size_t i = 0; i + 1 < sizeof kShape; ++i) {
    const char c = line[pos + i];
    if (kShape[i] == 'd' ? !std::isdigit(static_cast<unsigned char>(c)) : c != kShape[i])
      return false;
  }
  return true;
}

// A traffic header or one-line record: an arrow and a time after an optional
// "[device] ", and the octets in the last brackets.
bool ParseTraceHeader(const std::string& line, clDecodeLine& result) {
  size_t pos = 0;
  if (!line.empty() && line[0] == '[') {
    const size_t close = line.find("] ");
    if (close == std::string::npos) return false;
    pos = close + 2;
  }
  if (line.compare(pos, 3, "-> ") != 0 && line.compare(pos, 3, "<- ") != 0) return false;
  if (!IsTimeAt(line, pos + 3)) return false;
  const size_t open = line.rfind('[');
  const size_t close = line.rfind(']');
  if (open == std::string::npos || open < pos || close == std::string::npos || close < open)
    return false;
  const std::string inside = line.substr(open + 1, close - open - 1);
  result.kind = clDecodeLine::kOctets;
  result.traceHeader = true;
  if (inside != "empty") ParseWords(inside, result);
  if (result.kind == clDecodeLine::kOctets && result.octets.empty())
    result.kind = clDecodeLine::kNothing;
  return true;
}

// A dump line: offset, then ": " (xxd: octets in groups of digits, the
// characters after two blanks) or two blanks (tshark -x and hexdump -C: the
// characters after two or more blanks, or between bars).
bool ParseDumpLine(const std::string& line, clDecodeLine& result) {
  size_t digits = 0;
  while (digits < line.size() && HexDigit(line[digits]) >= 0) ++digits;
  if (digits < 4 || digits > 16) return false;
  const bool xxd = line.compare(digits, 2, ": ") == 0;
  if (!xxd && line.compare(digits, 2, "  ") != 0) return false;
  uint64_t offset = 0;
  for (size_t i = 0; i < digits; ++i) offset = offset * 16 + static_cast<uint64_t>(HexDigit(line[i]));
  const size_t start = digits + 2;
  size_t end = line.size();
  const size_t hash = line.find('#', start);
  const size_t bar = line.find('|', start);
  if (!xxd && bar != std::string::npos && line.back() == '|') end = bar;
  // The character column begins after the first gap of two blanks, except the
  // gap hexdump -C leaves after eight octets (the line then ends in a bar).
  const bool hexdump = end != line.size();
  for (size_t i = start; i + 1 < end; ++i) {
    if (line[i] != ' ' || line[i + 1] != ' ') continue;
    if (hexdump && i + 2 < end && HexDigit(line[i + 2]) >= 0) continue;
    end = i;
    break;
  }
  // A comment after the octets (the character column was cut off above).
  if (hash != std::string::npos && hash < end) end = hash;
  clDecodeLine dump;
  dump.kind = clDecodeLine::kDumpOctets;
  dump.offset = offset;
  ParseWords(line.substr(start, end - start), dump);
  if (dump.kind == clDecodeLine::kDumpOctets && dump.octets.empty()) return false;
  result = std::move(dump);
  return true;
}

// A decoded line of a trace with the device in front: "[name] text".
bool IsTraceText(const std::string& line) {
  if (line.empty() || line[0] != '[') return false;
  const size_t close = line.find("] ");
  if (close == std::string::npos || close == 1) return false;
  // "[5] On" is an element row of a trace without names; "[05 10] ..." is not
  // a name either: a name is not all hexadecimal digits and blanks.
  for (size_t i = 1; i < close; ++i)
    if (HexDigit(line[i]) < 0 && line[i] != ' ') return true;
  return false;
}

}  // namespace

clDecodeLine ParseDecodeLine(const std::string& line) {
  clDecodeLine result;
  if (ParseTraceHeader(line, result)) return result;
  if (IsTraceText(line)) {
    result.kind = clDecodeLine::kTraceText;
    return result;
  }
  if (ParseDumpLine(line, result)) return result;
  const size_t hash = line.find('#');
  result.kind = clDecodeLine::kOctets;
  ParseWords(line.substr(0, hash), result);
  if (result.kind == clDecodeLine::kOctets && result.octets.empty())
    result.kind = clDecodeLine::kNothing;
  return result;
}

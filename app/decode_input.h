// The text forms --decode reads octets from.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// What one input line holds.
struct clDecodeLine {
  enum Kind {
    kNothing,    // blank, a comment, or a trace line without octets
    kOctets,     // hexadecimal octets, or a trace header's bracket: one run
    kDumpOctets, // a line of an xxd / tshark -x / hexdump -C dump
    kTraceText,  // a decoded line of the program's own trace: skipped
    kBad,        // not one of the forms; `bad` names the first word that is not
  };
  Kind kind = kNothing;
  std::vector<uint8_t> octets;
  uint64_t offset = 0;  // kDumpOctets: the offset the line gives
  bool traceHeader = false;  // the line is a traffic line of the program's trace
  std::string bad;
};

// Octets of one line are refused beyond this many (a frame holds at most 261).
inline constexpr size_t kMaxDecodeLineOctets = 1024;

// Reads one line. Recognised forms:
// - the program's traffic lines: "[device] -> hh:mm:ss.mmm [68 0A ...]", with or
//   without the device, and the one-line form with a title before the bracket;
//   the octets are those between the last brackets; the other lines of a trace
//   ("[device] Link Control: ...") are kTraceText;
// - dump lines: an offset of 4 or more hexadecimal digits followed by ": " (xxd)
//   or two blanks (tshark -x, hexdump -C), then the octets, then the characters;
// - hexadecimal octets of one or two digits, with or without 0x, separated by
//   blanks or commas, or written together ("104A0116"); "#" starts a comment.
// More than kMaxDecodeLineOctets octets make the line kBad with an empty `bad`.
clDecodeLine ParseDecodeLine(const std::string& line);

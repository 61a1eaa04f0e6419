#include "app/decode_command.h"

#include <cstdio>
#include <cstring>
#include <iostream>
#include <sstream>
#include <vector>

#include "protocol/iec101_frame.h"

namespace {

constexpr const char* kUsage =
    "usage: telvane --decode [--sizes LA,CA,COT,IOA] [--role monitor|master|slave]"
    " [--port 1|2] [--structured]\n"
    "  reads frames from standard input, one per line, as hexadecimal octets\n"
    "  separated by blanks (e.g. 10 49 01 4A 16)\n";

// Event texts printed for octets that do not form a complete frame.
constexpr const char* kBadStartText = "INVALID MESSAGE";
constexpr const char* kIncompleteText = "RECEIVE TIMEOUT";
constexpr const char* kBadChecksumText = "Invalid CRC";
constexpr const char* kOverflowText = "BUFFER OVERFLOW";
constexpr const char* kBadHexText = "Invalid hexadecimal octet";

bool ParseSizes(const std::string& text, clDecodeOptions& options) {
  uint32_t sizes[4];
  int count = 0;
  std::stringstream stream(text);
  std::string part;
  while (std::getline(stream, part, ',')) {
    if (count == 4 || part.size() != 1 || part[0] < '1' || part[0] > '3') return false;
    sizes[count++] = static_cast<uint32_t>(part[0] - '0');
  }
  if (count != 4 || sizes[0] > 2 || sizes[1] > 2 || sizes[2] > 2) return false;
  options.linkAddressSize = sizes[0];
  options.commonAddressSize = sizes[1];
  options.causeSize = sizes[2];
  options.ioaSize = sizes[3];
  return true;
}

bool ParseRole(const std::string& text, TrafficRole& role) {
  if (text == "monitor")
    role = TrafficRole::kMonitor;
  else if (text == "master")
    role = TrafficRole::kMaster;
  else if (text == "slave")
    role = TrafficRole::kSlave;
  else
    return false;
  return true;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// The octets of one line; false when a word is not one or two hexadecimal digits.
bool ParseOctets(const std::string& line, std::vector<uint8_t>& octets, std::string& bad) {
  std::string text = line;
  size_t open = text.find('[');
  size_t close = open == std::string::npos ? std::string::npos : text.find(']', open);
  if (close != std::string::npos) text = text.substr(open + 1, close - open - 1);
  std::stringstream words(text);
  std::string word;
  while (words >> word) {
    int high = HexDigit(word[0]);
    int low = word.size() == 2 ? HexDigit(word[1]) : 0;
    if (word.size() > 2 || high < 0 || low < 0) {
      bad = word;
      return false;
    }
    octets.push_back(static_cast<uint8_t>(word.size() == 2 ? high * 16 + low : high));
  }
  return true;
}

void PrintRecord(const clTrafficRecord& record, bool structured, std::ostream& out) {
  out << record.FormatDescription() << '\n';
  std::string elements = record.FormatElements(structured);
  if (elements != " ") out << elements;
  out << '\n';
}

// Direction of a master's or slave's frame as seen by that device: a slave receives the
// primary frames, a master the secondary ones.
clTrafficView ViewOf(const clIEC101Frame& frame, const clDecodeOptions& options) {
  clTrafficView view;
  view.role = options.role;
  view.port = options.port;
  bool primary = frame.At(0) != clIEC101Frame::kSingleChar && frame.Prm() == 1;
  view.received = options.role == TrafficRole::kSlave ? primary : !primary;
  return view;
}

// Gathers frames from the octets of one line as a receiver would, printing each frame
// or event; after each the frame is reset and gathering goes on with the next octet.
// Octets left over at the end of the line are a frame that did not complete.
void DecodeOctets(const std::vector<uint8_t>& octets, const clDecodeOptions& options,
                  clIEC101Frame& frame, std::ostream& out) {
  frame.Reset();
  for (uint8_t octet : octets) {
    FrameStatus status = frame.AppendOctet(octet) ? frame.Check() : FrameOverflow;
    if (status == FrameIncomplete) continue;
    clTrafficRecord& record = frame.record;
    if (status == FrameComplete) {
      DecodeTrafficText(frame, ViewOf(frame, options), LocalNow(), record);
    } else {
      const char* text = status == FrameBadStart      ? kBadStartText
                         : status == FrameBadChecksum ? kBadChecksumText
                                                      : kOverflowText;
      FillEventRecord(frame, text, record);
    }
    PrintRecord(record, options.structured, out);
    frame.Reset();  // as in a receiver, the octet that overflowed the buffer is lost
  }
  if (frame.Length() > 0) {
    FillEventRecord(frame, kIncompleteText, frame.record);
    PrintRecord(frame.record, options.structured, out);
    frame.Reset();
  }
}

}  // namespace

bool ParseDecodeOptions(int argc, char** argv, clDecodeOptions& options, std::string& error) {
  for (int i = 0; i < argc; ++i) {
    std::string option = argv[i];
    if (option == "--structured") {
      options.structured = true;
      continue;
    }
    if (option != "--sizes" && option != "--role" && option != "--port") {
      error = "unknown option '" + option + "'";
      return false;
    }
    if (i + 1 >= argc) {
      error = "option '" + option + "' needs a value";
      return false;
    }
    std::string value = argv[++i];
    bool ok = option == "--sizes"  ? ParseSizes(value, options)
              : option == "--role" ? ParseRole(value, options.role)
                                   : (value == "1" || value == "2");
    if (option == "--port" && ok) options.port = value == "1" ? 1 : 2;
    if (!ok) {
      error = "bad value '" + value + "' for " + option;
      return false;
    }
  }
  return true;
}

void DecodeStream(std::istream& in, std::ostream& out, const clDecodeOptions& options) {
  clIEC101Frame frame;
  // The frame takes its sizes in the order link address, common address, object
  // address, cause.
  frame.SetSizes(options.linkAddressSize, options.commonAddressSize, options.ioaSize,
                 options.causeSize);
  std::string line;
  std::vector<uint8_t> octets;
  while (std::getline(in, line)) {
    octets.clear();
    std::string bad;
    if (!ParseOctets(line, octets, bad)) {
      out << kBadHexText << " '" << bad << "'\n\n";
      continue;
    }
    if (!octets.empty()) DecodeOctets(octets, options, frame, out);
  }
}

int RunDecodeCommand(int argc, char** argv) {
  clDecodeOptions options;
  std::string error;
  if (!ParseDecodeOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "telvane: %s\n%s", error.c_str(), kUsage);
    return 2;
  }
  DecodeStream(std::cin, std::cout, options);
  std::cout.flush();
  return 0;
}

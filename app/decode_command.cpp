#include "app/decode_command.h"

#include <cstdio>
#include <iostream>
#include <sstream>
#include <vector>

#include "app/command_line.h"
#include "app/decode_input.h"
#include "app/exit_codes.h"
#include "protocol/iec101_frame.h"

namespace {

// A raw line longer than this is refused unread.
constexpr size_t kMaxLineCharacters = 65536;

// The event texts each role's receiver writes for octets that do not form a
// complete frame. A slave and a monitor drop a frame with a wrong checksum
// without an entry; decoding names it all the same.
struct EventTexts {
  const char* badStart;
  const char* incomplete;
  const char* badChecksum;
  const char* overflow;
};
constexpr EventTexts kMonitorEvents{"INVALID MESSAGE", "RECEIVE TIMEOUT", "Invalid CRC",
                                    "BUFFER OVERFLOW"};
constexpr EventTexts kMasterEvents{"Invalid Message", "Read Timeout", "Invalid CRC",
                                   "Buffer Overflow"};
constexpr EventTexts kSlaveEvents{"INVALID MESSAGE", "Read Timeout", "Invalid CRC",
                                  "BUFFER OVERFLOW"};

const EventTexts& EventsOf(const clDecodeOptions& options) {
  if (!options.roleGiven) return kMonitorEvents;
  switch (options.role) {
    case TrafficRole::kMaster:
      return kMasterEvents;
    case TrafficRole::kSlave:
      return kSlaveEvents;
    default:
      return kMonitorEvents;
  }
}

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

void PrintRecord(const clTrafficRecord& record, bool structured, std::ostream& out) {
  out << record.FormatDescription() << '\n';
  std::string elements = record.FormatElements(structured);
  if (elements != " ") out << elements;
  out << '\n';
}

// The view a frame is worded in. A primary frame (PRM 1) is a request: the
// monitor's port 1, what a slave receives and a master sends.
clTrafficView ViewOf(const clIEC101Frame& frame, const clDecodeOptions& options) {
  clTrafficView view;
  view.role = options.role;
  const bool primary = frame.At(0) != clIEC101Frame::kSingleChar && frame.Prm() == 1;
  view.port = options.port != 0 ? options.port : primary ? 1 : 2;
  view.received = options.role == TrafficRole::kSlave ? primary : !primary;
  return view;
}

std::string Hex2(uint8_t octet) {
  char text[4];
  std::snprintf(text, sizeof text, "%02X", octet);
  return text;
}

// What is wrong with a complete frame whose checksum or end octet is wrong:
// " (checksum 4B, expected 4A)", " (end octet 17, expected 16)" or both.
std::string ChecksumDetail(const clIEC101Frame& frame) {
  const int32_t length = frame.Length();
  const bool variable = frame.At(0) == clIEC101Frame::kVariableStart;
  const uint8_t sum = FrameChecksum(frame.Data(), variable ? 4 : 1, length - 2);
  std::string detail;
  if (frame.At(length - 2) != sum)
    detail = "checksum " + Hex2(frame.At(length - 2)) + ", expected " + Hex2(sum);
  if (frame.At(length - 1) != clIEC101Frame::kEnd) {
    if (!detail.empty()) detail += "; ";
    detail += "end octet " + Hex2(frame.At(length - 1)) + ", expected " +
              Hex2(clIEC101Frame::kEnd);
  }
  return detail.empty() ? "" : " (" + detail + ")";
}

// Gathers frames from a run of octets as a receiver would, printing each frame
// or event; after each the frame is reset and gathering goes on with the next
// octet. EndRun prints the octets left over as a frame that did not complete.
class clFrameGatherer {
 public:
  clFrameGatherer(const clDecodeOptions& options, std::ostream& out)
      : options_(options), events_(EventsOf(options)), out_(out) {
    // The frame takes its sizes in the order link address, common address,
    // object address, cause.
    frame_.SetSizes(options.linkAddressSize, options.commonAddressSize, options.ioaSize,
                    options.causeSize);
  }

  void Feed(const std::vector<uint8_t>& octets) {
    for (uint8_t octet : octets) {
      const FrameStatus status = frame_.AppendOctet(octet) ? frame_.Check() : FrameOverflow;
      if (status == FrameIncomplete) continue;
      clTrafficRecord& record = frame_.record;
      if (status == FrameComplete) {
        DecodeTrafficText(frame_, ViewOf(frame_, options_), LocalNow(), record);
        ++frames_;
      } else if (status == FrameBadChecksum) {
        FillEventRecord(frame_, events_.badChecksum + ChecksumDetail(frame_), record);
      } else {
        FillEventRecord(frame_, status == FrameBadStart ? events_.badStart : events_.overflow,
                        record);
      }
      PrintRecord(record, options_.structured, out_);
      frame_.Reset();  // as in a receiver, the octet that overflowed the buffer is lost
    }
  }

  void EndRun() {
    if (frame_.Length() == 0) return;
    FillEventRecord(frame_, events_.incomplete, frame_.record);
    PrintRecord(frame_.record, options_.structured, out_);
    frame_.Reset();
  }

  int Frames() const { return frames_; }

 private:
  const clDecodeOptions& options_;
  const EventTexts& events_;
  std::ostream& out_;
  clIEC101Frame frame_;
  int frames_ = 0;
};

// The next line of in, at most kMaxLineCharacters of it; *tooLong when the line
// was longer (the rest of it is skipped). False at the end of the input.
bool ReadLine(std::istream& in, std::string* line, bool* tooLong) {
  line->clear();
  *tooLong = false;
  std::streambuf* buffer = in.rdbuf();
  for (;;) {
    const int c = buffer->sbumpc();
    if (c == std::char_traits<char>::eof()) return !line->empty() || *tooLong;
    if (c == '\n') return true;
    if (line->size() < kMaxLineCharacters) {
      line->push_back(static_cast<char>(c));
    } else {
      *tooLong = true;
    }
  }
}

}  // namespace

bool DecodeOptionsFrom(const clCommandLine& line, clDecodeOptions* options, std::string* error) {
  for (const clOption& option : line.options) {
    const std::string& value = option.value;
    bool ok = true;
    if (option.name == "--structured") options->structured = true;
    if (option.name == "--sizes") ok = ParseSizes(value, *options);
    if (option.name == "--role") {
      ok = ParseRole(value, options->role);
      options->roleGiven = true;
    }
    if (option.name == "--port") {
      ok = value == "1" || value == "2";
      options->port = value == "2" ? 2 : 1;
    }
    if (!ok) {
      *error = "bad value '" + value + "' for " + option.name;
      return false;
    }
  }
  return true;
}

clDecodeCounts DecodeStream(std::istream& in, std::ostream& out, std::ostream& err,
                            const clDecodeOptions& options) {
  clDecodeCounts counts;
  clFrameGatherer gatherer(options, out);
  std::string line;
  bool tooLong = false;
  bool inTrace = false;    // a traffic line was read: other lines are its text
  bool inDump = false;     // the previous line was a dump line
  uint64_t nextOffset = 0;  // where the dump's next line should begin
  const auto refuse = [&](int number, const std::string& why) {
    err << "telvane: line " << number << ": " << why << '\n';
    ++counts.refusedLines;
  };
  for (int number = 1; ReadLine(in, &line, &tooLong); ++number) {
    const clDecodeLine parsed =
        tooLong ? clDecodeLine{clDecodeLine::kBad, {}, 0, false, ""} : ParseDecodeLine(line);
    const bool dump = parsed.kind == clDecodeLine::kDumpOctets;
    // A dump runs on from line to line until it ends or starts again at 0.
    if (inDump && (!dump || parsed.offset != nextOffset)) gatherer.EndRun();
    inDump = dump;
    inTrace = inTrace || parsed.traceHeader;
    switch (parsed.kind) {
      case clDecodeLine::kNothing:
      case clDecodeLine::kTraceText:
        break;
      case clDecodeLine::kDumpOctets:
        gatherer.Feed(parsed.octets);
        nextOffset = parsed.offset + parsed.octets.size();
        break;
      case clDecodeLine::kOctets:
        gatherer.Feed(parsed.octets);
        gatherer.EndRun();
        break;
      case clDecodeLine::kBad:
        if (!parsed.bad.empty() && inTrace) break;  // a decoded line of the trace
        if (parsed.bad.empty()) {
          refuse(number, tooLong ? "longer than " + std::to_string(kMaxLineCharacters) +
                                       " characters, not decoded"
                                 : "more than " + std::to_string(kMaxDecodeLineOctets) +
                                       " octets, not decoded");
        } else {
          refuse(number, "not hexadecimal octets: '" + parsed.bad.substr(0, 32) + "'");
        }
        break;
    }
  }
  gatherer.EndRun();
  counts.frames = gatherer.Frames();
  return counts;
}

int RunDecodeCommand(const clCommandLine& line) {
  if (!line.operands.empty())
    return UsageError(clCommand::kDecode,
                      "--decode reads standard input and takes no file: '" + line.operands[0] + "'");
  clDecodeOptions options;
  std::string error;
  if (!DecodeOptionsFrom(line, &options, &error)) return UsageError(clCommand::kDecode, error);
  std::ios::sync_with_stdio(false);  // standard input is read octet by octet
  const clDecodeCounts counts = DecodeStream(std::cin, std::cout, std::cerr, options);
  std::cout.flush();
  if (counts.frames > 0) return kExitOk;
  std::cerr << "telvane: no frame decoded\n";
  return kExitUnreadable;
}

// telvane --decode: decodes captured frames given as hexadecimal text.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>

#include "protocol/traffic_text.h"

struct clCommandLine;

// Options of the decode command.
struct clDecodeOptions {
  uint32_t linkAddressSize = 1;
  uint32_t commonAddressSize = 2;
  uint32_t causeSize = 1;
  uint32_t ioaSize = 2;
  bool roleGiven = false;  // otherwise the monitor's wording, directed by PRM
  TrafficRole role = TrafficRole::kMonitor;
  int32_t port = 0;  // the monitor's port; 0: by each frame's PRM bit
  bool structured = false;
};

// The decode options of a parsed command line; false with the reason in error
// when a value is out of range.
bool DecodeOptionsFrom(const clCommandLine& line, clDecodeOptions* options, std::string* error);

// What a decode run did.
struct clDecodeCounts {
  int frames = 0;  // complete frames decoded
  int refusedLines = 0;
};

// Reads lines from in (the forms of ParseDecodeLine) and writes to out, for every
// frame gathered from them, its description, its element rows when there are
// any, and one empty line; octets that do not form a complete frame print the
// receiver's event text instead. Each line is a run of its own, except the lines
// of one dump, which run on into each other. Lines that cannot be read are named
// on err as "telvane: line N: ...", without their text when they are too long.
clDecodeCounts DecodeStream(std::istream& in, std::ostream& out, std::ostream& err,
                            const clDecodeOptions& options);

// Runs "telvane --decode ...": 0 when a frame decoded, kExitUnreadable when none
// did, kExitUsage for wrong options.
int RunDecodeCommand(const clCommandLine& line);

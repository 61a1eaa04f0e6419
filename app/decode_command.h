// telvane --decode: decodes captured frames given as hexadecimal text.
#pragma once
#include <cstdint>
#include <iosfwd>
#include <string>

#include "protocol/traffic_text.h"

// Options of the decode command.
struct clDecodeOptions {
  uint32_t linkAddressSize = 1;
  uint32_t commonAddressSize = 2;
  uint32_t causeSize = 1;
  uint32_t ioaSize = 2;
  TrafficRole role = TrafficRole::kMonitor;
  int32_t port = 1;
  bool structured = false;
};

// Parses the arguments that follow "--decode". Returns false (with a reason in error)
// when an option is unknown, lacks its value, or has a value out of range.
bool ParseDecodeOptions(int argc, char** argv, clDecodeOptions& options, std::string& error);

// Reads lines of hexadecimal octets from in (as in a traffic header's brackets; text
// outside one pair of brackets is ignored) and writes, for every frame gathered from
// them, its description, its element rows when there are any, and one empty line.
// Octets that do not form a complete frame print the receiver's event text instead.
void DecodeStream(std::istream& in, std::ostream& out, const clDecodeOptions& options);

// Runs "telvane --decode ..." with the arguments that follow "--decode"; returns the exit
// code: 0, or 2 with a usage text on stderr when the options are wrong.
int RunDecodeCommand(int argc, char** argv);

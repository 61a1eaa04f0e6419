#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One fault command for a virtual cable, as a test script writes it after the
// word "line":
//   <n> noise <A|B|both> <probability>   each octet that end sends is corrupted
//   <n> drop <A|B|both> <probability>    each octet that end sends is lost
//   <n> cut | <n> restore                the cable stops / starts carrying octets
//   <n> clear                            no faults at all
// n is a cable number from 1 to 99, the probability a number from 0 to 1.
// Words and directions are taken in any letter case.
struct VirtualLineCommand {
  enum Action : int32_t { kNoise, kDrop, kCut, kRestore, kClear };
  int32_t cable = 0;
  Action action = kClear;
  bool fromA = false;  // noise, drop: they apply to what end A sends
  bool fromB = false;  // ... and to what end B sends
  double probability = 0.0;
};

// Parses the words after "line". On failure returns false with a message that
// names the offending word and what was expected, and leaves `out` alone.
bool ParseLineCommand(const std::vector<std::string>& wordsAfterLine, VirtualLineCommand* out,
                      std::string* error);

// Applies a parsed command to the process's cables (clVirtualLines); false
// only for a command ParseLineCommand would not have produced.
bool ApplyLineCommand(const VirtualLineCommand& command);

// Parses and applies in one step; on failure nothing changes and `error`
// (when given) says why.
bool ApplyLineCommand(const std::vector<std::string>& wordsAfterLine, std::string* error);

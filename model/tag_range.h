#pragma once
#include <cstdint>
#include <string>

// The values a tag of each type can hold: what its element carries on the
// line, so that a value stored in a tag is exactly the value sent. Used to
// refuse a value before it is stored or sent (the write command, a user's edit
// of a slave value).
struct clTagValueRange {
  double min = 0;
  double max = 0;
  bool whole = false;     // only whole numbers
  const char* text = "";  // the range in words, e.g. "a whole number from -32768 to 32767"
};

// The range of a tag type; false for a type that carries no value
// (interrogation, clock synchronisation) or an unknown code.
bool TagValueRange(int32_t type, clTagValueRange* range);

// "" when a tag of `type` can hold `value` (always for a type without a value);
// otherwise the message to show, naming the value, the type and its range:
// "Value 40000 is out of range: SetPoint Scaled Command takes a whole number
// from -32768 to 32767".
std::string CheckTagValue(int32_t type, double value);

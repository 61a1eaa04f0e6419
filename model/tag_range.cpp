#include "model/tag_range.h"

#include <cfloat>
#include <cmath>
#include <cstdio>

#include "model/tag.h"
#include "model/tag_text.h"

namespace {

struct RangeRow {
  int32_t type;
  clTagValueRange range;
};

// By element: SIQ/SCO one bit, DIQ/DCO/RCO two bits, VTI seven bits signed, NVA
// a fraction from -1 (1.0 is sent as the largest word), SVA 16 bits signed, BCR
// 32 bits signed, R32 a finite single-precision number.
constexpr clTagValueRange kOneBit{0, 1, true, "0 (Off) or 1 (On)"};
constexpr clTagValueRange kTwoBits{0, 3, true, "a whole number from 0 to 3"};
constexpr clTagValueRange kNormalized{-1, 1, false, "a number from -1 to 1"};
constexpr clTagValueRange kScaled{-32768, 32767, true, "a whole number from -32768 to 32767"};
constexpr clTagValueRange kFloat{-FLT_MAX, FLT_MAX, false,
                                 "a number from -3.40282e+38 to 3.40282e+38"};

constexpr RangeRow kRanges[] = {
    {clTag::kSinglePoint, kOneBit},
    {clTag::kDoublePoint, kTwoBits},
    {clTag::kMeasuredNormalized, kNormalized},
    {clTag::kMeasuredScaled, kScaled},
    {clTag::kMeasuredFloat, kFloat},
    {clTag::kIntegratedTotals,
     {-2147483648.0, 2147483647.0, true, "a whole number from -2147483648 to 2147483647"}},
    {clTag::kStepPosition, {-64, 63, true, "a whole number from -64 to 63"}},
    {clTag::kSingleCommand, kOneBit},
    {clTag::kDoubleCommand, kTwoBits},
    {clTag::kSetpointNormalized, kNormalized},
    {clTag::kSetpointScaled, kScaled},
    {clTag::kSetpointFloat, kFloat},
    {clTag::kRegulatingStep, kTwoBits},
};

}  // namespace

bool TagValueRange(int32_t type, clTagValueRange* range) {
  for (const RangeRow& row : kRanges) {
    if (row.type != type) continue;
    if (range) *range = row.range;
    return true;
  }
  return false;
}

std::string CheckTagValue(int32_t type, double value) {
  clTagValueRange range;
  if (!TagValueRange(type, &range)) return "";
  const bool fits = std::isfinite(value) && value >= range.min && value <= range.max &&
                    (!range.whole || value == std::trunc(value));
  if (fits) return "";
  // Beyond 1e15 the number text would run to hundreds of digits.
  char large[32];
  std::snprintf(large, sizeof large, "%g", value);
  const std::string shown =
      std::isfinite(value) && std::fabs(value) < 1e15 ? NumberText(value) : std::string(large);
  return "Value " + shown + " is out of range: " + TagTypeName(type) + " takes " + range.text;
}

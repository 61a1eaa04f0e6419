#include "master/master_dialogs.h"

#include "model/object_settings.h"
#include "model/tag_range.h"
#include "model/tag_text.h"

namespace {

constexpr int32_t kSingleCommand = 8, kDoubleCommand = 9, kRegulatingStep = 13;

// First list value of each dialog: single command lists 0 and 1, the others 1 and 2.
int32_t FirstValue(int32_t tagType) {
  if (tagType == kSingleCommand) return 0;
  if (tagType == kDoubleCommand || tagType == kRegulatingStep) return 1;
  return -1;
}

}  // namespace

int32_t CommandChoiceIndex(int32_t tagType, int32_t lastValue) {
  int32_t first = FirstValue(tagType);
  if (first < 0 || lastValue < first || lastValue > first + 1) return -1;
  return lastValue - first;
}

int32_t CommandChoiceValue(int32_t tagType, int32_t index, int32_t unchanged) {
  int32_t first = FirstValue(tagType);
  if (first < 0 || index < 0 || index > 1) return unchanged;
  return first + index;
}

int32_t MasterTagTypeAt(int32_t index) { return ListValue(kMasterTagTypeOrder, index); }

int32_t MasterTagTypeIndex(int32_t tagType) { return ListIndex(kMasterTagTypeOrder, tagType); }

std::string ReadSetpointValue(int32_t tagType, std::string_view text, double* value) {
  double number = 0;
  if (!ParseDecimal(text, number)) return "Enter a number";
  std::string bad = CheckTagValue(tagType, number);
  if (!bad.empty()) return bad;
  if (value) *value = number;
  return "";
}

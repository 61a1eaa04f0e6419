#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The list logic of the master's command dialogs and tag dialog, without any
// user interface: which entry a dialog shows for the value sent last, what a
// confirmed entry hands on, and which fields a tag type enables.

// Entry shown by the single, double and regulating step command dialogs for the
// last value sent with that command type: "Off"/"On" for 0/1 (single), the first
// or second entry for 1/2 (double: "Open"/"Close", step: "Lower"/"Higher").
// -1 (no selection) for any other value or type.
int32_t CommandChoiceIndex(int32_t tagType, int32_t lastValue);
// The value a confirmed entry hands to the builder; confirming without a
// selection (-1) leaves `unchanged`.
int32_t CommandChoiceValue(int32_t tagType, int32_t index, int32_t unchanged);

// The tag dialog's "Type" list, in its order, as tag type codes.
inline constexpr int32_t kMasterTagTypeOrder[] = {1, 2,  7,  3,  4,  5,  6, 8,
                                                  9, 13, 10, 11, 12, 14, 15};
// Tag type of a list entry, or 0; list entry of a tag type, or -1.
int32_t MasterTagTypeAt(int32_t index);
int32_t MasterTagTypeIndex(int32_t tagType);
// "SBO" is enabled for commands 8 to 13, "Enable Scale" for measurands 3 to 6.
inline bool SboEnabled(int32_t tagType) { return tagType >= 8 && tagType <= 13; }
inline bool ScaleEnabled(int32_t tagType) { return tagType >= 3 && tagType <= 6; }
// Interrogation and clock synchronisation tags are stored with address 0.
inline int32_t StoredIoa(int32_t tagType, int32_t ioa) {
  return tagType == 14 || tagType == 15 ? 0 : ioa;
}

// The setpoint dialogs' value: "" with the number in *value when `text` is a
// number the command of `tagType` can carry; otherwise the message to show
// (the dialog stays open and nothing is sent).
std::string ReadSetpointValue(int32_t tagType, std::string_view text, double* value);

// "Time Synchronization": the date and time pickers apply only to "Custom Time".
inline constexpr int32_t kCurrentTime = 1;
inline constexpr int32_t kCustomTime = 2;
inline bool TimePickersEnabled(int32_t timeMode) { return timeMode == kCustomTime; }

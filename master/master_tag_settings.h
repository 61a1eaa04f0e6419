#pragma once
#include <cstdint>
#include <string>

#include "model/object_settings.h"

class clTag;

// A master tag as "Tag Properties" edits it, with the dialog's enabling and
// storing rules; no user interface involved. Filled from a tag, changed by the
// caller, checked, then applied.
struct clMasterTagSettings {
  enum : int32_t { kScaleNone = 0, kScaleLinear = 2, kScaleFactor = 4 };

  std::string name;
  int32_t type = 1;  // tag type code; the "Type" list maps entries to codes
  clTagAddress address;
  bool selectBeforeOperate = false;  // "SBO": "Direct Operate" / "Select Operate"
  bool scaleEnabled = false;         // "Enable Scale"
  int32_t scaleType = kScaleLinear;  // "Linear" / "Scale Factor"; none when neither
  double rawMin = 0, rawMax = 0, engMin = 0, engMax = 0;
  double factor = 0;

  static clMasterTagSettings From(const clTag& tag);

  // Enabling rules, applied on opening and whenever the type, the structure
  // choice, "Enable Scale", "Linear" or "Scale Factor" changes.
  bool SboEnabled() const;
  bool ScaleEnabled() const;
  bool LinearEnabled() const { return ScaleEnabled() && scaleEnabled && scaleType == kScaleLinear; }
  bool FactorEnabled() const { return ScaleEnabled() && scaleEnabled && scaleType == kScaleFactor; }
  // The address fields: the single number, or the three structure octets.
  bool IoaEnabled() const { return !address.structured; }
  bool StructureEnabled() const { return address.structured; }

  // "" when OK may store the settings on a device with `ioaSize` octet
  // addresses; otherwise the message to show. The address is not checked for
  // interrogation and clock synchronisation tags, which are stored with 0.
  std::string Check(int32_t ioaSize) const;
  // Stores name (an empty one keeps the old), address, structure and scale
  // flags, the scaling mode with the ranges (linear) or the factor, the type;
  // the select-before-operate flag only for command types 8 to 13; address 0
  // for types 14 and 15.
  void ApplyTo(clTag& tag) const;
};

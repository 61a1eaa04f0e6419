#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "model/object_settings.h"

class clDevice;
class clSector;
class clTag;

// A slave tag as its "Tag Properties" dialog edits it, and the rules of the tag
// browser that chooses its link; no user interface involved.

// The "Type" list of the slave tag dialog, in its order, as tag type codes.
inline constexpr int32_t kSlaveTagTypeOrder[] = {1, 2, 7, 3, 4, 5, 6, 8, 9, 13, 10, 11, 12};
// Tag type of a list entry, or 0; list entry of a tag type, or -1.
int32_t SlaveTagTypeAt(int32_t index);
int32_t SlaveTagTypeIndex(int32_t tagType);

// The "Quality Descriptor" check boxes, in dialog order: "Overflow",
// "Blocked", "Subtituted", "Not Topical", "Invalid".
inline constexpr int32_t kSlaveQualityBits[] = {0x10, 0x01, 0x02, 0x04, 0x08};

struct clSlaveTagSettings {
  std::string name;
  int32_t type = 1;
  clTagAddress address;
  bool linkEnabled = false;  // "Enable Link"
  int32_t linkTarget = 0;    // identity of the linked tag
  int32_t quality = 0;       // the bits of kSlaveQualityBits that are set

  static clSlaveTagSettings From(const clTag& tag);
  // "" when OK may store the settings on a device with `ioaSize` octet
  // addresses; otherwise the message to show.
  std::string Check(int32_t ioaSize) const;
  // Stores name (an empty one keeps the old), type (a code of the list),
  // address and structure choice, link and the quality bits of the dialog;
  // other quality bits (uncertain) stay as they were.
  void ApplyTo(clTag& tag) const;
};

// Whether a command tag of `commandType` may be linked to a tag of
// `candidateType`: single and double commands to single and double points, each
// setpoint to its measured value, the regulating step to a step position.
bool LinkSuits(int32_t commandType, int32_t candidateType);
// The tags of a sector that a tag of `commandType` may link to, in list order.
std::vector<clTag*> LinkCandidates(const clSector& sector, int32_t commandType);
// The tag of the device with identity `id` and its sector, searched sector by
// sector in list order; false when none has it.
bool FindTagById(const clDevice& device, int32_t id, clSector** sector, clTag** tag);
// The text naming a link: "sector name.tag name"; "" when no tag has the identity.
std::string LinkText(const clDevice& device, int32_t id);

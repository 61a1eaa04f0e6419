#pragma once
#include <cstdint>

#include "model/owned_list.h"
#include "model/tag.h"

// The tags of a sector or of a monitor device, in ascending name order (a monitor
// appends the tags it creates at the end). See clOwnedList for the threading rules:
// look-ups work on a snapshot and may run on any thread.
class clTags : public clOwnedList<clTag> {
 public:
  static constexpr int32_t kIoaSearchLimit = 0xFFFFFF1;

  // First tag with both the type and the IOA, or none.
  clTag* FindByTypeAndIoa(int32_t type, int32_t ioa) const;
  // First tag with the IOA, of any type, or none.
  clTag* FindByIoa(int32_t ioa) const;
  // The tag of the type with the smallest IOA below kIoaSearchLimit; the first in
  // list order wins a tie.
  clTag* FirstOfType(int32_t type) const;
  // The tag of the type with the smallest IOA greater than `ioa`, or none.
  clTag* NextOfType(int32_t type, int32_t ioa) const;
  // Monitor tags: first tag seen with this common address, IOA and type.
  clTag* FindMonitorTag(int32_t commonAddress, int32_t ioa, int32_t type) const;
  // Sets every tag's quality to uncertain (0x100).
  void MarkAllUncertain() const;
};

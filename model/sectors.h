#pragma once
#include <cstdint>

#include "model/owned_list.h"
#include "model/sector.h"

// The sectors of a master or slave device, in ascending name order; the
// threading rules are clOwnedList's.
class clSectors : public clOwnedList<clSector> {
 public:
  // The largest common address plus 1; 1 when empty.
  int32_t NextFreeCommonAddress() const;
  clSector* FindById(int32_t id) const;
  // First sector in list order with the common address; devices route ASDUs so.
  clSector* FindByCommonAddress(int32_t commonAddress) const;
  clSector* First() const;
  // First tag of the type and IOA, searching the sectors with the common address
  // in list order (a device may hold more than one sector with an address).
  clTag* FindTag(int32_t commonAddress, int32_t type, int32_t ioa) const;
  // Sets every tag of every sector to quality uncertain (0x100).
  void MarkAllUncertain() const;
};

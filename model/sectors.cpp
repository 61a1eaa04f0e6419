#include "model/sectors.h"

int32_t clSectors::NextFreeCommonAddress() const {
  auto items = Items();
  if (items.empty()) return 1;
  int32_t largest = items[0]->CommonAddress();
  for (const clSector* sector : *items) largest = std::max(largest, sector->CommonAddress());
  return largest == INT32_MAX ? largest : largest + 1;
}

clSector* clSectors::FindById(int32_t id) const {
  for (clSector* sector : *Items()) {
    if (sector->Id() == id) return sector;
  }
  return nullptr;
}

clSector* clSectors::FindByCommonAddress(int32_t commonAddress) const {
  for (clSector* sector : *Items()) {
    if (sector->CommonAddress() == commonAddress) return sector;
  }
  return nullptr;
}

clSector* clSectors::First() const {
  auto items = Items();
  return items.empty() ? nullptr : items.front();
}

clTag* clSectors::FindTag(int32_t commonAddress, int32_t type, int32_t ioa) const {
  for (const clSector* sector : Items()) {
    if (sector->CommonAddress() != commonAddress) continue;
    if (clTag* tag = sector->Tags().FindByTypeAndIoa(type, ioa)) return tag;
  }
  return nullptr;
}

void clSectors::MarkAllUncertain() const {
  for (const clSector* sector : *Items()) sector->Tags().MarkAllUncertain();
}

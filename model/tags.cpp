#include "model/tags.h"

clTag* clTags::FindByTypeAndIoa(int32_t type, int32_t ioa) const {
  for (clTag* tag : *Items()) {
    if (tag->TagType() == type && tag->Ioa() == ioa) return tag;
  }
  return nullptr;
}

clTag* clTags::FindByIoa(int32_t ioa) const {
  for (clTag* tag : *Items()) {
    if (tag->Ioa() == ioa) return tag;
  }
  return nullptr;
}

clTag* clTags::FirstOfType(int32_t type) const {
  clTag* best = nullptr;
  for (clTag* tag : *Items()) {
    if (tag->TagType() != type || tag->Ioa() >= kIoaSearchLimit) continue;
    if (!best || tag->Ioa() < best->Ioa()) best = tag;
  }
  return best;
}

clTag* clTags::NextOfType(int32_t type, int32_t ioa) const {
  clTag* best = nullptr;
  for (clTag* tag : *Items()) {
    if (tag->TagType() != type || tag->Ioa() <= ioa) continue;
    if (!best || tag->Ioa() < best->Ioa()) best = tag;
  }
  return best;
}

clTag* clTags::FindMonitorTag(int32_t commonAddress, int32_t ioa, int32_t type) const {
  for (clTag* tag : *Items()) {
    if (tag->CommonAddress() == commonAddress && tag->Ioa() == ioa && tag->TagType() == type)
      return tag;
  }
  return nullptr;
}

void clTags::MarkAllUncertain() const {
  for (clTag* tag : *Items()) tag->SetQuality(clTag::kQualityUncertain);
}

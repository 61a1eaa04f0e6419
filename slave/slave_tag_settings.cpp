#include "slave/slave_tag_settings.h"

#include "model/device.h"
#include "model/sector.h"
#include "model/tag.h"

namespace {

// What each command tag type may be linked to; the slave changes such a tag
// when it executes the command.
constexpr struct {
  int32_t commandType;
  int32_t linkedType;
} kLinks[] = {
    {clTag::kSingleCommand, clTag::kSinglePoint},
    {clTag::kSingleCommand, clTag::kDoublePoint},
    {clTag::kDoubleCommand, clTag::kSinglePoint},
    {clTag::kDoubleCommand, clTag::kDoublePoint},
    {clTag::kSetpointNormalized, clTag::kMeasuredNormalized},
    {clTag::kSetpointScaled, clTag::kMeasuredScaled},
    {clTag::kSetpointFloat, clTag::kMeasuredFloat},
    {clTag::kRegulatingStep, clTag::kStepPosition},
};

int32_t QualityBitsOf(int32_t quality) {
  int32_t bits = 0;
  for (int32_t bit : kSlaveQualityBits) bits |= quality & bit;
  return bits;
}

}  // namespace

int32_t SlaveTagTypeAt(int32_t index) { return ListValue(kSlaveTagTypeOrder, index); }

int32_t SlaveTagTypeIndex(int32_t tagType) { return ListIndex(kSlaveTagTypeOrder, tagType); }

clSlaveTagSettings clSlaveTagSettings::From(const clTag& tag) {
  clSlaveTagSettings s;
  s.name = tag.Name();
  s.type = tag.TagType();
  s.address = clTagAddress::From(tag);
  s.linkEnabled = tag.LinkEnabled();
  s.linkTarget = tag.LinkTarget();
  s.quality = QualityBitsOf(tag.Quality());
  return s;
}

std::string clSlaveTagSettings::Check(int32_t ioaSize) const {
  std::string bad = CheckObjectName(name);
  return bad.empty() ? address.Check(ioaSize) : bad;
}

void clSlaveTagSettings::ApplyTo(clTag& tag) const {
  if (!name.empty()) tag.SetName(name);
  if (SlaveTagTypeIndex(type) >= 0) tag.SetType(type);
  address.ApplyTo(tag);
  tag.SetLinkEnabled(linkEnabled);
  tag.SetLinkTarget(linkTarget);
  tag.SetQuality((tag.Quality() & ~QualityBitsOf(~0)) | QualityBitsOf(quality));
}

bool LinkSuits(int32_t commandType, int32_t candidateType) {
  for (const auto& link : kLinks)
    if (link.commandType == commandType && link.linkedType == candidateType) return true;
  return false;
}

std::vector<clTag*> LinkCandidates(const clSector& sector, int32_t commandType) {
  std::vector<clTag*> candidates;
  for (clTag* tag : *sector.Tags().Items())
    if (LinkSuits(commandType, tag->TagType())) candidates.push_back(tag);
  return candidates;
}

bool FindTagById(const clDevice& device, int32_t id, clSector** sector, clTag** tag) {
  const clSectors* sectors = device.Sectors();
  if (sectors == nullptr) return false;
  for (clSector* s : *sectors->Items()) {
    for (clTag* t : *s->Tags().Items()) {
      if (t->Id() != id) continue;
      if (sector) *sector = s;
      if (tag) *tag = t;
      return true;
    }
  }
  return false;
}

std::string LinkText(const clDevice& device, int32_t id) {
  clSector* sector = nullptr;
  clTag* tag = nullptr;
  if (!FindTagById(device, id, &sector, &tag)) return "";
  return sector->Name() + "." + tag->Name();
}

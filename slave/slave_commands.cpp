// Command handling of the slave: the six control-direction commands, their
// confirmation and termination, and their effect on the addressed command tag
// and on the monitored tag it is linked to.
#include <memory>

#include "model/sector.h"
#include "model/tag.h"
#include "protocol/asdu.h"
#include "protocol/iec101_codes.h"
#include "slave/slave_engine.h"

namespace {

// The command tag type each command addresses.
constexpr struct {
  uint8_t typeId;
  int32_t tagType;
} kCommandTagTypes[] = {
    {kTypeSingleCommand, clTag::kSingleCommand},
    {kTypeDoubleCommand, clTag::kDoubleCommand},
    {kTypeStepCommand, clTag::kRegulatingStep},
    {kTypeSetpointNormalized, clTag::kSetpointNormalized},
    {kTypeSetpointScaled, clTag::kSetpointScaled},
    {kTypeSetpointFloat, clTag::kSetpointFloat},
};

int32_t CommandTagType(uint8_t typeId) {
  for (const auto& entry : kCommandTagTypes)
    if (entry.typeId == typeId) return entry.tagType;
  return 0;
}

// What an executed command does to the monitored tag its command tag links to.
enum class LinkEffect : uint8_t {
  kSingleToPoint,  // single command onto a single or double point
  kDoubleToPoint,  // double command onto a single or double point
  kStep,           // regulating step onto a step position, with wrap-around
  kSetpoint,       // set-point onto a measured value: the value itself
};

constexpr struct {
  uint8_t typeId;
  int32_t linkedType;
  LinkEffect effect;
} kLinkRules[] = {
    {kTypeSingleCommand, clTag::kSinglePoint, LinkEffect::kSingleToPoint},
    {kTypeSingleCommand, clTag::kDoublePoint, LinkEffect::kSingleToPoint},
    {kTypeDoubleCommand, clTag::kSinglePoint, LinkEffect::kDoubleToPoint},
    {kTypeDoubleCommand, clTag::kDoublePoint, LinkEffect::kDoubleToPoint},
    {kTypeStepCommand, clTag::kStepPosition, LinkEffect::kStep},
    {kTypeSetpointNormalized, clTag::kMeasuredNormalized, LinkEffect::kSetpoint},
    {kTypeSetpointScaled, clTag::kMeasuredScaled, LinkEffect::kSetpoint},
    {kTypeSetpointFloat, clTag::kMeasuredFloat, LinkEffect::kSetpoint},
};

const LinkEffect* FindLinkEffect(uint8_t typeId, int32_t linkedType) {
  for (const auto& rule : kLinkRules)
    if (rule.typeId == typeId && rule.linkedType == linkedType) return &rule.effect;
  return nullptr;
}

constexpr int32_t kStepMin = -64;
constexpr int32_t kStepMax = 63;

// The linked tag's new value; `current` when the command leaves it alone.
double LinkedValue(LinkEffect effect, int32_t linkedType, double command, double current,
                   int64_t currentInteger) {
  const bool single = linkedType == clTag::kSinglePoint;
  const auto state = static_cast<int32_t>(command);
  switch (effect) {
    case LinkEffect::kSingleToPoint:
      if (single) return command != 0 ? 1 : 0;
      return command != 0 ? 2 : 1;
    case LinkEffect::kDoubleToPoint:
      // DCS 1 is off (open), 2 on (close); 0 and 3 are not states to take.
      if (state == 1) return single ? 0 : 1;
      if (state == 2) return single ? 1 : 2;
      return current;
    case LinkEffect::kStep:
      // RCS 1 lowers, 2 raises; the position wraps around at its 7-bit range.
      if (state == 1) return currentInteger <= kStepMin ? kStepMax : currentInteger - 1;
      if (state == 2) return currentInteger >= kStepMax ? kStepMin : currentInteger + 1;
      return current;
    case LinkEffect::kSetpoint:
      return command;
  }
  return current;
}

// The value and the select bit of the first object of a command request;
// false when the object is not complete in the frame.
bool ReadCommand(const clIEC101Frame& frame, uint8_t typeId, double& value, bool& select) {
  const clElementLayout* layout = FindElementLayout(typeId);
  const int32_t first = frame.FirstObjectPosition();
  if (!layout || first == 0) return false;
  const int32_t element = first + static_cast<int32_t>(frame.IoaSize());
  if (element + layout->objectSize > frame.Length() - 2) return false;
  switch (typeId) {
    case kTypeSingleCommand:
    case kTypeDoubleCommand:
    case kTypeStepCommand:
      value = frame.At(element) & 0x03;
      select = frame.FirstCommandSelect() != 0;
      return true;
    case kTypeSetpointNormalized:
      value = frame.FirstNormalized();
      select = frame.FirstSetpointSelect(2) != 0;
      return true;
    case kTypeSetpointScaled:
      value = ScaledValue(frame.FirstWord());
      select = frame.FirstSetpointSelect(2) != 0;
      return true;
    case kTypeSetpointFloat:
      value = frame.FirstFloat();
      select = frame.FirstSetpointSelect(4) != 0;
      return true;
    default:
      return false;
  }
}

}  // namespace

void clIEC101SlaveEngine::HandleCommand(uint8_t typeId) {
  const clSector* sector =
      device_.Sectors()->FindByCommonAddress(static_cast<int32_t>(rx_.CommonAddress()));
  double value = 0;
  bool select = false;
  clTag* tag = nullptr;
  if (sector && ReadCommand(rx_, typeId, value, select))
    tag = sector->Tags().FindByTypeAndIoa(CommandTagType(typeId),
                                          static_cast<int32_t>(rx_.FirstObjectAddress()));
  // No negative confirmation is ever sent: an unknown address is refused at
  // link level only.
  if (!tag) return SendFixed(kFunctionNoData);
  SendFixed(kFunctionAck);
  const uint8_t sequenceFlag = rx_.IsSequence() ? 1 : 0;
  EnqueueRequestCopy(kCauseActivationConfirmation, typeId, sequenceFlag);
  if (select) return;
  ApplyCommand(static_cast<uint32_t>(sector->CommonAddress()), *tag, typeId, value);
  EnqueueRequestCopy(kCauseActivationTermination, typeId, sequenceFlag);
}

void clIEC101SlaveEngine::ApplyCommand(uint32_t commonAddress, clTag& tag, uint8_t typeId,
                                       double value) {
  if (typeId == kTypeSingleCommand || typeId == kTypeDoubleCommand)
    tag.SetValue(value);
  else
    tag.SetRawValue(value);
  const clTimeStamp stamp = clock_.Now();
  tag.SetTimeStamp(stamp);
  if (!tag.LinkEnabled()) return;
  clTag* linked = FindLinkedTag(tag.LinkTarget());
  if (!linked) return;
  const LinkEffect* effect = FindLinkEffect(typeId, linked->TagType());
  if (!effect) return;  // a linked tag of another type is left alone

  const int64_t before = linked->ValueAsInteger();
  const double next = LinkedValue(*effect, linked->TagType(), value, linked->Value(), before);
  switch (*effect) {
    case LinkEffect::kSingleToPoint:
    case LinkEffect::kDoubleToPoint:
      linked->SetValue(next);
      if (linked->ValueAsInteger() == before) return;
      linked->SetTimeStamp(stamp);
      return ReportLinkedTag(commonAddress, *linked);
    case LinkEffect::kStep:
      // Reported even when unchanged, so the master sees the step was taken.
      linked->SetRawValue(next);
      linked->SetTimeStamp(stamp);
      return ReportLinkedTag(commonAddress, *linked);
    case LinkEffect::kSetpoint:
      // The master sees the new measured value at the next interrogation.
      linked->SetRawValue(next);
      linked->SetTimeStamp(stamp);
      return;
  }
}

clTag* clIEC101SlaveEngine::FindLinkedTag(int32_t identity) const {
  for (const clSector* sector : *device_.Sectors()->Items())
    for (clTag* tag : *sector->Tags().Items())
      if (tag->Id() == identity) return tag;
  return nullptr;
}

void clIEC101SlaveEngine::ReportLinkedTag(uint32_t commonAddress, const clTag& linked) {
  const auto ioa = static_cast<uint32_t>(linked.Ioa());
  const auto value = static_cast<int32_t>(linked.ValueAsInteger());
  const clDateTime time = linked.TimeStamp();
  const uint8_t quality = linked.QualityByte();
  switch (linked.TagType()) {
    case clTag::kSinglePoint:
      return ReportSinglePoint(commonAddress, ioa, value, time, quality);
    case clTag::kDoublePoint:
      return ReportDoublePoint(commonAddress, ioa, value, time, quality);
    case clTag::kStepPosition:
      return ReportStepPosition(commonAddress, ioa, value, time, quality);
    default:
      return;
  }
}

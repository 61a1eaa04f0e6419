// Data reporting of the slave: recording tag changes, the spontaneous builders,
// the general interrogation answer and the clock synchronisation confirmation.
#include <cmath>
#include <limits>
#include <memory>

#include "model/sector.h"
#include "model/tag.h"
#include "protocol/iec101_codes.h"
#include "slave/slave_engine.h"

namespace {

// Spontaneous ASDUs carry at most this many objects, whatever the type.
constexpr uint32_t kSpontaneousLimit = 16;

// How one monitored tag type is reported.
struct ReportType {
  int32_t tagType;
  uint8_t interrogationType;  // untimed, in sequences
  uint8_t spontaneousType;    // CP56Time2a time tag, one address per object
  uint32_t interrogationLimit;
};

// In the order the interrogation groups and the spontaneous builders run.
constexpr ReportType kReportTypes[] = {
    {clTag::kSinglePoint, 1, 30, 32},       {clTag::kDoublePoint, 3, 31, 32},
    {clTag::kStepPosition, 5, 32, 16},      {clTag::kMeasuredNormalized, 9, 34, 16},
    {clTag::kMeasuredScaled, 11, 35, 16},   {clTag::kMeasuredFloat, 13, 36, 16},
    {clTag::kIntegratedTotals, 15, 37, 16},
};

const ReportType* FindReportType(int32_t tagType) {
  for (const ReportType& type : kReportTypes)
    if (type.tagType == tagType) return &type;
  return nullptr;
}

// The value truncated toward zero, held within 32 bits (NaN gives 0).
int32_t TruncatedValue(double value) {
  if (std::isnan(value)) return 0;
  if (value >= static_cast<double>(std::numeric_limits<int32_t>::max()))
    return std::numeric_limits<int32_t>::max();
  if (value <= static_cast<double>(std::numeric_limits<int32_t>::min()))
    return std::numeric_limits<int32_t>::min();
  return static_cast<int32_t>(value);
}

// One element of an interrogation answer; with the address for the first
// object of a sequence, without it for the consecutive ones.
void AppendUntimed(clIEC101Frame& frame, int32_t tagType, bool withAddress, uint32_t ioa,
                   double value, uint8_t quality) {
  const int32_t integer = TruncatedValue(value);
  switch (tagType) {
    case clTag::kSinglePoint:
    case clTag::kDoublePoint: {
      const auto bits = static_cast<uint8_t>(integer & (tagType == clTag::kSinglePoint ? 1 : 3));
      return withAddress ? frame.AppendPointObject(ioa, bits, quality)
                         : frame.AppendPointObject(bits, quality);
    }
    case clTag::kStepPosition:
      return withAddress ? frame.AppendStepObject(ioa, integer, quality)
                         : frame.AppendStepObject(integer, quality);
    case clTag::kMeasuredNormalized:
      return withAddress ? frame.AppendNormalizedObject(ioa, value, quality)
                         : frame.AppendNormalizedObject(value, quality);
    case clTag::kMeasuredScaled:
      return withAddress ? frame.AppendScaledObject(ioa, integer, quality)
                         : frame.AppendScaledObject(integer, quality);
    case clTag::kMeasuredFloat:
      return withAddress ? frame.AppendFloatObject(ioa, value, quality)
                         : frame.AppendFloatObject(value, quality);
    case clTag::kIntegratedTotals:
      return withAddress ? frame.AppendCounterObject(ioa, integer, quality)
                         : frame.AppendCounterObject(integer, quality);
    default:
      return;
  }
}

// One object of a spontaneous ASDU: address, element, CP56Time2a.
void AppendTimed(clIEC101Frame& frame, const TagChange& change) {
  const int32_t integer = TruncatedValue(change.value);
  switch (change.kind) {
    case clTag::kSinglePoint:
      return frame.AppendPointObjectTimed(change.ioa, static_cast<uint8_t>(integer & 1),
                                          change.quality, change.time);
    case clTag::kDoublePoint:
      return frame.AppendPointObjectTimed(change.ioa, static_cast<uint8_t>(integer & 3),
                                          change.quality, change.time);
    case clTag::kStepPosition:
      return frame.AppendStepObjectTimed(change.ioa, integer, change.quality, change.time);
    case clTag::kMeasuredNormalized:
      return frame.AppendNormalizedObjectTimed(change.ioa, change.value, change.quality,
                                               change.time);
    case clTag::kMeasuredScaled:
      return frame.AppendScaledObjectTimed(change.ioa, integer, change.quality, change.time);
    case clTag::kMeasuredFloat:
      return frame.AppendFloatObjectTimed(change.ioa, change.value, change.quality, change.time);
    case clTag::kIntegratedTotals:
      return frame.AppendCounterObjectTimed(change.ioa, integer, change.quality, change.time);
    default:
      return;
  }
}

}  // namespace

// ---- recording changes ----

void clIEC101SlaveEngine::AddChange(int32_t kind, uint32_t commonAddress, uint32_t ioa,
                                    double value, const clDateTime& time, uint8_t quality) {
  const clSector* sector =
      device_.Sectors()->FindByCommonAddress(static_cast<int32_t>(commonAddress));
  if (!sector || !sector->Active()) return;
  auto change = std::make_unique<TagChange>();
  change->kind = kind;
  change->ioa = ioa;
  change->commonAddress = commonAddress;
  change->value = value;
  change->quality = quality;
  change->time = time;
  changes_.AddChange(std::move(change));
}

void clIEC101SlaveEngine::ReportSinglePoint(uint32_t commonAddress, uint32_t ioa, int32_t value,
                                            const clDateTime& time, uint8_t quality) {
  AddChange(clTag::kSinglePoint, commonAddress, ioa, value, time, quality);
}
void clIEC101SlaveEngine::ReportDoublePoint(uint32_t commonAddress, uint32_t ioa, int32_t value,
                                            const clDateTime& time, uint8_t quality) {
  AddChange(clTag::kDoublePoint, commonAddress, ioa, value, time, quality);
}
void clIEC101SlaveEngine::ReportStepPosition(uint32_t commonAddress, uint32_t ioa, int32_t value,
                                             const clDateTime& time, uint8_t quality) {
  AddChange(clTag::kStepPosition, commonAddress, ioa, value, time, quality);
}
void clIEC101SlaveEngine::ReportNormalized(uint32_t commonAddress, uint32_t ioa, double value,
                                           const clDateTime& time, uint8_t quality) {
  AddChange(clTag::kMeasuredNormalized, commonAddress, ioa, value, time, quality);
}
void clIEC101SlaveEngine::ReportScaled(uint32_t commonAddress, uint32_t ioa, double value,
                                       const clDateTime& time, uint8_t quality) {
  AddChange(clTag::kMeasuredScaled, commonAddress, ioa, value, time, quality);
}
void clIEC101SlaveEngine::ReportFloat(uint32_t commonAddress, uint32_t ioa, double value,
                                      const clDateTime& time, uint8_t quality) {
  AddChange(clTag::kMeasuredFloat, commonAddress, ioa, value, time, quality);
}
void clIEC101SlaveEngine::ReportTotal(uint32_t commonAddress, uint32_t ioa, double value,
                                      const clDateTime& time, uint8_t quality) {
  AddChange(clTag::kIntegratedTotals, commonAddress, ioa, value, time, quality);
}

bool clIEC101SlaveEngine::SetTagValue(uint32_t commonAddress, uint32_t ioa, double value) {
  const clSector* sector =
      device_.Sectors()->FindByCommonAddress(static_cast<int32_t>(commonAddress));
  if (!sector) return false;
  for (clTag* candidate : *sector->Tags().Items()) {
    if (candidate->Ioa() == static_cast<int32_t>(ioa) && FindReportType(candidate->TagType()))
      return SetTagValue(*sector, *candidate, value);
  }
  return false;
}

bool clIEC101SlaveEngine::SetTagValue(const clSector& sector, clTag& tag, double value) {
  if (std::isnan(value) || !FindReportType(tag.TagType())) return false;
  const auto commonAddress = static_cast<uint32_t>(sector.CommonAddress());
  const auto ioa = static_cast<uint32_t>(tag.Ioa());
  // The same forms as a value typed into the list: single points 0/1, double
  // points 0..3, measurands as given.
  if (tag.TagType() == clTag::kSinglePoint) value = value > 0 ? 1 : 0;
  if (tag.TagType() == clTag::kDoublePoint) value = value < 0 ? 0 : value > 3 ? 3 : value;
  const double old = tag.Value();
  const clDateTime now = clock_.Now();
  tag.SetTimeStamp(now);
  tag.SetRawValue(value);
  if (old == value || !IsRunning()) return true;
  const uint8_t quality = tag.QualityByte();
  const auto integer = static_cast<int32_t>(tag.ValueAsInteger());
  switch (tag.TagType()) {
    case clTag::kSinglePoint:
      ReportSinglePoint(commonAddress, ioa, integer, now, quality);
      break;
    case clTag::kDoublePoint:
      ReportDoublePoint(commonAddress, ioa, integer, now, quality);
      break;
    case clTag::kStepPosition:
      ReportStepPosition(commonAddress, ioa, integer, now, quality);
      break;
    default:
      AddChange(tag.TagType(), commonAddress, ioa, value, now, quality);
      break;
  }
  return true;
}

// ---- spontaneous data ----

void clIEC101SlaveEngine::EnqueueWorkFrame(int32_t typeId, uint8_t sequenceFlag) {
  auto record = std::make_unique<QueuedResponse>();
  record->octets.assign(work_.Data(), work_.Data() + work_.Length());
  record->count = work_.objectCount;
  record->typeId = typeId;
  record->linkFunction = kFunctionUserData;
  record->sequenceFlag = sequenceFlag;
  responses_.Enqueue(std::move(record));
  work_.Reset();
}

void clIEC101SlaveEngine::BuildSpontaneous(int32_t kind) {
  const ReportType* type = FindReportType(kind);
  if (!type) return;
  const auto linkAddress = static_cast<uint32_t>(device_.LinkAddress());
  for (const clSector* sector : *device_.Sectors()->Items()) {
    const auto commonAddress = static_cast<uint32_t>(sector->CommonAddress());
    for (;;) {
      uint32_t taken = 0;
      while (taken < kSpontaneousLimit) {
        std::unique_ptr<TagChange> change = changes_.TakeChange(kind, commonAddress);
        if (!change) break;
        if (taken == 0)
          work_.BeginAsdu(0x00, linkAddress, type->spontaneousType, kCauseSpontaneous,
                          commonAddress);
        AppendTimed(work_, *change);
        ++taken;
      }
      if (taken == 0) break;
      EnqueueWorkFrame(type->spontaneousType, 0);
    }
  }
}

// ---- general interrogation ----

void clIEC101SlaveEngine::EnqueueRequestCopy(uint32_t cause, int32_t typeId, uint8_t sequenceFlag) {
  work_.LoadFrom(rx_.Data(), rx_.Length() - 2);
  work_.SetCause(cause);
  work_.objectCount = 1;
  EnqueueWorkFrame(typeId, sequenceFlag);
}

void clIEC101SlaveEngine::AnswerInterrogation() {
  const clSector* sector =
      device_.Sectors()->FindByCommonAddress(static_cast<int32_t>(rx_.CommonAddress()));
  if (!sector || !sector->Active()) return SendFixed(kFunctionNoData);
  SendFixed(kFunctionAck);
  EnqueueRequestCopy(kCauseActivationConfirmation, kTypeInterrogation, 0);
  for (const ReportType& type : kReportTypes) BuildInterrogationGroup(*sector, type.tagType);
  EnqueueRequestCopy(kCauseActivationTermination, kTypeInterrogation, 0);
}

void clIEC101SlaveEngine::BuildInterrogationGroup(const clSector& sector, int32_t tagType) {
  const ReportType* type = FindReportType(tagType);
  if (!type) return;
  const auto linkAddress = static_cast<uint32_t>(device_.LinkAddress());
  const auto commonAddress = static_cast<uint32_t>(sector.CommonAddress());
  const clTags& tags = sector.Tags();
  work_.Reset();
  int32_t previous = 0;
  // FirstOfType gives the lowest address (0 included); NextOfType steps to the
  // next higher one, so of several tags at one address only the first is sent.
  for (const clTag* tag = tags.FirstOfType(tagType); tag;
       tag = tags.NextOfType(tagType, previous)) {
    const int32_t ioa = tag->Ioa();
    const bool consecutive = work_.objectCount > 0 && ioa == previous + 1;
    if (work_.objectCount > 0 && !consecutive) EnqueueWorkFrame(type->interrogationType, 1);
    if (!consecutive)
      work_.BeginAsdu(0x00, linkAddress, type->interrogationType, kCauseInterrogatedByStation,
                      commonAddress);
    AppendUntimed(work_, tagType, !consecutive, static_cast<uint32_t>(ioa), tag->Value(),
                  tag->QualityByte());
    if (work_.objectCount >= type->interrogationLimit) EnqueueWorkFrame(type->interrogationType, 1);
    previous = ioa;
  }
  if (work_.objectCount > 0) EnqueueWorkFrame(type->interrogationType, 1);
}

// ---- clock synchronisation ----

void clIEC101SlaveEngine::AnswerClockSync() {
  const uint32_t commonAddress = rx_.CommonAddress();
  if (!device_.Sectors()->FindByCommonAddress(static_cast<int32_t>(commonAddress)))
    return SendFixed(kFunctionNoData);
  SendFixed(kFunctionAck);
  // Confirmed with the slave's own time; the received time is not applied.
  work_.BeginAsdu(0x00, static_cast<uint32_t>(device_.LinkAddress()), kTypeClockSync,
                  kCauseActivationConfirmation, commonAddress);
  work_.AppendTimeObject(0, clock_.Now());
  EnqueueWorkFrame(kTypeClockSync, 0);
}

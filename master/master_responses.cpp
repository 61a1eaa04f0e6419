// Processing of the user data the master receives: the monitor-direction
// decoders that update the tags, the command, interrogation and clock
// synchronisation responses that advance or end the request in progress.
#include <cstdio>
#include <memory>
#include <vector>

#include "master/master_engine.h"
#include "model/master_device.h"
#include "protocol/asdu.h"
#include "protocol/iec101_codes.h"
#include "protocol/traffic_text.h"
#include "runtime/traffic_record.h"

namespace {

// Default names of tags created from responses, by tag type 1..7.
constexpr const char* kCreatedNames[] = {"SP%d", "DP%d", "MEA%d", "MEB%d", "MEC%d", "IT%d", "ST%d"};

// Types whose objects are process values (tag types 1 to 7), not commands.
bool IsMonitorLayout(const clElementLayout& layout) {
  return layout.tagType >= clTag::kSinglePoint && layout.tagType <= clTag::kStepPosition;
}

uint64_t TagKey(int32_t commonAddress, int32_t tagType, int32_t ioa) {
  return (static_cast<uint64_t>(static_cast<uint32_t>(commonAddress) & 0xFFFFFF) << 40) |
         (static_cast<uint64_t>(static_cast<uint32_t>(tagType) & 0xFF) << 32) |
         static_cast<uint32_t>(ioa);
}

}  // namespace

void clIEC101MasterEngine::HandleUserData() {
  SetLinkVerified(true);
  pollTimer_.Start();
  if (rx_.Prm() == 0) {
    acd_ = rx_.FcbOrAcd();
    dfc_ = rx_.FcvOrDfc();
  }
  uint8_t type = TypeCode(rx_.TypeId());
  const clElementLayout* layout = FindElementLayout(type);
  std::vector<clInformationObject> objects;
  if (layout) objects = DecodeObjects(rx_, LocalNow());
  if (layout && IsMonitorLayout(*layout)) {
    HandleMonitorData(objects, layout->tagType);
  } else if (layout && !objects.empty()) {
    if (type == kTypeInterrogation) {
      HandleInterrogationResponse(objects.front());
    } else if (type == kTypeClockSync) {
      HandleClockSyncResponse(objects.front());
    } else if (layout->tagType >= clTag::kSingleCommand &&
               layout->tagType <= clTag::kRegulatingStep) {
      HandleCommandResponse(objects.front(), layout->tagType);
    }
  }
  // End of initialisation and types without a decoder change nothing.
  if (Capturing()) {
    auto record = std::make_unique<clTrafficRecord>();
    clTrafficView view;
    view.role = TrafficRole::kMaster;
    view.balanced = device_.BalancedMode();
    FillLinkText(rx_, view, *record);
    FillAsduText(rx_, TrafficRole::kMaster, objects, *record);
    record->received = true;
    Push(std::move(record));
  }
  if (device_.BalancedMode() && peerLinkReset_ && rx_.Prm() == 1 &&
      rx_.FunctionCode() == kFunctionUserDataConfirmed)
    AnswerAck();
}

void clIEC101MasterEngine::HandleMonitorData(const std::vector<clInformationObject>& objects,
                                             int32_t tagType) {
  uint32_t ca = rx_.CommonAddress();
  int32_t cause = static_cast<int32_t>(rx_.Cause());
  for (const clInformationObject& object : objects) {
    UpdateMonitorTag(ca, object.address, tagType, object.value, object.time,
                     static_cast<int32_t>(object.qualityFlags), cause);
  }
}

void clIEC101MasterEngine::HandleCommandResponse(const clInformationObject& object,
                                                 int32_t tagType) {
  uint8_t type = TypeCode(rx_.TypeId());
  uint32_t cause = rx_.Cause();
  UpdateCommandTags(rx_.CommonAddress(), object.address, tagType, static_cast<int32_t>(cause),
                    object.select ? 1 : 2);
  if (type == pendingTypeId_) commandPhase_ = cause;
  if (cause == kCauseActivationConfirmation) {
    // A confirmed select is followed by its execute. In balanced mode the
    // data-link acknowledgement of the select may have queued it already, and
    // one select gets one execute; unbalanced, every confirmation queues one.
    if (object.select && (!device_.BalancedMode() || !executeQueued_)) {
      QueueExecute(rx_, object);
      requestTimer_.Start();
      SetRequestBusy(false);
    }
  } else if (cause == kCauseActivationTermination || cause == kCauseNegativeConfirmation) {
    SetRequestBusy(false);
    pendingTypeId_ = 0;
    requestTimer_.Stop();
  }
}

void clIEC101MasterEngine::HandleInterrogationResponse(const clInformationObject& object) {
  uint32_t cause = rx_.Cause();
  UpdateCommandTags(rx_.CommonAddress(), object.address, clTag::kInterrogation,
                    static_cast<int32_t>(cause), 0);
  if (pendingTypeId_ != kTypeInterrogation) {
    pendingTypeId_ = 0;
    SetRequestBusy(false);
    return;
  }
  commandPhase_ = cause;
  if (cause == kCauseActivationConfirmation) requestTimer_.Start();
  if (cause == kCauseActivationTermination) {
    pendingTypeId_ = 0;
    SetRequestBusy(false);
    requestTimer_.Stop();
  }
}

void clIEC101MasterEngine::HandleClockSyncResponse(const clInformationObject& object) {
  UpdateCommandTags(rx_.CommonAddress(), object.address, clTag::kClockSync,
                    static_cast<int32_t>(rx_.Cause()), 0);
  SetRequestBusy(false);
  pendingTypeId_ = 0;
  requestTimer_.Stop();
}

void clIEC101MasterEngine::BuildTagIndex() {
  tagIndex_.clear();
  for (clSector* sector : *device_.Sectors()->Items()) {
    for (clTag* tag : *sector->Tags().Items())
      tagIndex_.emplace(TagKey(sector->CommonAddress(), tag->TagType(), tag->Ioa()), tag);
  }
}

// The index answers for the tags that existed at start; a miss is looked up in
// the lists too, so a tag added since (by a caller other than the workspace's
// commands, which refuse that while running) is still found, and remembered.
clTag* clIEC101MasterEngine::FindMonitorTag(int32_t commonAddress, int32_t tagType, int32_t ioa) {
  uint64_t key = TagKey(commonAddress, tagType, ioa);
  auto found = tagIndex_.find(key);
  if (found != tagIndex_.end()) return found->second;
  for (clSector* sector : *device_.Sectors()->Items()) {
    if (sector->CommonAddress() != commonAddress) continue;
    if (clTag* tag = sector->Tags().FindByTypeAndIoa(tagType, ioa)) {
      tagIndex_.emplace(key, tag);
      return tag;
    }
  }
  return nullptr;
}

// Stores one received object in its tag; creates the tag first when automatic
// creation is on and the common address belongs to one of the device's sectors.
void clIEC101MasterEngine::UpdateMonitorTag(uint32_t commonAddress, uint32_t ioa, int32_t tagType,
                                            double value, const clDateTime& time, int32_t quality,
                                            int32_t cause) {
  int32_t ca = static_cast<int32_t>(commonAddress);
  int32_t address = static_cast<int32_t>(ioa);
  clTag* tag = FindMonitorTag(ca, tagType, address);
  if (tag == nullptr) {
    if (!device_.AutoCreateTags() || tagType < clTag::kSinglePoint ||
        tagType > clTag::kStepPosition)
      return;
    clSector* sector = device_.Sectors()->FindByCommonAddress(ca);
    if (sector == nullptr || createdTags_ >= options_.maxCreatedTags) return;
    ++createdTags_;
    auto created = std::make_unique<clTag>();
    char name[32];
    std::snprintf(name, sizeof name, kCreatedNames[tagType - 1], address);
    created->SetName(name);
    created->SetType(tagType);
    created->SetIoa(address);
    created->SetSectorId(sector->Id());
    if (tagIdSource_) created->SetId(tagIdSource_());
    tag = sector->Tags().Append(std::move(created));
    tagIndex_.emplace(TagKey(ca, tagType, address), tag);
  }
  // An unchanged value of good quality keeps the time of its last change.
  double old = tag->Value();
  tag->SetValue(value);
  bool keepTime = tag->Value() == old && tag->Quality() == 0;
  if (!keepTime) tag->SetTimeStamp(time);
  tag->SetCause(cause);
  tag->SetQuality(quality);
}

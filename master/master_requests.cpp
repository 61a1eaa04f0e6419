// Application requests of the master: the builders that fill the request queue,
// the bookkeeping done when a request goes out, and the completion of a request
// by the peer's data-link acknowledgement in balanced mode.
#include <memory>
#include <vector>

#include "master/master_engine.h"
#include "model/master_device.h"
#include "protocol/asdu.h"
#include "protocol/iec101_codes.h"

namespace {

constexpr uint8_t kCommandQualifier = 1;  // QU of every command the master sends
constexpr uint8_t kSelectQos = 0x80;

bool IsSupervised(uint8_t type) {
  return IsCommandType(type) || type == kTypeInterrogation || type == kTypeClockSync;
}
uint8_t Qos(bool select) { return select ? kSelectQos : 0; }

}  // namespace

void clIEC101MasterEngine::BeginRequest(clIEC101Frame& frame, uint8_t typeId,
                                        uint32_t commonAddress) const {
  frame.SetSizes(
      static_cast<uint32_t>(device_.LinkAddressSize()), static_cast<uint32_t>(device_.SectorSize()),
      static_cast<uint32_t>(device_.IoaSize()), static_cast<uint32_t>(device_.CotSize()));
  frame.BeginAsdu(0, static_cast<uint32_t>(device_.LinkAddress()), typeId, kCauseActivation,
                  commonAddress);
}

std::unique_ptr<clMasterRequest> clIEC101MasterEngine::FinishRequest(clIEC101Frame& frame,
                                                                     uint8_t typeId) const {
  auto request = std::make_unique<clMasterRequest>();
  request->frame.assign(frame.Data(), frame.Data() + frame.Length());
  request->typeId = typeId;
  return request;
}

void clIEC101MasterEngine::EnqueueRequest(std::unique_ptr<clMasterRequest> request, bool atTail) {
  queue_.Insert(std::move(request), atTail);
}

// Commands with a one-octet element (SCO, DCO, RCO) and the interrogation (QOI).
void clIEC101MasterEngine::QueueOneOctetObject(uint8_t typeId, uint32_t commonAddress, uint32_t ioa,
                                               uint8_t octet, bool atTail) {
  clIEC101Frame frame;
  BeginRequest(frame, typeId, commonAddress);
  frame.AppendCommandObject(ioa, octet);
  EnqueueRequest(FinishRequest(frame, typeId), atTail);
}

void clIEC101MasterEngine::SendSingleCommand(uint32_t commonAddress, uint32_t ioa, uint8_t state,
                                             bool select, bool atTail) {
  QueueOneOctetObject(kTypeSingleCommand, commonAddress, ioa,
                      CommandOctet(state & 1, kCommandQualifier, select), atTail);
}

void clIEC101MasterEngine::SendDoubleCommand(uint32_t commonAddress, uint32_t ioa, uint8_t state,
                                             bool select, bool atTail) {
  QueueOneOctetObject(kTypeDoubleCommand, commonAddress, ioa,
                      CommandOctet(state & 3, kCommandQualifier, select), atTail);
}

void clIEC101MasterEngine::SendStepCommand(uint32_t commonAddress, uint32_t ioa, uint8_t state,
                                           bool select, bool atTail) {
  QueueOneOctetObject(kTypeStepCommand, commonAddress, ioa,
                      CommandOctet(state & 3, kCommandQualifier, select), atTail);
}

void clIEC101MasterEngine::SendSetpointNormalized(uint32_t commonAddress, uint32_t ioa,
                                                  double value, bool select, bool atTail) {
  clIEC101Frame frame;
  BeginRequest(frame, kTypeSetpointNormalized, commonAddress);
  frame.AppendNormalizedSetpoint(ioa, value, Qos(select));
  EnqueueRequest(FinishRequest(frame, kTypeSetpointNormalized), atTail);
}

void clIEC101MasterEngine::SendSetpointScaled(uint32_t commonAddress, uint32_t ioa, int16_t value,
                                              bool select, bool atTail) {
  clIEC101Frame frame;
  BeginRequest(frame, kTypeSetpointScaled, commonAddress);
  frame.AppendScaledSetpoint(ioa, value, Qos(select));
  EnqueueRequest(FinishRequest(frame, kTypeSetpointScaled), atTail);
}

void clIEC101MasterEngine::SendSetpointFloat(uint32_t commonAddress, uint32_t ioa, double value,
                                             bool select, bool atTail) {
  clIEC101Frame frame;
  BeginRequest(frame, kTypeSetpointFloat, commonAddress);
  frame.AppendFloatSetpoint(ioa, value, Qos(select));
  EnqueueRequest(FinishRequest(frame, kTypeSetpointFloat), atTail);
}

void clIEC101MasterEngine::SendInterrogation(uint32_t commonAddress, uint32_t ioa, bool atTail) {
  QueueOneOctetObject(kTypeInterrogation, commonAddress, ioa, kQoiStation, atTail);
}

void clIEC101MasterEngine::SendClockSync(uint32_t commonAddress, const clDateTime& time) {
  clIEC101Frame frame;
  BeginRequest(frame, kTypeClockSync, commonAddress);
  frame.AppendTimeObject(0, time);
  EnqueueRequest(FinishRequest(frame, kTypeClockSync), true);
}

void clIEC101MasterEngine::QueueCyclicInterrogation() {
  for (clSector* sector : *device_.Sectors()->Items()) {
    if (sector->Active())
      SendInterrogation(static_cast<uint32_t>(sector->CommonAddress()), 0, true);
  }
}

void clIEC101MasterEngine::QueueCyclicClockSync() {
  clSector* first = device_.Sectors()->First();
  if (first) SendClockSync(static_cast<uint32_t>(first->CommonAddress()), LocalNow());
}

// The execute that follows a confirmed select: same type, address and state or
// value, S/E 0, at the head of the queue.
void clIEC101MasterEngine::QueueExecute(const clIEC101Frame& frame,
                                        const clInformationObject& object) {
  uint8_t type = TypeCode(frame.TypeId());
  uint32_t ca = frame.CommonAddress();
  uint8_t state = static_cast<uint8_t>(object.state);
  executeQueued_ = true;
  switch (type) {
    case kTypeSingleCommand:
      return SendSingleCommand(ca, object.address, state, false, false);
    case kTypeDoubleCommand:
      return SendDoubleCommand(ca, object.address, state, false, false);
    case kTypeStepCommand:
      return SendStepCommand(ca, object.address, state, false, false);
    case kTypeSetpointNormalized: {
      // The received word itself, so the execute repeats the select exactly.
      clIEC101Frame execute;
      BeginRequest(execute, kTypeSetpointNormalized, ca);
      execute.AppendScaledSetpoint(object.address, object.state, 0);
      return EnqueueRequest(FinishRequest(execute, kTypeSetpointNormalized), false);
    }
    case kTypeSetpointScaled:
      return SendSetpointScaled(ca, object.address, static_cast<int16_t>(object.state), false,
                                false);
    case kTypeSetpointFloat:
      return SendSetpointFloat(ca, object.address, object.value, false, false);
    default:
      executeQueued_ = false;
      return;
  }
}

// A request going out: supervision starts (again, for a repetition) and the
// command tag shows what was sent.
void clIEC101MasterEngine::TransmitBookkeeping() {
  uint8_t type = TypeCode(tx_.TypeId());
  if (!IsSupervised(type) || tx_.Cause() != kCauseActivation) return;
  SetRequestBusy(true);
  commandPhase_ = 6;
  pendingTypeId_ = type;
  requestTimer_.Start();
  std::vector<clInformationObject> objects = DecodeObjects(tx_, LocalNow());
  const clElementLayout* layout = FindElementLayout(type);
  if (objects.empty() || layout == nullptr) return;
  int32_t phase = 0;
  if (IsCommandType(type)) {
    phase = objects.front().select ? 1 : 2;
    if (objects.front().select) executeQueued_ = false;  // a new select awaits its execute
  }
  UpdateCommandTags(tx_.CommonAddress(), objects.front().address, layout->tagType, kCauseActivation,
                    phase);
}

// Balanced mode: the peer's data-link acknowledgement completes the user-data
// frame sent last. That frame is kept apart from the transmit buffer because the
// acknowledgement may come in a later pass, after a frame of the peer's own.
void clIEC101MasterEngine::LinkLevelCompletion() {
  if (!lastUserData_.IsVariable()) return;
  uint8_t type = TypeCode(lastUserData_.TypeId());
  if (IsCommandType(type)) {
    std::vector<clInformationObject> objects = DecodeObjects(lastUserData_, LocalNow());
    bool select = !objects.empty() && objects.front().select;
    if (select && !executeQueued_) {
      QueueExecute(lastUserData_, objects.front());
      requestTimer_.Start();
    }
    SetRequestBusy(false);
    commandPhase_ = 0;
    if (!select) requestTimer_.Stop();
  } else if (type == kTypeInterrogation || type == kTypeClockSync) {
    requestTimer_.Stop();
    SetRequestBusy(false);
    commandPhase_ = 0;
  }
  lastUserData_.Reset();  // a repeated acknowledgement completes nothing more
}

void clIEC101MasterEngine::UpdateCommandTags(uint32_t commonAddress, uint32_t ioa, int32_t tagType,
                                             int32_t cause, int32_t phase) {
  clSector* sector = device_.Sectors()->FindByCommonAddress(static_cast<int32_t>(commonAddress));
  if (sector == nullptr) return;
  clTimeStamp now = LocalTimeNow();
  for (clTag* tag : *sector->Tags().Items()) {
    if (tag->Ioa() != static_cast<int32_t>(ioa) || tag->TagType() != tagType) continue;
    tag->SetCause(cause);
    tag->SetCommandState(phase);
    tag->SetTimeStamp(now);
  }
}

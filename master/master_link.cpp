// Link layer of the master: frames as primary station, the port's transmit and
// receive sides, the answers from the secondary (or the balanced peer), and the
// link restart.
#include <algorithm>
#include <memory>
#include <string>

#include "master/master_engine.h"
#include "model/master_device.h"
#include "protocol/iec101_codes.h"
#include "protocol/traffic_text.h"
#include "runtime/serial_port.h"
#include "runtime/traffic_record.h"

namespace {

constexpr size_t kModemReplyMinLength = 8;  // a reply needs more than 7 characters
// Longest single wait in the port's read, so that Stop is seen while a long read
// or dial time-out runs.
constexpr uint32_t kReadSliceMs = 100;

int32_t Slice(uint32_t remaining) {
  return static_cast<int32_t>(std::min(remaining, kReadSliceMs));
}

// Functions sent with a valid frame count bit.
bool CountsFrames(uint8_t function) {
  return function == kFunctionTestLink || function == kFunctionUserDataConfirmed ||
         function == kFunctionRequestClass1 || function == kFunctionRequestClass2;
}

}  // namespace

bool clIEC101MasterEngine::Capturing() { return device_.Traffic().IsConsumerRunning(); }

void clIEC101MasterEngine::Push(std::unique_ptr<clTrafficRecord> record) {
  record->StampNow();
  device_.Traffic().Push(std::move(record));
}

void clIEC101MasterEngine::LogEvent(const std::string& text, bool received,
                                    const clIEC101Frame& frame) {
  auto record = std::make_unique<clTrafficRecord>();
  FillEventRecord(frame, text, *record);
  record->received = received;
  Push(std::move(record));
}

void clIEC101MasterEngine::LogFrame(const clIEC101Frame& frame, bool received) {
  auto record = std::make_unique<clTrafficRecord>();
  clTrafficView view;
  view.role = TrafficRole::kMaster;
  view.received = received;
  view.balanced = device_.BalancedMode();
  DecodeTrafficText(frame, view, LocalNow(), *record);
  record->received = received;
  Push(std::move(record));
}

void clIEC101MasterEngine::SendLinkRequest(uint8_t function) {
  uint8_t control = static_cast<uint8_t>(function | kControlPrm);
  if (device_.BalancedMode()) control |= kControlDir;
  if (CountsFrames(function)) {
    control |= kControlFcvDfc;
    if (fcb_) control |= kControlFcbAcd;
    fcb_ ^= 1;
  }
  tx_.Reset();
  tx_.AppendOctet(clIEC101Frame::kFixedStart);
  tx_.AppendOctet(control);
  tx_.AppendLinkAddress(static_cast<uint32_t>(device_.LinkAddress()));
  tx_.Seal();
  lastSentFunction_ = function;
}

void clIEC101MasterEngine::PrepareUserData(const clMasterRequest& request) {
  tx_.LoadFrom(request.frame.data(), static_cast<int32_t>(request.frame.size()));
  if (tx_.Length() < 6) return;
  uint8_t control = static_cast<uint8_t>(request.function | kControlPrm | kControlFcvDfc);
  if (device_.BalancedMode()) control |= kControlDir;
  if (fcb_) control |= kControlFcbAcd;
  fcb_ ^= 1;
  tx_.MutableData()[4] = control;
  tx_.objectCount = 1;  // every request carries one object
  tx_.sequenceFlag = 0;
  tx_.Seal();
  lastSentFunction_ = request.function;
  lastUserData_ = tx_;
}

void clIEC101MasterEngine::AnswerLinkStatus() {
  clIEC101Frame answer;
  answer.SetSizes(tx_.LinkAddressSize(), tx_.CommonAddressSize(), tx_.IoaSize(), tx_.CauseSize());
  answer.AppendOctet(clIEC101Frame::kFixedStart);
  answer.AppendOctet(
      static_cast<uint8_t>(kFunctionStatusOfLink | (device_.BalancedMode() ? kControlDir : 0)));
  answer.AppendLinkAddress(static_cast<uint32_t>(device_.LinkAddress()));
  answer.Seal();
  lastSentFunction_ = kFunctionStatusOfLink;
  pollTimer_.Start();
  if (Capturing()) LogFrame(answer, false);
  device_.Counters().Add(clDeviceCounters::kFramesSent);
  if (port_ && port_->IsOpen()) port_->Write(answer.Data(), answer.Length());
}

void clIEC101MasterEngine::AnswerAck() {
  static constexpr uint8_t kAck[] = {clIEC101Frame::kSingleChar};
  pollTimer_.Start();
  if (Capturing()) {
    clIEC101Frame ack;
    ack.LoadFrom(kAck, 1);
    LogFrame(ack, false);
  }
  device_.Counters().Add(clDeviceCounters::kFramesSent);
  if (port_ && port_->IsOpen()) port_->Write(kAck, 1);
}

void clIEC101MasterEngine::Transmit() {
  if (port_ == nullptr || !port_->IsOpen()) return;
  if (linkState_ == Dialling) {
    if (Capturing()) LogEvent("Send AT Command: " + device_.PhoneNumber(), false, tx_);
    port_->Write(tx_.Data(), tx_.Length());
    // The modem needs the line to itself while it dials; Stop may cut the wait short.
    SleepInterruptible(options_.dialSettleMs);
    port_->Purge();
    return;
  }
  if (tx_.IsVariable()) TransmitBookkeeping();
  if (Capturing()) LogFrame(tx_, false);
  device_.Counters().Add(clDeviceCounters::kFramesSent);
  port_->Write(tx_.Data(), tx_.Length());
}

int32_t clIEC101MasterEngine::Receive() {
  if (port_ == nullptr || !port_->IsOpen()) return FrameBadChecksum;
  return linkState_ == Dialling ? ReceiveModemReply() : ReceiveFrame();
}

// Waits in the port's read for the time left on the read timer (in slices, so
// that Stop is seen), which restarts at every octet: readTimeoutMs bounds both
// the wait for the answer and every gap inside it.
int32_t clIEC101MasterEngine::ReceiveFrame() {
  rx_.Reset();
  clTimer readTimer(static_cast<uint32_t>(std::max(device_.ReadTimeoutMs(), 1)));
  readTimer.Start();
  while (clThread::IsRunning()) {
    uint32_t remaining = readTimer.RemainingMs();
    if (remaining == 0) break;
    uint8_t octet = 0;
    int32_t got = port_->Read(&octet, 1, Slice(remaining));
    if (got == 0) continue;
    if (got != 1) return FrameBadChecksum;  // the port failed: count the attempt as failed
    readTimer.Start();
    clDeviceCounters& counters = device_.Counters();
    if (!rx_.AppendOctet(octet)) {
      counters.Add(clDeviceCounters::kOverflows);
      if (Capturing()) LogEvent("Buffer Overflow", true, rx_);
      return FrameOverflow;
    }
    FrameStatus status = rx_.Check();
    if (status == FrameIncomplete) continue;
    if (status == FrameComplete) {
      counters.Add(clDeviceCounters::kFramesReceived);
      return FrameComplete;
    }
    if (status == FrameBadStart) {
      counters.Add(clDeviceCounters::kInvalidFrames);
      if (Capturing()) LogEvent("Invalid Message", true, rx_);
      rx_.Reset();
      continue;
    }
    counters.Add(clDeviceCounters::kChecksumErrors);
    if (Capturing()) LogEvent("Invalid CRC", true, rx_);
    return FrameBadChecksum;
  }
  if (!clThread::IsRunning()) return FrameTimeout;
  device_.Counters().Add(clDeviceCounters::kTimeouts);
  if (Capturing()) LogEvent("Read Timeout", true, rx_);
  return FrameTimeout;
}

int32_t clIEC101MasterEngine::ReceiveModemReply() {
  rx_.Reset();
  std::string text;
  clTimer dialTimer(static_cast<uint32_t>(std::max(device_.DialTimeoutSec(), 1)) * 1000u);
  dialTimer.Start();
  while (clThread::IsRunning()) {
    uint32_t remaining = dialTimer.RemainingMs();
    if (remaining == 0) break;
    uint8_t octet = 0;
    int32_t got = port_->Read(&octet, 1, Slice(remaining));
    if (got == 0) continue;
    if (got != 1) return FrameBadChecksum;
    dialTimer.Start();
    if (!rx_.AppendOctet(octet)) return FrameOverflow;
    text.push_back(static_cast<char>(octet));
    if (text.size() >= kModemReplyMinLength && text.find("CONNECT") != std::string::npos)
      return FrameComplete;
  }
  return FrameTimeout;
}

void clIEC101MasterEngine::HandleModemReply() {
  if (Capturing()) LogEvent("AT Command Response", true, rx_);
  SleepInterruptible(options_.modemReplySettleMs);
  if (port_) port_->Purge();
  SetLinkState(RequestLinkStatus);
}

// Balanced mode: gathers a frame the peer may have sent on its own. Returns
// false at once when the line stays silent for one octet wait.
bool clIEC101MasterEngine::ListenForPeer() {
  rx_.Reset();
  if (port_ == nullptr || !port_->IsOpen()) return false;
  clTimer frameTimer(options_.balancedFrameMs);
  frameTimer.Start();
  while (clThread::IsRunning()) {
    uint8_t octet = 0;
    int32_t got = port_->Read(&octet, 1, options_.balancedOctetWaitMs);
    if (got != 1) {
      if (got != 0 || rx_.Length() == 0 || frameTimer.IsExpired()) break;
      continue;
    }
    frameTimer.Start();
    if (!rx_.AppendOctet(octet)) break;
    FrameStatus status = rx_.Check();
    if (status == FrameComplete) return true;
    if (status != FrameIncomplete) break;
  }
  rx_.Reset();
  return false;
}

void clIEC101MasterEngine::HandleLinkFrame() {
  bool single = rx_.Length() > 0 && rx_.At(0) == clIEC101Frame::kSingleChar;
  uint8_t function = single ? 0 : rx_.FunctionCode();
  bool ack = single || function == kFunctionAck;
  if (!device_.BalancedMode()) {
    acd_ = single ? 0 : rx_.FcbOrAcd();
    dfc_ = single ? 0 : rx_.FcvOrDfc();
    HandleLinkAnswer(function, ack);
    if (Capturing()) LogFrame(rx_, true);
    return;
  }
  if (!single && rx_.Prm() == 1) {
    HandlePeerRequest(function);
    return;
  }
  HandleLinkAnswer(function, ack);
  if (Capturing()) LogFrame(rx_, true);
}

// Balanced mode: the peer acting as primary station.
void clIEC101MasterEngine::HandlePeerRequest(uint8_t function) {
  if (Capturing()) LogFrame(rx_, true);
  switch (function) {
    case kFunctionRequestLinkStatus:
      peerFunction_ = kFunctionRequestLinkStatus;
      StartPeerHold();
      AnswerLinkStatus();
      break;
    case kFunctionResetRemoteLink:
      peerFunction_ = kFunctionRequestLinkStatus;  // a reset holds back the own start-up as a
                                                   // status request does
      StartPeerHold();
      AnswerAck();
      SetPeerLinkReset(true);
      if (linkState_ == LinkUp && !linkVerified_) {
        StartLinkTimers();
        testTimer_.Start();
      } else {
        device_.Counters().Add(clDeviceCounters::kLinkRestarts);
        LinkRestart();
      }
      break;
    case kFunctionTestLink:
      peerFunction_ = kFunctionTestLink;
      AnswerAck();
      break;
    default:
      break;
  }
}

// Two masters started together send their status requests at the same moment,
// answer each other's, and would hold and collide again in lock-step for ever;
// a random part of the hold lets one of them go first.
void clIEC101MasterEngine::StartPeerHold() {
  uint32_t jitter = 0;
  if (options_.peerHoldJitterMs > 0)
    jitter = std::uniform_int_distribution<uint32_t>(0, options_.peerHoldJitterMs)(holdJitter_);
  peerHoldTimer_.SetPeriod(options_.peerHoldMs + jitter);
  peerHoldTimer_.Start();
}

// An answer of the secondary (or the peer as secondary) to the master's last request.
void clIEC101MasterEngine::HandleLinkAnswer(uint8_t function, bool ack) {
  bool balanced = device_.BalancedMode();
  switch (lastSentFunction_) {
    case kFunctionRequestLinkStatus:
      if (function == kFunctionStatusOfLink) SetLinkState(ResetRemoteLink);
      break;
    case kFunctionResetRemoteLink:
      if (ack) {
        SetLinkState(LinkUp);
        if (!balanced) {
          StartLinkTimers();
        } else if (peerLinkReset_) {
          StartLinkTimers();
          testTimer_.Start();
        }
      } else if (function == kFunctionNack) {
        SetLinkState(RequestLinkStatus);
      }
      break;
    case kFunctionUserDataConfirmed:
      if (ack) {
        commandPhase_ = 135;
        if (balanced) LinkLevelCompletion();
      } else if (function == kFunctionNack) {
        commandPhase_ = 0;
        pendingTypeId_ = 0;
        SetRequestBusy(false);
        requestTimer_.Stop();
        SetLinkState(RequestLinkStatus);
      }
      break;
    case kFunctionTestLink:
      if (balanced && ack) SetLinkVerified(true);
      break;
    default:
      break;
  }
}

void clIEC101MasterEngine::StartLinkTimers() {
  giTimer_.Start();
  giTimer_.ExpireNow();
  if (device_.TimeSyncPeriodSec() > 0) clockSyncTimer_.Start();
}

void clIEC101MasterEngine::LinkRestart() {
  lastSentFunction_ = -1;
  peerFunction_ = -1;
  SetLinkVerified(false);
  SetRequestBusy(false);
  pendingTypeId_ = 0;
  commandPhase_ = 0;
  executeQueued_ = false;
  rx_.Reset();
  lastUserData_.Reset();
  queue_.Purge();
  requestTimer_.Stop();
  giTimer_.Stop();
  testTimer_.Stop();
  SetLinkState(RequestLinkStatus);
}

#include "slave/slave_engine.h"

#include <memory>

#include "protocol/asdu_names.h"
#include "protocol/iec101_codes.h"
#include "protocol/traffic_text.h"
#include "runtime/serial_port.h"
#include "runtime/timer.h"

namespace {

// Type identifications the slave serves in user data with cause activation.
bool IsServedRequestType(uint8_t typeId) {
  return IsCommandType(typeId) || typeId == kTypeInterrogation || typeId == kTypeClockSync;
}

// Spontaneous builders run in this order of tag type codes.
constexpr int32_t kSpontaneousOrder[] = {1, 2, 7, 3, 4, 5, 6};

constexpr clTrafficView kReceivedView{TrafficRole::kSlave, 1, true, false};
constexpr clTrafficView kSentView{TrafficRole::kSlave, 1, false, false};

}  // namespace

clIEC101SlaveEngine::clIEC101SlaveEngine(clIEC101SlaveDevice& device, clSerialPorts& ports,
                                         const clSlaveClock* clock)
    : device_(device), ports_(ports), clock_(clock ? *clock : SystemSlaveClock()) {}

clIEC101SlaveEngine::~clIEC101SlaveEngine() { Stop(); }

// ---- start and stop ----

bool clIEC101SlaveEngine::Start(clStartFailure* failure) {
  if (IsRunning()) {
    if (failure) failure->kind = clStartFailure::kAlreadyRunning;
    return false;
  }
  clThread::Stop();  // joins a worker that ended by itself
  clSerialPort* port = ports_.Find(device_.PortName());
  const int32_t opened = port ? port->Open(&StopRequest()) : clSerialPort::kOpenFailed;
  if (opened != clSerialPort::kOk) {
    DescribePortFailure(device_.PortName(), port, opened, failure);
    return false;
  }
  port_ = port;
  std::lock_guard<std::mutex> guard(runningFlagMutex_);
  clThread::Start();
  device_.SetRunning(true);
  return true;
}

void clIEC101SlaveEngine::Stop() {
  clThread::Stop();
  // Not started, or the worker already closed its lost line: the port may be
  // another device's by now.
  if (port_ == nullptr) return;
  port_->Close();
  port_ = nullptr;
  ResetLink();
  device_.SetRunning(false);
}

void clIEC101SlaveEngine::EndAfterLineLoss() {
  port_->Close();
  port_ = nullptr;
  ResetLink();
  std::lock_guard<std::mutex> guard(runningFlagMutex_);
  device_.SetRunning(false);
  clThread::Stop();  // from the worker itself: clears the flag, no join
}

// ---- worker loop ----

void clIEC101SlaveEngine::Run() {
  const auto la = static_cast<uint32_t>(device_.LinkAddressSize());
  const auto ca = static_cast<uint32_t>(device_.SectorSize());
  const auto ioa = static_cast<uint32_t>(device_.IoaSize());
  const auto cot = static_cast<uint32_t>(device_.CotSize());
  rx_.SetSizes(la, ca, ioa, cot);
  tx_.SetSizes(la, ca, ioa, cot);
  work_.SetSizes(la, ca, ioa, cot);
  linkTimerRunning_ = false;
  ResetLink();
  while (clThread::IsRunning()) {
    if (!port_->IsOpen()) return EndAfterLineLoss();
    HandleReceiveStatus(ReceiveRequest());
    if (tx_.Length() > 0) {
      bool sent = TransmitResponse();
      tx_.Reset();
      if (!sent) return EndAfterLineLoss();
    }
    // No pause between passes: the receive blocks in the port's read, so the
    // next request is read as soon as it arrives.
  }
}

FrameStatus clIEC101SlaveEngine::ReceiveRequest() {
  rx_.Reset();
  if (!port_->IsOpen()) return FrameBadChecksum;  // nothing to handle
  int32_t slice = port_->ReadTimeoutMs();
  if (slice <= 0 || slice > kReadSliceMs) slice = kReadSliceMs;
  clTimer frameTimer(kFrameTimeoutMs);
  frameTimer.Start();
  while (clThread::IsRunning()) {
    uint8_t octet = 0;
    const int32_t got = port_->Read(&octet, 1, slice);
    if (got == 1) {
      frameTimer.Start();
      if (!rx_.AppendOctet(octet)) return FrameOverflow;
      const FrameStatus status = rx_.Check();
      if (status != FrameIncomplete) return status;
      continue;
    }
    if (frameTimer.IsExpired()) return FrameTimeout;
    if (!port_->IsOpen()) return FrameBadChecksum;
    // A failing line returns at once; wait out the slice instead of spinning.
    if (got != 0) SleepInterruptible(static_cast<uint32_t>(slice));
  }
  return FrameBadChecksum;  // stopping: nothing to handle
}

void clIEC101SlaveEngine::HandleReceiveStatus(FrameStatus status) {
  clDeviceCounters& counters = device_.Counters();
  switch (status) {
    case FrameComplete:
      if (rx_.Length() == 0) return;
      counters.Add(clDeviceCounters::kFramesReceived);
      if (rx_.IsVariable())
        HandleRequestData();
      else
        HandleLinkRequest();
      return;
    case FrameBadStart:
      counters.Add(clDeviceCounters::kInvalidFrames);
      LogEvent("INVALID MESSAGE");
      rx_.Reset();
      ResetLink();
      return;
    case FrameTimeout:
      if (rx_.Length() > 0) {
        counters.Add(clDeviceCounters::kTimeouts);
        LogEvent("Read Timeout");
      }
      rx_.Reset();
      if (LinkTimerExpired()) ResetLink();
      return;
    case FrameOverflow:
      counters.Add(clDeviceCounters::kOverflows);
      LogEvent("BUFFER OVERFLOW");
      rx_.Reset();
      ResetLink();
      return;
    case FrameBadChecksum:
      // Also what a failed port or a stop returns: count only a real one.
      if (rx_.Check() == FrameBadChecksum) counters.Add(clDeviceCounters::kChecksumErrors);
      return;  // dropped without an entry; the master repeats
    case FrameIncomplete:
      return;
  }
}

// ---- link requests ----

void clIEC101SlaveEngine::HandleLinkRequest() {
  const bool singleCharacter = rx_.At(0) == clIEC101Frame::kSingleChar;
  const uint8_t function = singleCharacter ? kFunctionResetRemoteLink : rx_.FunctionCode();
  LogLinkRequest();
  switch (function) {
    case kFunctionResetRemoteLink:
      if (linkState_.load(std::memory_order_acquire) == LinkActive)
        device_.Counters().Add(clDeviceCounters::kLinkRestarts);
      ResetLink();
      linkState_.store(LinkActive, std::memory_order_release);
      StartLinkTimer();
      SendFixed(kFunctionAck);
      return;
    case kFunctionRequestLinkStatus:
      StartLinkTimer();
      SendFixed(kFunctionStatusOfLink);
      return;
    case kFunctionRequestClass1:
    case kFunctionRequestClass2:
      break;
    default:
      return;
  }
  if (LinkState() != LinkActive) return;
  StartLinkTimer();
  if (IsRepetition(function)) return RepeatLastAnswer();
  NoteAcceptedRequest(function);
  if (function == kFunctionRequestClass1) {
    if (responses_.Size() == 0)
      SendFixed(kFunctionNoData);
    else
      SendQueued();
  } else if (responses_.Size() == 0 || responses_.HeadIsClass1()) {
    ServeClass2();
  } else {
    SendQueued();
  }
  KeepAnswer();
}

void clIEC101SlaveEngine::ServeClass2() {
  if (changes_.Count() > 0)
    for (int32_t kind : kSpontaneousOrder) BuildSpontaneous(kind);
  SendFixed(kFunctionNoData);
}

// ---- user data ----

void clIEC101SlaveEngine::HandleRequestData() {
  const uint8_t typeId = TypeCode(rx_.TypeId());
  const uint32_t cause = rx_.Cause();
  const uint8_t function = rx_.FunctionCode();
  if (function != kFunctionUserDataConfirmed) {
    if (Logging()) {
      FillLinkText(rx_, kReceivedView, rx_.record);
      LogReceived();
    }
    return;
  }
  StartLinkTimer();
  if (IsRepetition(function)) {
    // Logged as the first copy was: a refused request stays refused.
    if (Logging()) {
      if (lastRefused_)
        FillRefusalText(typeId, cause);
      else
        FillRequestText();
      LogReceived();
    }
    return RepeatLastAnswer();
  }
  NoteAcceptedRequest(function);
  if (cause != kCauseActivation) {
    lastAnswer_.clear();  // nothing was answered, so a repetition gets nothing either
    lastRefused_ = true;
    if (Logging()) {
      FillRefusalText(typeId, cause);
      LogReceived();
    }
    return;
  }
  DispatchUserData(typeId);
  if (Logging()) {
    FillRequestText();
    LogReceived();
  }
  KeepAnswer();
}

void clIEC101SlaveEngine::DispatchUserData(uint8_t typeId) {
  switch (typeId) {
    case kTypeSingleCommand:
    case kTypeDoubleCommand:
    case kTypeStepCommand:
    case kTypeSetpointNormalized:
    case kTypeSetpointScaled:
    case kTypeSetpointFloat:
      return HandleCommand(typeId);
    case kTypeInterrogation:
      return AnswerInterrogation();
    case kTypeClockSync:
      return AnswerClockSync();
    default:
      // Counter interrogation, read, test, reset process, time-tagged commands
      // and the rest are refused at link level.
      return SendFixed(kFunctionNoData);
  }
}

// ---- answers ----

void clIEC101SlaveEngine::SendFixed(uint8_t function) {
  tx_.Reset();
  tx_.AppendOctet(clIEC101Frame::kFixedStart);
  tx_.AppendOctet(
      static_cast<uint8_t>(function | (responses_.HasClass1Data() ? kControlFcbAcd : 0)));
  tx_.AppendLinkAddress(static_cast<uint32_t>(device_.LinkAddress()));
  tx_.Seal();
}

void clIEC101SlaveEngine::SendQueued() {
  std::unique_ptr<QueuedResponse> record = responses_.Dequeue();
  if (!record) return;
  tx_.LoadFrom(record->octets.data(), static_cast<int32_t>(record->octets.size()));
  if (tx_.Length() <= 4) {
    tx_.Reset();
    return;
  }
  // ACD tells whether class 1 data is still waiting after this record left.
  tx_.MutableData()[4] = static_cast<uint8_t>((record->linkFunction & 0x0F) |
                                              (responses_.HasClass1Data() ? kControlFcbAcd : 0));
  tx_.objectCount = record->count;
  tx_.sequenceFlag = record->sequenceFlag;
  tx_.Seal();
}

bool clIEC101SlaveEngine::TransmitResponse() {
  if (!port_->IsOpen()) return false;
  // The entry is queued before the write, so a consumer has it by the time the
  // master holds the answer; with no consumer it costs nothing.
  LogSent();
  device_.Counters().Add(clDeviceCounters::kFramesSent);
  return port_->Write(tx_.Data(), tx_.Length()) >= 0;
}

void clIEC101SlaveEngine::ResetLink() {
  linkState_.store(LinkIdle, std::memory_order_release);
  lastFcb_ = 0;
  lastFcv_ = 0;
  lastFunction_ = 0;
  lastRefused_ = false;
  lastAnswer_.clear();
  rx_.Reset();
  tx_.Reset();
  responses_.DeleteAll();
}

// ---- link supervision and repetitions ----

void clIEC101SlaveEngine::StartLinkTimer() {
  linkTimerRunning_ = true;
  linkDeadlineMs_ = clock_.TickMs() + kLinkSupervisionMs;
}

bool clIEC101SlaveEngine::LinkTimerExpired() const {
  return linkTimerRunning_ && clock_.TickMs() >= linkDeadlineMs_;
}

bool clIEC101SlaveEngine::IsRepetition(uint8_t function) const {
  // After a reset of remote link lastFcv is 0, so the first request is new.
  return rx_.FcvOrDfc() == 1 && lastFcv_ == 1 && rx_.FcbOrAcd() == lastFcb_ &&
         function == lastFunction_;
}

void clIEC101SlaveEngine::NoteAcceptedRequest(uint8_t function) {
  lastRefused_ = false;
  lastFcb_ = rx_.FcbOrAcd();
  lastFcv_ = rx_.FcvOrDfc();
  lastFunction_ = function;
}

void clIEC101SlaveEngine::KeepAnswer() {
  lastAnswer_.assign(tx_.Data(), tx_.Data() + tx_.Length());
}

void clIEC101SlaveEngine::RepeatLastAnswer() {
  // The copy is sent as it was, already sealed; nothing is taken from the queue.
  if (lastAnswer_.empty()) return;
  device_.Counters().Add(clDeviceCounters::kRetries);
  tx_.LoadFrom(lastAnswer_.data(), static_cast<int32_t>(lastAnswer_.size()));
}

// ---- traffic records ----

bool clIEC101SlaveEngine::Logging() const { return device_.Traffic().IsConsumerRunning(); }

void clIEC101SlaveEngine::LogEvent(const char* text) {
  if (!Logging()) return;
  FillEventRecord(rx_, text, rx_.record);
  LogReceived();
}

void clIEC101SlaveEngine::LogReceived() {
  rx_.record.received = true;
  rx_.record.bytes = rx_.HexText();
  rx_.record.StampNow();
  device_.Traffic().Push(std::make_unique<clTrafficRecord>(rx_.record));
}

void clIEC101SlaveEngine::LogLinkRequest() {
  if (!Logging()) return;
  FillLinkText(rx_, kReceivedView, rx_.record);
  if (rx_.At(0) == clIEC101Frame::kSingleChar) {
    // Heard as a request: named like reset of remote link's answer, "ACK".
    rx_.record.title = rx_.ShortFunctionName() + " Request";
    rx_.record.detail = LinkControlLine(rx_, true, false);
  }
  LogReceived();
}

void clIEC101SlaveEngine::FillRequestText() {
  DecodeTrafficText(rx_, kReceivedView, clock_.Now(), rx_.record);
  const uint8_t typeId = TypeCode(rx_.TypeId());
  if (!IsServedRequestType(typeId)) {
    // Types the slave refuses: only the not-implemented title and the link line.
    rx_.record.kind = clTrafficRecord::kEventKind;
    rx_.record.title =
        "ASDU " + std::to_string(typeId) + " <" + TypeName(typeId) + "> not yet implemented";
    rx_.record.asdu.clear();
    rx_.record.cause.clear();
    rx_.record.elements.clear();
  }
}

void clIEC101SlaveEngine::FillRefusalText(uint8_t typeId, uint32_t cause) {
  FillLinkText(rx_, kReceivedView, rx_.record);
  rx_.record.kind = typeId;
  rx_.record.title = "Invalid Cause Of Transmission";
  rx_.record.cause = "COT: " + std::to_string(cause) + " <" + CauseName(cause) + "> Sector " +
                     std::to_string(rx_.CommonAddress());
}

void clIEC101SlaveEngine::LogSent() {
  if (!Logging()) return;
  DecodeTrafficText(tx_, kSentView, clock_.Now(), tx_.record);
  tx_.record.received = false;
  tx_.record.StampNow();
  device_.Traffic().Push(std::make_unique<clTrafficRecord>(tx_.record));
}

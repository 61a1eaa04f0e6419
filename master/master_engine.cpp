#include "master/master_engine.h"

#include <algorithm>

#include "model/master_device.h"
#include "model/sector.h"
#include "protocol/iec101_codes.h"
#include "runtime/serial_port.h"
#include "runtime/serial_ports.h"
#include "runtime/tick_clock.h"

namespace {

constexpr uint32_t kPassPauseMs = 1;  // after every pass that did work
constexpr uint32_t kIdlePauseMs = 5;  // balanced: between listening passes

uint32_t PeriodMs(int64_t value, int64_t unitMs) {
  int64_t ms = value * unitMs;
  return static_cast<uint32_t>(std::clamp<int64_t>(ms, 0, UINT32_MAX));
}

}  // namespace

clIEC101MasterEngine::clIEC101MasterEngine(clIEC101MasterDevice& device, clSerialPorts& ports,
                                           clMasterOptions options)
    : device_(device),
      ports_(ports),
      options_(options),
      holdJitter_(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(this) ^ TickNowMs())) {}

clIEC101MasterEngine::~clIEC101MasterEngine() { Stop(); }

bool clIEC101MasterEngine::Start(clStartFailure* failure) {
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
  device_.SetPort(port);
  port_ = port;
  clThread::Start();
  device_.SetRunning(true);
  return true;
}

void clIEC101MasterEngine::Stop() {
  bool wasStarted = port_ != nullptr;
  clThread::Stop();
  if (!wasStarted) return;
  port_->Close();
  port_ = nullptr;
  LinkRestart();
  peerFunction_ = -1;
  SetPeerLinkReset(false);
  while (device_.Traffic().Pop()) {
  }
  device_.SetRunning(false);
  device_.Sectors()->MarkAllUncertain();
}

clTag* clIEC101MasterEngine::FindTag(int32_t commonAddress, int32_t tagType, int32_t ioa) const {
  for (clSector* sector : *device_.Sectors()->Items()) {
    if (sector->CommonAddress() != commonAddress) continue;
    if (clTag* tag = sector->Tags().FindByTypeAndIoa(tagType, ioa)) return tag;
  }
  return nullptr;
}

void clIEC101MasterEngine::Run() {
  WorkerStart();
  while (clThread::IsRunning()) Pass();
}

void clIEC101MasterEngine::WorkerStart() {
  createdTags_ = 0;
  BuildTagIndex();
  // A stored poll interval below 1 ms (the dialog refuses it; a file or an import
  // may hold it) would leave the poll timer stopped and the master silent.
  pollTimer_.Init(std::max<uint32_t>(PeriodMs(device_.PollIntervalMs(), 1), 1));
  giTimer_.Init(PeriodMs(device_.GiPeriodSec(), 1000));
  clockSyncTimer_.Init(PeriodMs(device_.TimeSyncPeriodSec(), 1000));
  requestTimer_.Init(options_.requestTimeoutMs);
  peerHoldTimer_.Init(options_.peerHoldMs);
  testTimer_.Init(PeriodMs(device_.TestPeriodSec(), 1000));
  giTimer_.Start();
  clockSyncTimer_.Start();
  pollTimer_.Start();
  pollTimer_.ExpireNow();  // the first transaction happens at once
  uint32_t la = static_cast<uint32_t>(device_.LinkAddressSize());
  uint32_t ca = static_cast<uint32_t>(device_.SectorSize());
  uint32_t ioa = static_cast<uint32_t>(device_.IoaSize());
  uint32_t cot = static_cast<uint32_t>(device_.CotSize());
  tx_.SetSizes(la, ca, ioa, cot);
  rx_.SetSizes(la, ca, ioa, cot);
  LinkRestart();
  if (device_.ModemEnabled() && !device_.PhoneNumber().empty()) SetLinkState(Dialling);
}

void clIEC101MasterEngine::SetLinkState(MasterLinkState state) {
  linkState_ = state;
  linkStateView_.store(state);
}

void clIEC101MasterEngine::SetRequestBusy(bool busy) {
  requestBusy_ = busy;
  requestBusyView_.store(busy);
}

void clIEC101MasterEngine::SetPeerLinkReset(bool on) {
  peerLinkReset_ = on;
  peerLinkResetView_.store(on);
}

void clIEC101MasterEngine::SetLinkVerified(bool on) {
  linkVerified_ = on;
  linkVerifiedView_.store(on);
}

void clIEC101MasterEngine::Pass() {
  tx_.Reset();
  bool balanced = device_.BalancedMode();
  if (balanced && ListenForPeer()) {
    pollTimer_.Start();
    if (linkState_ == LinkUp && peerLinkReset_) testTimer_.Start();
    DispatchReceived();
    SleepInterruptible(kPassPauseMs);
    return;
  }
  if (!pollTimer_.IsExpired()) {
    // Unbalanced, nothing but the poll timer can start a transaction, so the
    // worker sleeps until it is due; balanced, it goes back to listening.
    uint32_t pause = balanced ? kIdlePauseMs : std::max<uint32_t>(pollTimer_.RemainingMs(), 1);
    SleepInterruptible(pause);
    return;
  }
  bool transact = false;
  switch (linkState_) {
    case Dialling: {
      for (char c : device_.PhoneNumber()) tx_.AppendOctet(static_cast<uint8_t>(c));
      tx_.AppendOctet(0x0D);
      transact = true;
      break;
    }
    case RequestLinkStatus:
    case ResetRemoteLink:
      transact = PrepareLinkRequest();
      break;
    case LinkUp:
      transact = PrepareLinkUp();
      break;
  }
  if (!transact) return;
  RunTransaction();
  SleepInterruptible(kPassPauseMs);
}

bool clIEC101MasterEngine::PeerHolds() const {
  // The hold after the peer's own start-up always ends: a stopped hold timer
  // (nothing started it, as for a peer's test function) holds nothing.
  return peerFunction_ != -1 && peerHoldTimer_.IsRunning() && !peerHoldTimer_.IsExpired();
}

bool clIEC101MasterEngine::PrepareLinkRequest() {
  if (PeerHolds()) return SkipPass(kPassPauseMs);  // balanced only: the peer goes first
  if (linkState_ == RequestLinkStatus) {
    SendLinkRequest(kFunctionRequestLinkStatus);
  } else {
    fcb_ = 1;
    acd_ = 0;
    dfc_ = 0;
    lastSentFunction_ = -1;
    SetRequestBusy(false);
    queue_.Purge();
    SendLinkRequest(kFunctionResetRemoteLink);
  }
  peerHoldTimer_.Stop();
  peerFunction_ = -1;
  return true;
}

// The LinkUp actions of one pass, the first that applies. Returns true when a
// transaction follows, also with an empty transmit buffer (a pass that only
// queued or timed out), so that the next pass waits a poll interval.
bool clIEC101MasterEngine::PrepareLinkUp() {
  bool balanced = device_.BalancedMode();
  bool held = balanced && !peerLinkReset_;  // balanced: own traffic waits for the peer's reset
  if (!requestBusy_ && !queue_.Empty()) {
    if (held) return SkipPass(kPassPauseMs);
    std::unique_ptr<clMasterRequest> request = queue_.TakeHead();
    if (request) PrepareUserData(*request);
    return true;
  }
  if (!requestBusy_ && (giTimer_.IsExpired() || giRequested_.load())) {
    giTimer_.Start();
    if (held) return SkipPass(kPassPauseMs);
    giRequested_.store(false);
    if (balanced) lastSentFunction_ = kFunctionUserDataConfirmed;
    QueueCyclicInterrogation();
    return true;  // nothing sent: the transaction restarts the poll timer
  }
  if (requestTimer_.IsExpired()) {
    requestTimer_.Stop();
    SetRequestBusy(false);
    const char* text = nullptr;
    if (commandPhase_ == 6) text = "Request Timeout (No data link acknowledge)";
    if (commandPhase_ == 7) text = "Request Timeout (No Activation Termination)";
    if (commandPhase_ == 135) text = "Request Timeout (No Activation Confirmation)";
    if (text && Capturing()) LogEvent(text, true, clIEC101Frame());
    return true;
  }
  if (device_.TimeSyncPeriodSec() > 0 && clockSyncTimer_.IsExpired() && !requestBusy_) {
    clockSyncTimer_.Start();
    if (held) return SkipPass(kPassPauseMs);
    QueueCyclicClockSync();
    return true;
  }
  pollTimer_.Start();
  if (!balanced) {
    SendLinkRequest(acd_ ? kFunctionRequestClass1 : kFunctionRequestClass2);
    return true;
  }
  if (peerLinkReset_ && !requestBusy_) {
    if (testTimer_.IsExpired()) {
      SendLinkRequest(kFunctionTestLink);
      testTimer_.Start();
    }
    return true;
  }
  testTimer_.Start();
  return SkipPass(kIdlePauseMs);
}

bool clIEC101MasterEngine::SkipPass(uint32_t pauseMs) {
  SleepInterruptible(pauseMs);
  return false;
}

// Sends the frame in the transmit buffer and waits for its answer, repeating it
// (same octets, same FCB) up to `retries` times after a failed attempt.
void clIEC101MasterEngine::RunTransaction() {
  if (tx_.Length() == 0) {
    pollTimer_.Start();
    return;
  }
  int32_t retries = std::max(device_.Retries(), 0);
  for (int32_t attempt = 0; attempt <= retries; ++attempt) {
    if (attempt > 0) device_.Counters().Add(clDeviceCounters::kRetries);
    pollTimer_.Start();
    bool dialling = linkState_ == Dialling;
    Transmit();
    if (!clThread::IsRunning()) return;
    int32_t result = Receive();
    if (result == FrameComplete) {
      if (dialling) {
        HandleModemReply();
      } else {
        if (linkState_ == LinkUp && peerLinkReset_) testTimer_.Start();
        DispatchReceived();
      }
      return;
    }
    rx_.Reset();
    if (attempt == retries) {
      device_.Counters().Add(clDeviceCounters::kLinkRestarts);
      LinkRestart();
      peerFunction_ = -1;
      SetPeerLinkReset(false);
      return;
    }
    if (!SleepInterruptible(static_cast<uint32_t>(std::max(device_.PollIntervalMs(), 0)))) return;
  }
}

void clIEC101MasterEngine::DispatchReceived() {
  if (rx_.IsVariable()) {
    HandleUserData();
  } else {
    HandleLinkFrame();
  }
}

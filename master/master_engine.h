#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "master/request_queue.h"
#include "protocol/cp56time.h"
#include "protocol/iec101_frame.h"
#include "runtime/device_runner.h"
#include "runtime/thread.h"
#include "runtime/timer.h"

class clIEC101MasterDevice;
class clSerialPort;
class clSerialPorts;
class clTag;
class clTrafficRecord;
struct clInformationObject;

// Link state of the master as primary station.
enum MasterLinkState : int32_t {
  Dialling = 1,
  LinkUp = 4,
  RequestLinkStatus = 5,
  ResetRemoteLink = 6,
};

// Fixed periods and limits of the master's procedure. The defaults are the
// protocol's; tests shorten them so that supervision and hold rules can be seen
// in seconds.
struct clMasterOptions {
  uint32_t requestTimeoutMs = 15000;  // supervision of a command, GI or clock sync
  uint32_t peerHoldMs = 3000;         // balanced: hold after the peer's status/reset
  uint32_t peerHoldJitterMs = 500;    // balanced: random extra hold, 0 up to this
  uint32_t dialSettleMs = 2000;       // after writing the dial string
  uint32_t modemReplySettleMs = 500;  // after the modem's CONNECT reply
  int32_t balancedOctetWaitMs = 25;   // balanced listening: wait per octet
  uint32_t balancedFrameMs = 1000;    // balanced listening: longest gap in a frame
  // Tags created from responses per start: a peer reporting ever new addresses
  // must not grow the workspace without bound.
  uint32_t maxCreatedTags = 65536;
};

// The worker of one master device: the primary-station link procedure in
// unbalanced or balanced mode, the poll cycle, retries, the optional modem dial,
// the application procedures (interrogation, clock synchronisation, commands with
// select and execute) and the processing of the monitor-direction data that
// updates the device's tags.
//
// Threads. Start and Stop come from the controlling thread. Everything below
// "worker-owned" is touched by the worker thread only (and by Stop after the
// worker has been joined). The builders (Send*) may be called from any thread:
// they only read configuration and insert into the locked request queue.
// linkStateView_ and requestBusyView_ are atomic copies for observers.
class clIEC101MasterEngine : public clThread, public clDeviceRunner {
 public:
  clIEC101MasterEngine(clIEC101MasterDevice& device, clSerialPorts& ports,
                       clMasterOptions options = {});
  ~clIEC101MasterEngine() override;

  // Opens the device's port (looked up by name in the port list), starts the
  // worker and marks the device running; failure says why it did not.
  using clDeviceRunner::Start;
  bool Start(clStartFailure* failure) override;
  // Stops the worker, closes the port, restarts the link state, empties the
  // traffic queue, marks the device stopped and every tag uncertain.
  void Stop() override;
  bool IsRunning() const override { return clThread::IsRunning(); }

  // ---- Requests (any thread) ----
  void EnqueueRequest(std::unique_ptr<clMasterRequest> request, bool atTail);
  void SendSingleCommand(uint32_t commonAddress, uint32_t ioa, uint8_t state, bool select,
                         bool atTail);
  void SendDoubleCommand(uint32_t commonAddress, uint32_t ioa, uint8_t state, bool select,
                         bool atTail);
  void SendStepCommand(uint32_t commonAddress, uint32_t ioa, uint8_t state, bool select,
                       bool atTail);
  void SendSetpointNormalized(uint32_t commonAddress, uint32_t ioa, double value, bool select,
                              bool atTail);
  void SendSetpointScaled(uint32_t commonAddress, uint32_t ioa, int16_t value, bool select,
                          bool atTail);
  void SendSetpointFloat(uint32_t commonAddress, uint32_t ioa, double value, bool select,
                         bool atTail);
  void SendInterrogation(uint32_t commonAddress, uint32_t ioa, bool atTail);
  void SendClockSync(uint32_t commonAddress, const clDateTime& time);
  // One station interrogation per active sector, at the tail.
  void QueueCyclicInterrogation();
  // A clock synchronisation with the current local time to the first sector.
  void QueueCyclicClockSync();
  // Makes the worker run the cyclic general interrogation at its next chance, as
  // if the GI period had run out (works with a GI period of 0 too).
  void RequestGeneralInterrogation() { giRequested_.store(true); }

  // ---- Observation (any thread) ----
  clIEC101MasterDevice& Device() { return device_; }
  MasterLinkState LinkState() const { return linkStateView_.load(); }
  bool RequestBusy() const { return requestBusyView_.load(); }
  // Balanced mode: the peer has reset this master's link / the link carried traffic.
  bool PeerLinkReset() const { return peerLinkResetView_.load(); }
  bool LinkVerified() const { return linkVerifiedView_.load(); }
  size_t QueuedRequests() { return queue_.Size(); }
  // Removes and returns the head of the request queue, for a caller that looks at
  // the built frames without running the worker (tools, tests).
  std::unique_ptr<clMasterRequest> TakeQueuedRequest() { return queue_.TakeHead(); }
  // The tag a response with this common address, type and object address updates
  // (the first in sector and tag order), or null; for callers waiting on a value.
  clTag* FindTag(int32_t commonAddress, int32_t tagType, int32_t ioa) const;

  // Where tags created from responses get their ids (the workspace's tag-id
  // counter); without one they get id 0. Set before Start; called on the worker.
  void SetTagIdSource(std::function<int32_t()> source) { tagIdSource_ = std::move(source); }

 protected:
  void Run() override;

 private:
  // Worker steps (master_engine.cpp).
  void WorkerStart();
  void Pass();
  bool PrepareLinkRequest();
  bool PrepareLinkUp();
  void RunTransaction();
  void DispatchReceived();
  void SetLinkState(MasterLinkState state);
  void SetRequestBusy(bool busy);
  void SetPeerLinkReset(bool on);
  void SetLinkVerified(bool on);
  bool PeerHolds() const;
  bool SkipPass(uint32_t pauseMs);
  void StartPeerHold();

  // Link layer (master_link.cpp).
  void SendLinkRequest(uint8_t function);
  void PrepareUserData(const clMasterRequest& request);
  void AnswerLinkStatus();
  void AnswerAck();
  void Transmit();
  int32_t Receive();
  int32_t ReceiveFrame();
  int32_t ReceiveModemReply();
  bool ListenForPeer();
  void HandleLinkFrame();
  void HandlePeerRequest(uint8_t function);
  void HandleLinkAnswer(uint8_t function, bool ack);
  void HandleModemReply();
  void LinkRestart();
  void StartLinkTimers();
  bool Capturing();
  void LogEvent(const std::string& text, bool received, const clIEC101Frame& frame);
  void LogFrame(const clIEC101Frame& frame, bool received);
  void Push(std::unique_ptr<clTrafficRecord> record);

  // Application procedures (master_requests.cpp).
  void BeginRequest(clIEC101Frame& frame, uint8_t typeId, uint32_t commonAddress) const;
  std::unique_ptr<clMasterRequest> FinishRequest(clIEC101Frame& frame, uint8_t typeId) const;
  void QueueOneOctetObject(uint8_t typeId, uint32_t commonAddress, uint32_t ioa, uint8_t octet,
                           bool atTail);
  void QueueExecute(const clIEC101Frame& frame, const clInformationObject& object);
  void TransmitBookkeeping();
  void LinkLevelCompletion();
  void UpdateCommandTags(uint32_t commonAddress, uint32_t ioa, int32_t tagType, int32_t cause,
                         int32_t phase);

  // Response processing (master_responses.cpp).
  void HandleUserData();
  void HandleMonitorData(const std::vector<clInformationObject>& objects, int32_t tagType);
  void HandleCommandResponse(const clInformationObject& object, int32_t tagType);
  void HandleInterrogationResponse(const clInformationObject& object);
  void HandleClockSyncResponse(const clInformationObject& object);
  void BuildTagIndex();
  clTag* FindMonitorTag(int32_t commonAddress, int32_t tagType, int32_t ioa);
  void UpdateMonitorTag(uint32_t commonAddress, uint32_t ioa, int32_t tagType, double value,
                        const clDateTime& time, int32_t quality, int32_t cause);

  clIEC101MasterDevice& device_;
  clSerialPorts& ports_;
  const clMasterOptions options_;
  clRequestQueue queue_;
  std::function<int32_t()> tagIdSource_;
  std::atomic<bool> giRequested_{false};
  std::atomic<MasterLinkState> linkStateView_{RequestLinkStatus};
  std::atomic<bool> requestBusyView_{false};
  std::atomic<bool> peerLinkResetView_{false};
  std::atomic<bool> linkVerifiedView_{false};

  // Worker-owned (see the class comment). The port pointer is set by Start
  // before the worker starts and cleared by Stop after it ends.
  clSerialPort* port_ = nullptr;
  MasterLinkState linkState_ = RequestLinkStatus;
  bool requestBusy_ = false;
  uint8_t pendingTypeId_ = 0;
  uint32_t commandPhase_ = 0;
  uint8_t fcb_ = 0;
  uint8_t acd_ = 0;
  uint8_t dfc_ = 0;
  int32_t lastSentFunction_ = -1;
  int32_t peerFunction_ = -1;
  bool peerLinkReset_ = false;
  bool linkVerified_ = false;
  // Balanced mode: set when the execute of the last select sent has been queued,
  // since the link-level completion and a later activation confirmation of one
  // select would otherwise each queue an execute. Cleared when the next select
  // is transmitted.
  bool executeQueued_ = false;
  uint32_t createdTags_ = 0;  // tags created from responses since Start
  // Monitor tags by common address, type and object address, the first in list
  // order winning, as the response look-up goes. Valid while running: the
  // workspace refuses structural edits of a running device.
  std::unordered_map<uint64_t, clTag*> tagIndex_;
  clTimer pollTimer_;
  clTimer giTimer_;
  clTimer clockSyncTimer_;
  clTimer requestTimer_;
  clTimer peerHoldTimer_;
  clTimer testTimer_;
  std::minstd_rand holdJitter_;
  clIEC101Frame tx_;
  clIEC101Frame rx_;
  clIEC101Frame lastUserData_;  // the user-data frame sent last (balanced completion)
};

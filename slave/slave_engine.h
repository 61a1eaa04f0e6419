#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "model/slave_device.h"
#include "protocol/cp56time.h"
#include "protocol/iec101_frame.h"
#include "runtime/device_runner.h"
#include "runtime/serial_ports.h"
#include "runtime/thread.h"
#include "slave/change_list.h"
#include "slave/response_queue.h"
#include "slave/slave_clock.h"

class clSector;
class clTag;

// The controlled station of an IEC 60870-5-101 unbalanced link, serving one
// slave device of the workspace on its serial line (a tty or a virtual line).
// It never sends on its own initiative: every pass of the worker gathers one
// request, prepares at most one answer and writes it in the same pass.
// Application answers (interrogation data, spontaneous data, confirmations) are
// prepared into the ResponseQueue and fetched by the master's class polls.
//
// Threads. Start, Stop and the destructor are called from one controlling
// thread. The worker alone owns the link state, the FCB bookkeeping, the copy
// of the last answer, the link supervision deadline and the three frames. The
// response queue and the change list are locked inside. SetTagValue and the
// Report operations may be called from any thread (the tag list, the headless
// script); they touch only tag live fields (atomic) and the change list.
class clIEC101SlaveEngine : public clThread, public clDeviceRunner {
 public:
  enum SlaveLinkState : int32_t { LinkIdle = 2, LinkActive = 4 };

  // Silence after the last accepted request that returns the link to idle.
  static constexpr uint32_t kLinkSupervisionMs = 30000;
  // A frame must go on arriving within this time of its previous octet; the
  // same time of total silence ends a receive without an entry.
  static constexpr uint32_t kFrameTimeoutMs = 1000;
  // Longest single read, so that Stop is seen promptly even when the port's
  // own read time-out is long.
  static constexpr int32_t kReadSliceMs = 50;

  // The engine serves `device` on the port of `ports` named by the device's
  // port name. The clock defaults to the computer's clocks; when given, it must
  // outlive the engine.
  clIEC101SlaveEngine(clIEC101SlaveDevice& device, clSerialPorts& ports,
                      const clSlaveClock* clock = nullptr);
  ~clIEC101SlaveEngine() override;
  clIEC101SlaveEngine(const clIEC101SlaveEngine&) = delete;
  clIEC101SlaveEngine& operator=(const clIEC101SlaveEngine&) = delete;

  // clDeviceRunner. Start opens the port and starts the worker, then marks
  // the device running; Stop joins the worker, closes the port, resets the
  // link and marks the device stopped.
  using clDeviceRunner::Start;
  bool Start(clStartFailure* failure) override;
  void Stop() override;
  bool IsRunning() const override { return clThread::IsRunning(); }

  // A user edit of a slave tag's value: the tag (of a monitored type at that
  // address in the first sector with the common address) takes the value, its
  // time stamp becomes now, and when the value differs from the old one while
  // the slave runs the change is recorded for spontaneous transmission.
  // Returns false when no sector or no monitored tag has these addresses.
  // Safe from any thread.
  bool SetTagValue(uint32_t commonAddress, uint32_t ioa, double value);
  // The same for a tag the caller holds, of a monitored type, in one of this
  // device's sectors: the list knows which tag the user edited, even when two
  // tags share an address. Returns false for a tag of another type.
  bool SetTagValue(const clSector& sector, clTag& tag, double value);

  // Record one tag change for spontaneous transmission, when a sector with the
  // common address exists and is active; otherwise nothing happens. Safe from
  // any thread.
  void ReportSinglePoint(uint32_t commonAddress, uint32_t ioa, int32_t value,
                         const clDateTime& time, uint8_t quality);
  void ReportDoublePoint(uint32_t commonAddress, uint32_t ioa, int32_t value,
                         const clDateTime& time, uint8_t quality);
  void ReportStepPosition(uint32_t commonAddress, uint32_t ioa, int32_t value,
                          const clDateTime& time, uint8_t quality);
  void ReportNormalized(uint32_t commonAddress, uint32_t ioa, double value, const clDateTime& time,
                        uint8_t quality);
  void ReportScaled(uint32_t commonAddress, uint32_t ioa, double value, const clDateTime& time,
                    uint8_t quality);
  void ReportFloat(uint32_t commonAddress, uint32_t ioa, double value, const clDateTime& time,
                   uint8_t quality);
  void ReportTotal(uint32_t commonAddress, uint32_t ioa, double value, const clDateTime& time,
                   uint8_t quality);

  // Observation for the user interface and tests.
  SlaveLinkState LinkState() const { return linkState_.load(std::memory_order_acquire); }
  size_t PendingChanges() { return changes_.Count(); }
  size_t QueuedResponses() { return responses_.Size(); }
  clIEC101SlaveDevice& Device() { return device_; }

 protected:
  void Run() override;

 private:
  // ---- link layer (slave_engine.cpp) ----
  FrameStatus ReceiveRequest();
  void HandleReceiveStatus(FrameStatus status);
  void HandleLinkRequest();
  void HandleRequestData();
  void DispatchUserData(uint8_t typeId);
  void ServeClass2();
  bool TransmitResponse();
  void SendFixed(uint8_t function);
  void SendQueued();
  void ResetLink();
  void EndAfterLineLoss();
  void StartLinkTimer();
  bool LinkTimerExpired() const;
  // A class poll or confirmed user data whose FCB did not toggle, with FCV set,
  // repeats the previous request: its answer was lost on the line.
  bool IsRepetition(uint8_t function) const;
  void NoteAcceptedRequest(uint8_t function);
  void KeepAnswer();
  void RepeatLastAnswer();

  // ---- traffic records (slave_engine.cpp) ----
  bool Logging() const;
  void LogEvent(const char* text);
  void LogReceived();
  void LogLinkRequest();
  void FillRequestText();
  // The entry of user data refused for its cause of transmission.
  void FillRefusalText(uint8_t typeId, uint32_t cause);
  void LogSent();

  // ---- data reporting (slave_reporting.cpp) ----
  void AddChange(int32_t kind, uint32_t commonAddress, uint32_t ioa, double value,
                 const clDateTime& time, uint8_t quality);
  void BuildSpontaneous(int32_t kind);
  void AnswerInterrogation();
  void BuildInterrogationGroup(const clSector& sector, int32_t tagType);
  void AnswerClockSync();
  void EnqueueWorkFrame(int32_t typeId, uint8_t sequenceFlag);
  // The received request without checksum and end octet, with `cause` over
  // its whole cause field, queued as a one-object class 2 record.
  void EnqueueRequestCopy(uint32_t cause, int32_t typeId, uint8_t sequenceFlag);

  // ---- command handling (slave_commands.cpp) ----
  void HandleCommand(uint8_t typeId);
  void ApplyCommand(uint32_t commonAddress, clTag& tag, uint8_t typeId, double value);
  clTag* FindLinkedTag(int32_t identity) const;
  void ReportLinkedTag(uint32_t commonAddress, const clTag& linked);

  clIEC101SlaveDevice& device_;
  clSerialPorts& ports_;
  const clSlaveClock& clock_;
  // Orders the device's running flag between Start and a worker that ends by
  // itself, so the flag never stays set for a stopped worker.
  std::mutex runningFlagMutex_;

  // The port this slave opened: set by Start before the worker starts, used by
  // the worker, cleared by Stop after the join or by the worker when its line
  // was lost (it then closed the port itself).
  clSerialPort* port_ = nullptr;

  ResponseQueue responses_;
  ChangeList changes_;

  // Worker-owned (and Stop's after the join).
  std::atomic<SlaveLinkState> linkState_{LinkIdle};
  uint8_t lastFcb_ = 0;
  uint8_t lastFcv_ = 0;
  uint8_t lastFunction_ = 0;
  bool lastRefused_ = false;         // the last accepted request was refused for its cause
  std::vector<uint8_t> lastAnswer_;  // the frame sent for the last accepted request
  bool linkTimerRunning_ = false;
  uint64_t linkDeadlineMs_ = 0;
  clIEC101Frame rx_;
  clIEC101Frame tx_;
  clIEC101Frame work_;  // builders of queued answers
};

#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "protocol/asdu.h"
#include "protocol/iec101_frame.h"
#include "runtime/device_runner.h"
#include "runtime/thread.h"

class clIEC101CaptureDevice;
class clSerialPort;
class clWorkspace;

// The behaviour of a monitor device: it listens, never sending, on the
// monitor's two ports (port 1 the master's transmit line, port 2 the slave's),
// decodes every frame into a traffic record for whoever consumes the device's
// traffic, and keeps a tag per object seen.
//
// Both lines are watched at once, so that the monitor shows the line as it
// happened: one reader thread per port gathers frames and stamps each with the
// arrival of its first octet, and the worker hands them on in the order of
// those stamps. A frame is handed on once the other port can no longer bring
// an earlier one: its next frame started later, or it has been quiet since.
//
// Threads. Start and Stop belong to the controlling thread. While running, each
// reader alone reads its port and owns its gathering frame; the worker alone
// decodes, creates and updates the monitor's tags (through the workspace,
// whose tag counter is atomic) and pushes records. What passes from the
// readers to the worker (the PortReader queues and marks) is guarded by
// mergeMutex_. The device's settings are read at Start only.
class clIEC101CaptureEngine : public clThread, public clDeviceRunner {
 public:
  using Clock = std::chrono::steady_clock;
  // Per-octet read time-out, and the silence that abandons a partial frame.
  static constexpr int32_t kOctetReadMs = 50;
  static constexpr uint32_t kFrameSilenceMs = 1000;

  clIEC101CaptureEngine(clIEC101CaptureDevice& device, clWorkspace& workspace);
  ~clIEC101CaptureEngine() override;

  // Opens port 1, then port 2 (looked up by name in the port list); starts
  // the worker only when both opened now. When port 2 fails, port 1 is closed
  // again so that no port stays held; a port that was open already (another
  // device's, or port 1 named twice) fails and stays as it was.
  using clDeviceRunner::Start;
  bool Start(clStartFailure* failure) override;
  // Stops the readers and the worker, then closes both ports; nothing when not
  // running.
  void Stop() override;
  bool IsRunning() const override { return clThread::IsRunning(); }

 protected:
  void Run() override;

 private:
  // One frame, or the octets of a line event, as a reader hands it over.
  struct Captured {
    int32_t portNumber = 0;
    FrameStatus status = FrameComplete;
    std::vector<uint8_t> octets;
    Clock::time_point firstOctet;
  };
  // What the worker knows of one port's reader; guarded by mergeMutex_.
  struct PortReader {
    clSerialPort* port = nullptr;  // the port this monitor opened (Start to Stop)
    std::deque<Captured> frames;   // gathered, not yet handed on
    bool listening = false;        // false once the port is gone
    bool inFrame = false;          // a frame is being gathered...
    Clock::time_point frameStart;  // ...whose first octet arrived then
    Clock::time_point quietSince;  // nothing unread arrived before this
  };

  // A reader thread: gathers the frames of port `index` (0 or 1) until stopped.
  void ReadPort(int32_t index);
  // The rest of a frame whose first octet is in `frame`; its status.
  FrameStatus GatherFrame(clSerialPort& port, clIEC101Frame& frame);
  // Takes the earliest gathered frame once no earlier one can come; false when
  // none may be handed on yet. Called with mergeMutex_ held.
  bool TakeNextInOrder(Captured* next);
  // The worker's reaction to one captured frame or event (loop steps 3 and 4).
  void Handle(const Captured& captured);
  // A complete frame: tags always, a traffic record when someone watches.
  void DecodeFrame(int32_t portNumber, const clIEC101Frame& frame, Clock::time_point arrival);
  void UpdateTags(const clIEC101Frame& frame, const std::vector<clInformationObject>& objects);
  void PushEvent(int32_t portNumber, const clIEC101Frame& frame, const char* text,
                 Clock::time_point arrival);

  clIEC101CaptureDevice& device_;
  clWorkspace& workspace_;
  uint32_t sizes_[4] = {1, 2, 2, 1};  // link address, common address, IOA, cause; set by Start
  clIEC101Frame frame_;               // the worker's decoding frame

  bool Stopping() const { return stopping_.load(std::memory_order_acquire); }

  std::mutex mergeMutex_;
  std::condition_variable gathered_;  // a reader handed something over or moved on, or Stop
  PortReader readers_[2];             // guarded by mergeMutex_, ports excepted
  // Set by Stop under mergeMutex_ (so the worker's wait cannot miss it), cleared by Start.
  std::atomic<bool> stopping_{false};
};

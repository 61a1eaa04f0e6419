#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "protocol/asdu.h"
#include "protocol/iec101_frame.h"
#include "runtime/device_runner.h"
#include "runtime/thread.h"

class clIEC101CaptureDevice;
class clSerialPort;
class clWorkspace;

// The behaviour of a monitor device: a worker that listens, never sending, on
// the monitor's two ports (port 1 the master's transmit line, port 2 the
// slave's), gathers frames from both in turn, decodes them into traffic records
// for whoever consumes the device's traffic, and keeps a tag per object seen.
//
// Threads: Start and Stop belong to the controlling thread. While running, the
// worker alone reads the ports, owns both receive frames and creates or updates
// the monitor's tags (through the workspace, whose tag counter is atomic). The
// device's settings are read at Start only.
class clIEC101CaptureEngine : public clThread, public clDeviceRunner {
 public:
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
  // Stops the worker, then closes both ports; nothing when not running.
  void Stop() override;
  bool IsRunning() const override { return clThread::IsRunning(); }

 protected:
  void Run() override;

 private:
  // One receive on one port and the reaction to its result (loop steps 3 and 4).
  void ServePort(int32_t portNumber, clSerialPort* port, clIEC101Frame& frame);
  // A complete frame: tags always, a traffic record when someone watches.
  void DecodeFrame(int32_t portNumber, const clIEC101Frame& frame);
  void UpdateTags(const clIEC101Frame& frame, const std::vector<clInformationObject>& objects);
  void PushEvent(int32_t portNumber, const clIEC101Frame& frame, const char* text);

  clIEC101CaptureDevice& device_;
  clWorkspace& workspace_;
  // The ports this monitor opened: set by Start, cleared by Stop.
  clSerialPort* port1_ = nullptr;
  clSerialPort* port2_ = nullptr;
  clIEC101Frame frame1_;  // owned by the worker while running
  clIEC101Frame frame2_;
};

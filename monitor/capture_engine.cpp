#include "monitor/capture_engine.h"

#include <memory>
#include <vector>

#include "model/capture_device.h"
#include "model/workspace.h"
#include "monitor/capture_tag_update.h"
#include "protocol/asdu.h"
#include "protocol/frame_receiver.h"
#include "protocol/traffic_text.h"
#include "runtime/serial_port.h"

clIEC101CaptureEngine::clIEC101CaptureEngine(clIEC101CaptureDevice& device, clWorkspace& workspace)
    : device_(device), workspace_(workspace) {}

clIEC101CaptureEngine::~clIEC101CaptureEngine() { Stop(); }

bool clIEC101CaptureEngine::Start(clStartFailure* failure) {
  if (clThread::IsRunning()) {
    if (failure) failure->kind = clStartFailure::kAlreadyRunning;
    return false;
  }
  // Both ports must open now: a port that is already open belongs to another
  // device (or is this monitor's other port) and is neither shared nor closed.
  clSerialPort* first = workspace_.Ports().Find(device_.Port1Name());
  if (first == nullptr || first->Open(&StopRequest()) != clSerialPort::kOk) {
    DescribePortFailure(device_.Port1Name(), first, failure);
    return false;
  }
  clSerialPort* second = workspace_.Ports().Find(device_.Port2Name());
  if (second == nullptr || second->Open(&StopRequest()) != clSerialPort::kOk) {
    DescribePortFailure(device_.Port2Name(), second, failure);
    if (failure && second == first) failure->heldBy = device_.Name();
    first->Close();
    return false;
  }
  port1_ = first;
  port2_ = second;
  // Sizes changed while running take effect at the next start.
  for (clIEC101Frame* frame : {&frame1_, &frame2_}) {
    frame->SetSizes(device_.LinkAddressSize(), device_.SectorSize(), device_.IoaSize(),
                    device_.CotSize());
  }
  clThread::Start();
  device_.SetRunning(true);
  return true;
}

void clIEC101CaptureEngine::Stop() {
  clThread::Stop();
  if (port1_ == nullptr) return;  // not running: the ports are not this monitor's
  port1_->Close();
  port2_->Close();
  port1_ = port2_ = nullptr;
  device_.SetRunning(false);
}

void clIEC101CaptureEngine::Run() {
  while (IsRunning()) {
    ServePort(1, port1_, frame1_);
    ServePort(2, port2_, frame2_);
    if (!SleepInterruptible(1)) break;
  }
}

void clIEC101CaptureEngine::ServePort(int32_t portNumber, clSerialPort* port,
                                      clIEC101Frame& frame) {
  if (port == nullptr || !port->IsOpen()) return;
  FrameStatus status = ReceiveFrame(*port, frame, clReceiveTimeouts{kOctetReadMs, kFrameSilenceMs});
  clDeviceCounters& counters = device_.Counters();
  switch (status) {
    case FrameComplete:
      if (frame.Length() == 0) break;
      counters.Add(clDeviceCounters::kFramesReceived);
      DecodeFrame(portNumber, frame);
      break;
    case FrameBadStart:
      counters.Add(clDeviceCounters::kInvalidFrames);
      PushEvent(portNumber, frame, "INVALID MESSAGE");
      frame.Reset();
      break;
    case FrameTimeout:
      if (frame.Length() > 0) counters.Add(clDeviceCounters::kTimeouts);
      // The slave's line is watched for what it answers; a partial answer is
      // dropped without a record there.
      if (portNumber == 1 && frame.Length() > 0) PushEvent(portNumber, frame, "RECEIVE TIMEOUT");
      frame.Reset();
      break;
    case FrameOverflow:
      counters.Add(clDeviceCounters::kOverflows);
      PushEvent(portNumber, frame, "BUFFER OVERFLOW");
      frame.Reset();
      break;
    case FrameBadChecksum:
      // A wrong checksum or end octet: dropped, gone at the next receive.
      if (frame.Check() == FrameBadChecksum) counters.Add(clDeviceCounters::kChecksumErrors);
      break;
    default:
      break;
  }
}

void clIEC101CaptureEngine::DecodeFrame(int32_t portNumber, const clIEC101Frame& frame) {
  const clDateTime receptionTime = LocalNow();
  // Objects are decoded once, for the tags and for the text.
  std::vector<clInformationObject> objects;
  if (frame.IsVariable()) objects = DecodeObjects(frame, receptionTime);
  UpdateTags(frame, objects);
  clTrafficQueue& traffic = device_.Traffic();
  if (!traffic.IsConsumerRunning()) return;
  auto record = std::make_unique<clTrafficRecord>();
  clTrafficView view;
  view.role = TrafficRole::kMonitor;
  view.port = portNumber;
  FillLinkText(frame, view, *record);
  if (frame.IsVariable()) FillAsduText(frame, TrafficRole::kMonitor, objects, *record);
  record->received = portNumber == 1;
  record->StampNow();
  traffic.Push(std::move(record));
}

void clIEC101CaptureEngine::UpdateTags(const clIEC101Frame& frame,
                                       const std::vector<clInformationObject>& objects) {
  if (objects.empty() || !IsMonitoredType(frame.TypeId())) return;
  const clElementLayout* layout = FindElementLayout(frame.TypeId());
  if (layout == nullptr) return;
  const uint32_t commonAddress = frame.CommonAddress();
  const uint32_t cause = frame.Cause();
  for (const clInformationObject& object : objects) {
    UpdateMonitorTag(workspace_, device_, *layout, commonAddress, cause, object);
  }
}

void clIEC101CaptureEngine::PushEvent(int32_t portNumber, const clIEC101Frame& frame,
                                      const char* text) {
  clTrafficQueue& traffic = device_.Traffic();
  if (!traffic.IsConsumerRunning()) return;
  auto record = std::make_unique<clTrafficRecord>();
  FillEventRecord(frame, text, *record);
  record->received = portNumber == 1;
  record->StampNow();
  traffic.Push(std::move(record));
}

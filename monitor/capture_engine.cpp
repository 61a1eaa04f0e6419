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

namespace {

// A port counts as opened when it opened now or was already open.
bool OpenPort(clSerialPort* port) {
  if (port == nullptr) return false;
  int32_t result = port->Open();
  return result == clSerialPort::kOk || result == clSerialPort::kAlreadyOpen;
}

}  // namespace

clIEC101CaptureEngine::clIEC101CaptureEngine(clIEC101CaptureDevice& device, clWorkspace& workspace)
    : device_(device), workspace_(workspace) {}

clIEC101CaptureEngine::~clIEC101CaptureEngine() { Stop(); }

bool clIEC101CaptureEngine::Start(clStartFailure* failure) {
  if (clThread::IsRunning()) {
    if (failure) failure->kind = clStartFailure::kAlreadyRunning;
    return false;
  }
  port1_ = device_.Port1();
  port2_ = device_.Port2();
  if (!OpenPort(port1_)) {
    DescribePortFailure(port1_ ? port1_->Name() : device_.Port1Name(), port1_, failure);
    return false;
  }
  if (!OpenPort(port2_)) {
    DescribePortFailure(port2_ ? port2_->Name() : device_.Port2Name(), port2_, failure);
    port1_->Close();
    return false;
  }
  // Sizes changed while running take effect at the next start.
  for (clIEC101Frame* frame : {&frame1_, &frame2_}) {
    frame->SetSizes(device_.LinkAddressSize(), device_.SectorSize(), device_.IoaSize(),
                    device_.CotSize());
  }
  if (!clThread::Start()) {
    port1_->Close();
    port2_->Close();
    return false;
  }
  device_.SetRunning(true);
  return true;
}

void clIEC101CaptureEngine::Stop() {
  clThread::Stop();
  if (port1_) port1_->Close();
  if (port2_) port2_->Close();
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
  switch (status) {
    case FrameComplete:
      if (frame.Length() > 0) DecodeFrame(portNumber, frame);
      break;
    case FrameBadStart:
      PushEvent(portNumber, frame, "INVALID MESSAGE");
      frame.Reset();
      break;
    case FrameTimeout:
      // The slave's line is watched for what it answers; a partial answer is
      // dropped without a record there.
      if (portNumber == 1 && frame.Length() > 0) PushEvent(portNumber, frame, "RECEIVE TIMEOUT");
      frame.Reset();
      break;
    case FrameOverflow:
      PushEvent(portNumber, frame, "BUFFER OVERFLOW");
      frame.Reset();
      break;
    default:
      // A wrong checksum or end octet: dropped, gone at the next receive.
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

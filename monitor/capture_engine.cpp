#include "monitor/capture_engine.h"

#include <memory>
#include <vector>

#include "model/capture_device.h"
#include "model/workspace.h"
#include "monitor/capture_tag_update.h"
#include "protocol/asdu.h"
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
  int32_t opened = first ? first->Open(&StopRequest()) : clSerialPort::kOpenFailed;
  if (opened != clSerialPort::kOk) {
    DescribePortFailure(device_.Port1Name(), first, opened, failure);
    return false;
  }
  clSerialPort* second = workspace_.Ports().Find(device_.Port2Name());
  opened = second ? second->Open(&StopRequest()) : clSerialPort::kOpenFailed;
  if (opened != clSerialPort::kOk) {
    DescribePortFailure(device_.Port2Name(), second, opened, failure);
    if (failure && second == first) failure->heldBy = device_.Name();
    first->Close();
    return false;
  }
  readers_[0].port = first;
  readers_[1].port = second;
  // Sizes changed while running take effect at the next start.
  sizes_[0] = static_cast<uint32_t>(device_.LinkAddressSize());
  sizes_[1] = static_cast<uint32_t>(device_.SectorSize());
  sizes_[2] = static_cast<uint32_t>(device_.IoaSize());
  sizes_[3] = static_cast<uint32_t>(device_.CotSize());
  frame_.SetSizes(sizes_[0], sizes_[1], sizes_[2], sizes_[3]);
  stopping_ = false;
  clThread::Start();
  device_.SetRunning(true);
  return true;
}

void clIEC101CaptureEngine::Stop() {
  {
    std::lock_guard<std::mutex> lock(mergeMutex_);
    stopping_ = true;
  }
  gathered_.notify_all();
  clThread::Stop();                         // joins the worker, which joins the readers
  if (readers_[0].port == nullptr) return;  // not running: the ports are not this monitor's
  for (PortReader& reader : readers_) {
    reader.port->Close();
    reader.port = nullptr;
  }
  device_.SetRunning(false);
}

// ---- the worker ----

void clIEC101CaptureEngine::Run() {
  {
    std::lock_guard<std::mutex> lock(mergeMutex_);
    const Clock::time_point now = Clock::now();
    for (PortReader& reader : readers_) {
      reader.frames.clear();
      reader.listening = true;
      reader.inFrame = false;
      reader.quietSince = now;
    }
  }
  std::thread readers[2] = {std::thread([this] { ReadPort(0); }),
                            std::thread([this] { ReadPort(1); })};
  std::unique_lock<std::mutex> lock(mergeMutex_);
  while (!stopping_) {
    Captured next;
    if (TakeNextInOrder(&next)) {
      lock.unlock();
      Handle(next);
      lock.lock();
      continue;
    }
    gathered_.wait(lock);  // the readers and Stop notify every change
  }
  lock.unlock();
  for (std::thread& reader : readers) reader.join();
}

bool clIEC101CaptureEngine::TakeNextInOrder(Captured* next) {
  int32_t earliest = -1;
  for (int32_t i = 0; i < 2; ++i) {
    const std::deque<Captured>& frames = readers_[i].frames;
    if (frames.empty()) continue;
    if (earliest < 0 || frames.front().firstOctet < readers_[earliest].frames.front().firstOctet)
      earliest = i;
  }
  if (earliest < 0) return false;
  const Clock::time_point at = readers_[earliest].frames.front().firstOctet;
  const PortReader& other = readers_[1 - earliest];
  // The other port can still bring an earlier frame unless it is gone, holds a
  // later one, is gathering a later one, or has been quiet since.
  const bool nothingEarlier = !other.listening || !other.frames.empty() ||
                              (other.inFrame ? other.frameStart > at : other.quietSince >= at);
  if (!nothingEarlier) return false;
  *next = std::move(readers_[earliest].frames.front());
  readers_[earliest].frames.pop_front();
  return true;
}

void clIEC101CaptureEngine::Handle(const Captured& captured) {
  frame_.LoadFrom(captured.octets.data(), static_cast<int32_t>(captured.octets.size()));
  clDeviceCounters& counters = device_.Counters();
  switch (captured.status) {
    case FrameComplete:
      counters.Add(clDeviceCounters::kFramesReceived);
      DecodeFrame(captured.portNumber, frame_, captured.firstOctet);
      break;
    case FrameBadStart:
      counters.Add(clDeviceCounters::kInvalidFrames);
      PushEvent(captured.portNumber, frame_, "INVALID MESSAGE", captured.firstOctet);
      break;
    case FrameTimeout:
      counters.Add(clDeviceCounters::kTimeouts);
      // The slave's line is watched for what it answers; a partial answer is
      // dropped without a record there.
      if (captured.portNumber == 1)
        PushEvent(captured.portNumber, frame_, "RECEIVE TIMEOUT", captured.firstOctet);
      break;
    case FrameOverflow:
      counters.Add(clDeviceCounters::kOverflows);
      PushEvent(captured.portNumber, frame_, "BUFFER OVERFLOW", captured.firstOctet);
      break;
    case FrameBadChecksum:
      // A wrong checksum or end octet: counted, dropped without a record.
      counters.Add(clDeviceCounters::kChecksumErrors);
      break;
    default:
      break;
  }
}

namespace {

// The system clock's time of a steady-clock moment in the recent past.
std::chrono::system_clock::time_point WallTimeOf(std::chrono::steady_clock::time_point at) {
  const auto ago = std::chrono::steady_clock::now() - at;
  return std::chrono::system_clock::now() -
         std::chrono::duration_cast<std::chrono::system_clock::duration>(ago);
}

}  // namespace

void clIEC101CaptureEngine::DecodeFrame(int32_t portNumber, const clIEC101Frame& frame,
                                        Clock::time_point arrival) {
  const std::chrono::system_clock::time_point wallArrival = WallTimeOf(arrival);
  // Objects without a time tag take the arrival of the frame's first octet.
  std::vector<clInformationObject> objects;
  if (frame.IsVariable()) objects = DecodeObjects(frame, LocalTimeAt(wallArrival));
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
  record->StampAt(wallArrival);
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
                                      const char* text, Clock::time_point arrival) {
  clTrafficQueue& traffic = device_.Traffic();
  if (!traffic.IsConsumerRunning()) return;
  auto record = std::make_unique<clTrafficRecord>();
  FillEventRecord(frame, text, *record);
  record->received = portNumber == 1;
  record->StampAt(WallTimeOf(arrival));
  traffic.Push(std::move(record));
}

// ---- the readers ----

void clIEC101CaptureEngine::ReadPort(int32_t index) {
  PortReader& reader = readers_[index];
  clSerialPort& port = *reader.port;
  clIEC101Frame frame;
  frame.SetSizes(sizes_[0], sizes_[1], sizes_[2], sizes_[3]);
  while (!Stopping() && port.IsOpen()) {
    frame.Reset();
    uint8_t octet = 0;
    Clock::time_point arrival;
    const Clock::time_point asked = Clock::now();
    const int32_t got = port.Read(&octet, 1, kOctetReadMs, &arrival);
    if (got != 1) {
      // Nothing arrived since the read began: no frame of this port can come
      // before then any more.
      {
        std::lock_guard<std::mutex> lock(mergeMutex_);
        reader.quietSince = asked;
      }
      gathered_.notify_all();
      if (got != 0) SleepInterruptible(kOctetReadMs);  // a failing read returns at once
      continue;
    }
    {
      std::lock_guard<std::mutex> lock(mergeMutex_);
      reader.inFrame = true;
      reader.frameStart = arrival;
    }
    frame.AppendOctet(octet);
    Captured captured;
    captured.portNumber = index + 1;
    captured.status = GatherFrame(port, frame);
    captured.octets.assign(frame.Data(), frame.Data() + frame.Length());
    captured.firstOctet = arrival;
    {
      std::lock_guard<std::mutex> lock(mergeMutex_);
      reader.inFrame = false;
      reader.quietSince = arrival;
      reader.frames.push_back(std::move(captured));
    }
    gathered_.notify_all();
  }
  {
    std::lock_guard<std::mutex> lock(mergeMutex_);
    reader.listening = false;  // stopped, or the port is gone: nothing more comes from it
    reader.inFrame = false;
  }
  gathered_.notify_all();
}

FrameStatus clIEC101CaptureEngine::GatherFrame(clSerialPort& port, clIEC101Frame& frame) {
  Clock::time_point lastOctet = Clock::now();
  for (;;) {
    const FrameStatus status = frame.Check();
    if (status != FrameIncomplete) return status;
    uint8_t octet = 0;
    const int32_t got = port.Read(&octet, 1, kOctetReadMs);
    if (got == 1) {
      if (!frame.AppendOctet(octet)) return FrameOverflow;
      lastOctet = Clock::now();
      continue;
    }
    if (got != 0 || Stopping() || !port.IsOpen()) return FrameTimeout;
    if (Clock::now() - lastOctet >= std::chrono::milliseconds(kFrameSilenceMs)) return FrameTimeout;
  }
}

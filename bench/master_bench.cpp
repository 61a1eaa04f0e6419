// CPU used by one master polling a quiet secondary over a virtual line.
//
// A responder thread on the other end of the line answers request status with
// status of link, reset with E5 and every class 1 or class 2 poll with either E5
// or a fixed frame with function 9 (no data). The master runs with its default
// poll interval and read time-out. The master's CPU is the process's CPU
// (getrusage RUSAGE_SELF) minus the responder thread's own (RUSAGE_THREAD).
//
//   master_bench [seconds=10] [pollIntervalMs=1000]
//
// Second mode: one general interrogation of a sector with many single points.
// The responder answers the interrogation with its confirmation, the points as
// SQ = 1 frames of 127 objects (ACD set while more wait, so the master asks for
// class 1), and the termination. Reports the time until every tag is updated
// and the master's CPU for it.
//
//   master_bench gi [tags=10000] [pollIntervalMs=10]
#include <sys/resource.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <functional>
#include <memory>
#include <thread>
#include <vector>

#include "master/master_engine.h"
#include "model/master_device.h"
#include "model/sector.h"
#include "model/tag.h"
#include "protocol/iec101_frame.h"
#include "runtime/serial_port.h"
#include "runtime/serial_ports.h"

namespace {

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; }

double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

// Gathers the frames the master writes and hands each complete one to answer,
// until running is cleared.
void ServeFrames(clSerialPort& port, const std::atomic<bool>& running,
                 const std::function<void(const clIEC101Frame&)>& answer) {
  clIEC101Frame frame;
  while (running.load()) {
    uint8_t octet = 0;
    if (port.Read(&octet, 1, 50) != 1) continue;
    if (!frame.AppendOctet(octet)) frame.Reset();
    FrameStatus status = frame.Check();
    if (status == FrameIncomplete) continue;
    if (status == FrameComplete) answer(frame);
    frame.Reset();
  }
}

struct Responder {
  std::atomic<bool> running{true};
  std::atomic<int> polls{0};
  double cpu = 0;

  void Run(clSerialPort& port) {
    bool answerE5 = true;
    ServeFrames(port, running, [&](const clIEC101Frame& frame) {
      if (frame.At(0) == clIEC101Frame::kFixedStart) Answer(port, frame, answerE5);
    });
    cpu = CpuSeconds(RUSAGE_THREAD);
  }

  void Answer(clSerialPort& port, const clIEC101Frame& request, bool& answerE5) {
    uint8_t function = request.FunctionCode();
    uint8_t e5 = 0xE5;
    if (function == 9) {
      uint8_t status[] = {0x10, 0x0B, 0x01, 0x0C, 0x16};
      port.Write(status, 5);
    } else if (function == 10 || function == 11) {
      polls.fetch_add(1);
      // Alternate the two quiet answers a secondary may give.
      if (answerE5) {
        port.Write(&e5, 1);
      } else {
        uint8_t nodata[] = {0x10, 0x09, 0x01, 0x0A, 0x16};
        port.Write(nodata, 5);
      }
      answerE5 = !answerE5;
    } else {
      port.Write(&e5, 1);
    }
  }
};

}  // namespace

namespace {

using Octets = std::vector<uint8_t>;

Octets Variable(uint8_t control, const Octets& asdu) {
  uint8_t length = static_cast<uint8_t>(asdu.size() + 2);
  Octets frame = {0x68, length, length, 0x68, control, 0x01};
  frame.insert(frame.end(), asdu.begin(), asdu.end());
  uint8_t sum = 0;
  for (size_t i = 4; i < frame.size(); ++i) sum = static_cast<uint8_t>(sum + frame[i]);
  frame.push_back(sum);
  frame.push_back(0x16);
  return frame;
}

// A secondary that answers one station interrogation with `tags` single points.
struct GiResponder {
  int tags = 10000;
  std::atomic<bool> running{true};
  std::deque<Octets> pending;  // data units waiting for a class 1 or 2 poll
  double cpu = 0;

  void Run(clSerialPort& port) {
    ServeFrames(port, running, [&](const clIEC101Frame& frame) { Answer(port, frame); });
    cpu = CpuSeconds(RUSAGE_THREAD);
  }

  void QueueInterrogationAnswer() {
    pending.push_back({0x64, 0x01, 0x07, 0x01, 0x00, 0x00, 0x00, 0x14});
    for (int first = 1; first <= tags; first += 127) {
      int count = std::min(127, tags - first + 1);
      Octets asdu = {0x01,
                     static_cast<uint8_t>(0x80 | count),
                     0x14,
                     0x01,
                     0x00,
                     static_cast<uint8_t>(first & 0xFF),
                     static_cast<uint8_t>(first >> 8)};
      for (int i = 0; i < count; ++i) asdu.push_back(static_cast<uint8_t>(i & 1));
      pending.push_back(asdu);
    }
    pending.push_back({0x64, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x14});
  }

  void Answer(clSerialPort& port, const clIEC101Frame& request) {
    uint8_t e5 = 0xE5;
    uint8_t function = request.FunctionCode();
    if (request.At(0) == clIEC101Frame::kVariableStart) {
      if (request.TypeId() == 100) QueueInterrogationAnswer();
      port.Write(&e5, 1);
    } else if (function == 9) {
      uint8_t status[] = {0x10, 0x0B, 0x01, 0x0C, 0x16};
      port.Write(status, 5);
    } else if ((function == 10 || function == 11) && !pending.empty()) {
      bool more = pending.size() > 1;
      Octets frame = Variable(more ? 0x28 : 0x08, pending.front());
      pending.pop_front();
      port.Write(frame.data(), static_cast<int32_t>(frame.size()));
    } else {
      port.Write(&e5, 1);
    }
  }
};

int GiMain(int argc, char** argv) {
  int tags = argc > 2 ? std::atoi(argv[2]) : 10000;
  int pollMs = argc > 3 ? std::atoi(argv[3]) : 10;
  clSerialPorts ports;
  for (const char* name : {"VLINE78-A", "VLINE78-B"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetBaudRate(115200);
    ports.Add(std::move(port));
  }
  clSerialPort* peerPort = ports.Find("VLINE78-B");
  if (peerPort->Open() != clSerialPort::kOk) return 1;
  clIEC101MasterDevice device;
  device.SetName("Master1");
  device.SetPortName("VLINE78-A");
  device.SetPollIntervalMs(pollMs);
  auto sector = std::make_unique<clSector>();
  sector->SetName("Sector1");
  sector->SetCommonAddress(1);
  std::vector<std::unique_ptr<clTag>> created;
  for (int ioa = 1; ioa <= tags; ++ioa) {
    auto tag = std::make_unique<clTag>();
    tag->SetName("SP" + std::to_string(ioa));
    tag->SetIoa(ioa);
    created.push_back(std::move(tag));
  }
  sector->Tags().AppendAll(std::move(created));
  clSector* points = device.Sectors()->Append(std::move(sector));
  clTag* last = points->Tags().FindByIoa(tags);
  clIEC101MasterEngine engine(device, ports);
  GiResponder responder;
  responder.tags = tags;
  std::thread peer([&] { responder.Run(*peerPort); });
  double before = CpuSeconds(RUSAGE_SELF);
  auto begin = std::chrono::steady_clock::now();
  std::string failed;
  bool started = engine.Start(&failed);
  auto deadline = begin + std::chrono::seconds(120);
  while (started && last->Cause() != 20 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  double total = CpuSeconds(RUSAGE_SELF) - before;
  engine.Stop();
  responder.running = false;
  peer.join();
  peerPort->Close();
  double master = total - responder.cpu;
  if (last->Cause() != 20) {
    std::fprintf(stderr, "interrogation did not complete\n");
    return 1;
  }
  std::printf(
      "interrogation of %d single points: %.2f s from start to the last tag, "
      "master CPU %.3f s (process %.3f s), poll interval %d ms, 115200 baud\n",
      tags, wall, master, total, pollMs);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "gi") == 0) return GiMain(argc, argv);
  int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
  int pollMs = argc > 2 ? std::atoi(argv[2]) : 1000;
  clSerialPorts ports;
  for (const char* name : {"VLINE77-A", "VLINE77-B"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    ports.Add(std::move(port));
  }
  clSerialPort* peerPort = ports.Find("VLINE77-B");
  if (peerPort->Open() != clSerialPort::kOk) {
    std::fprintf(stderr, "cannot open VLINE77-B\n");
    return 1;
  }
  clIEC101MasterDevice device;
  device.SetName("Master1");
  device.SetPortName("VLINE77-A");
  device.SetPollIntervalMs(pollMs);
  device.SetGiPeriodSec(0);
  clIEC101MasterEngine engine(device, ports);

  Responder responder;
  std::thread peer([&] { responder.Run(*peerPort); });
  double before = CpuSeconds(RUSAGE_SELF);
  auto begin = std::chrono::steady_clock::now();
  std::string failed;
  if (!engine.Start(&failed)) {
    std::fprintf(stderr, "cannot open %s\n", failed.c_str());
    responder.running = false;
    peer.join();
    return 1;
  }
  std::this_thread::sleep_for(std::chrono::seconds(seconds));
  engine.Stop();
  double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  responder.running = false;
  peer.join();
  double total = CpuSeconds(RUSAGE_SELF) - before;
  double master = total - responder.cpu;
  std::printf("poll interval %d ms, %.2f s wall, %d polls answered\n", pollMs, wall,
              responder.polls.load());
  std::printf("master CPU %.4f s (%.3f %% of one core); responder %.4f s; process %.4f s\n", master,
              100.0 * master / wall, responder.cpu, total);
  peerPort->Close();
  return 0;
}

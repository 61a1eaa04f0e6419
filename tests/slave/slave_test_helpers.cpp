#include "tests/slave/slave_test_helpers.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <sstream>

#include "protocol/iec101_frame.h"

namespace slave_test {
namespace {

using Clock = std::chrono::steady_clock;

int32_t RemainingMs(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int32_t>(left.count()) : 0;
}

class PtyLine : public TestLine {
 public:
  ~PtyLine() override {
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }
  bool Open(std::string& slavePath) {
    char name[256];
    if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return false;
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
    slavePath = name;
    return true;
  }
  bool Write(const std::vector<uint8_t>& octets) override {
    size_t done = 0;
    auto deadline = Clock::now() + std::chrono::seconds(2);
    while (done < octets.size()) {
      ssize_t n = write(master_, octets.data() + done, octets.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
        continue;
      }
      if (RemainingMs(deadline) == 0) return false;
      pollfd p{master_, POLLOUT, 0};
      poll(&p, 1, 10);
    }
    return true;
  }
  bool ReadOctet(uint8_t& octet, int32_t timeoutMs) override {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      if (read(master_, &octet, 1) == 1) return true;
      int32_t left = RemainingMs(deadline);
      if (left == 0) return false;
      pollfd p{master_, POLLIN, 0};
      poll(&p, 1, left);
    }
  }

 private:
  int master_ = -1;
  int slave_ = -1;  // kept open so the line does not hang up between opens
};

class VirtualTestLine : public TestLine {
 public:
  bool Open(int32_t cable) {
    port_.SetName("VLINE" + std::to_string(cable) + "-A");
    port_.SetBaudRate(115200);
    return port_.Open() == clSerialPort::kOk;
  }
  bool Write(const std::vector<uint8_t>& octets) override {
    return port_.Write(octets.data(), static_cast<int32_t>(octets.size())) ==
           static_cast<int32_t>(octets.size());
  }
  bool ReadOctet(uint8_t& octet, int32_t timeoutMs) override {
    return port_.Read(&octet, 1, timeoutMs < 1 ? 1 : timeoutMs) == 1;
  }

 private:
  clSerialPort port_;
};

}  // namespace

clDateTime FakeClock::Now() const {
  std::lock_guard<std::mutex> guard(mutex_);
  clDateTime now = now_;
  now_.millisecond += stepMs_;
  while (now_.millisecond >= 1000) {
    now_.millisecond -= 1000;
    if (++now_.second == 60) {
      now_.second = 0;
      ++now_.minute;
    }
  }
  return now;
}

void FakeClock::SetNow(const clDateTime& now, int32_t stepMs) {
  std::lock_guard<std::mutex> guard(mutex_);
  now_ = now;
  stepMs_ = stepMs;
}

std::unique_ptr<TestLine> OpenPtyLine(std::string& slavePath) {
  auto line = std::make_unique<PtyLine>();
  if (!line->Open(slavePath)) return nullptr;
  return line;
}

std::unique_ptr<TestLine> OpenVirtualLine(int32_t cable) {
  auto line = std::make_unique<VirtualTestLine>();
  if (!line->Open(cable)) return nullptr;
  return line;
}

std::vector<uint8_t> Octets(const std::string& hex) {
  std::vector<uint8_t> octets;
  std::stringstream words(hex);
  std::string word;
  while (words >> word) octets.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
  return octets;
}

std::string Hex(const std::vector<uint8_t>& octets) {
  std::string text;
  char two[4];
  for (uint8_t octet : octets) {
    std::snprintf(two, sizeof two, "%02X", octet);
    if (!text.empty()) text += ' ';
    text += two;
  }
  return text;
}

SlaveRig::SlaveRig() {
  device.SetName("Slave1");
  device.SetLinkAddress(1);
}

SlaveRig::~SlaveRig() { StopEngine(); }

void SlaveRig::SetSizes(int32_t la, int32_t ca, int32_t ioa, int32_t cot) {
  device.SetLinkAddressSize(la);
  device.SetSectorSize(ca);
  device.SetIoaSize(ioa);
  device.SetCotSize(cot);
}

clSector& SlaveRig::AddSector(int32_t commonAddress, bool active) {
  auto sector = std::make_unique<clSector>();
  sector->SetId(nextSectorId_++);
  sector->SetName("Sector" + std::to_string(commonAddress));
  sector->SetCommonAddress(commonAddress);
  sector->SetActive(active);
  sector->SetOwner(&device);
  return *device.Sectors()->Append(std::move(sector));
}

clTag& SlaveRig::AddTag(clSector& sector, int32_t type, int32_t ioa, double value,
                        int32_t quality) {
  auto tag = std::make_unique<clTag>();
  tag->SetId(nextTagId_++);
  tag->SetSectorId(sector.Id());
  tag->SetName("Tag" + std::to_string(tag->Id()));
  tag->SetType(type);
  tag->SetIoa(ioa);
  tag->SetRawValue(value);
  tag->SetQuality(quality);
  return *sector.Tags().Append(std::move(tag));
}

void SlaveRig::Link(clTag& command, const clTag& target) {
  command.SetLinkEnabled(true);
  command.SetLinkTarget(target.Id());
}

bool SlaveRig::StartEngine(const std::string& portName) {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(portName);
  port->SetBaudRate(115200);
  port->SetFlowControl(clSerialPort::kFlowNone);
  ports.Add(std::move(port));
  device.SetPortName(portName);
  engine = std::make_unique<clIEC101SlaveEngine>(device, ports, &clock);
  std::string failed;
  return engine->Start(&failed);
}

bool SlaveRig::StartOnPty() {
  std::string path;
  line = OpenPtyLine(path);
  return line && StartEngine(path);
}

bool SlaveRig::StartOnVirtualLine(int32_t cable) {
  if (!StartEngine("VLINE" + std::to_string(cable) + "-B")) return false;
  line = OpenVirtualLine(cable);
  return line != nullptr;
}

void SlaveRig::StopEngine() {
  if (engine) engine->Stop();
}

std::string SlaveRig::Fixed(uint8_t control, uint32_t linkAddress) const {
  std::vector<uint8_t> octets{0x10, control, static_cast<uint8_t>(linkAddress)};
  if (device.LinkAddressSize() == 2) octets.push_back(static_cast<uint8_t>(linkAddress >> 8));
  octets.push_back(FrameChecksum(octets.data(), 1, static_cast<int32_t>(octets.size())));
  octets.push_back(0x16);
  return Hex(octets);
}

std::string SlaveRig::Variable(uint8_t control, const std::string& asduHex,
                               uint32_t linkAddress) const {
  std::vector<uint8_t> octets{0x68, 0, 0, 0x68, control, static_cast<uint8_t>(linkAddress)};
  if (device.LinkAddressSize() == 2) octets.push_back(static_cast<uint8_t>(linkAddress >> 8));
  for (uint8_t octet : Octets(asduHex)) octets.push_back(octet);
  octets[1] = octets[2] = static_cast<uint8_t>(octets.size() - 4);
  octets.push_back(FrameChecksum(octets.data(), 4, static_cast<int32_t>(octets.size())));
  octets.push_back(0x16);
  return Hex(octets);
}

std::string SlaveRig::Send(const std::string& requestHex, int32_t waitMs) {
  if (!line || !line->Write(Octets(requestHex))) return "write failed";
  return ReadAnswer(waitMs);
}

std::string SlaveRig::ReadAnswer(int32_t waitMs) {
  clIEC101Frame frame;
  frame.SetSizes(static_cast<uint32_t>(device.LinkAddressSize()), 2, 2, 1);
  auto deadline = Clock::now() + std::chrono::milliseconds(waitMs);
  for (;;) {
    uint8_t octet = 0;
    int32_t left = RemainingMs(deadline);
    if (left == 0 || !line->ReadOctet(octet, left)) return frame.HexText();
    frame.AppendOctet(octet);
    FrameStatus status = frame.Check();
    if (status != FrameIncomplete) return frame.HexText();
  }
}

uint8_t SlaveRig::NextFcvControl(uint8_t function) {
  uint8_t control = static_cast<uint8_t>(0x50 | (fcb_ ? 0x20 : 0) | function);
  fcb_ = !fcb_;
  return control;
}

uint8_t SlaveRig::RepeatFcvControl(uint8_t function) const {
  return static_cast<uint8_t>(0x50 | (!fcb_ ? 0x20 : 0) | function);
}

std::vector<std::string> SlaveRig::DrainWithClass1(int32_t maxPolls) {
  std::vector<std::string> answers;
  const std::string noData = Fixed(0x09);
  for (int32_t i = 0; i < maxPolls; ++i) {
    std::string answer = Class1();
    if (answer.empty() || answer == noData) break;
    answers.push_back(answer);
  }
  return answers;
}

std::vector<clTrafficRecord> SlaveRig::TakeRecords() {
  std::vector<clTrafficRecord> records;
  while (auto record = device.Traffic().Pop()) records.push_back(*record);
  return records;
}

}  // namespace slave_test

#include "master_test_helpers.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>
#include <thread>

#include "model/sector.h"
#include "model/tag.h"
#include "protocol/iec101_frame.h"
#include "runtime/serial_port.h"

namespace master_test {

long MsSince(Clock::time_point begin) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
}

Octets Hex(const std::string& hex) {
  Octets octets;
  std::stringstream words(hex);
  std::string word;
  while (words >> word) octets.push_back(static_cast<uint8_t>(std::stoul(word, nullptr, 16)));
  return octets;
}

std::string HexText(const Octets& octets) {
  std::string text;
  char buf[4];
  for (uint8_t o : octets) {
    std::snprintf(buf, sizeof buf, "%02X", o);
    if (!text.empty()) text += ' ';
    text += buf;
  }
  return text;
}

Octets Fixed(uint8_t control, uint8_t linkAddress) {
  return {0x10, control, linkAddress, static_cast<uint8_t>(control + linkAddress), 0x16};
}

Octets Variable(uint8_t control, const Octets& asdu, uint8_t linkAddress) {
  uint8_t length = static_cast<uint8_t>(asdu.size() + 2);
  Octets frame = {0x68, length, length, 0x68, control, linkAddress};
  // Octet by octet: GCC 12 at -O2 warns falsely about the range insert here.
  for (uint8_t octet : asdu) frame.push_back(octet);
  uint8_t sum = 0;
  for (size_t i = 4; i < frame.size(); ++i) sum = static_cast<uint8_t>(sum + frame[i]);
  frame.push_back(sum);
  frame.push_back(0x16);
  return frame;
}

PtyPeer::PtyPeer() {
  char name[256];
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    master_ = slave_ = -1;
    return;
  }
  termios tio{};
  tcgetattr(slave_, &tio);
  cfmakeraw(&tio);
  tcsetattr(slave_, TCSANOW, &tio);
  path_ = name;
}

PtyPeer::~PtyPeer() {
  if (slave_ >= 0) close(slave_);
  if (master_ >= 0) close(master_);
}

void PtyPeer::Write(const Octets& octets) {
  if (octets.empty()) return;
  ssize_t n = ::write(master_, octets.data(), octets.size());
  (void)n;
}

bool PtyPeer::ReadOctet(uint8_t& octet, Clock::time_point deadline) {
  while (true) {
    long left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd p{master_, POLLIN, 0};
    int r = ::poll(&p, 1, static_cast<int>(left));
    if (r <= 0) continue;
    if (::read(master_, &octet, 1) == 1) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

Octets PtyPeer::ReadFrame(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  clIEC101Frame frame;
  uint8_t octet = 0;
  while (ReadOctet(octet, deadline)) {
    frame.AppendOctet(octet);
    FrameStatus status = frame.Check();
    if (status == FrameComplete) return Octets(frame.Data(), frame.Data() + frame.Length());
    if (status != FrameIncomplete) frame.Reset();
  }
  return {};
}

std::string PtyPeer::ReadLine(int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string line;
  uint8_t octet = 0;
  while (ReadOctet(octet, deadline)) {
    line.push_back(static_cast<char>(octet));
    if (octet == 0x0D) return line;
  }
  return "";
}

bool PtyPeer::Silent(int ms) {
  uint8_t octet = 0;
  return !ReadOctet(octet, Clock::now() + std::chrono::milliseconds(ms));
}

MasterRig::MasterRig(const std::string& portName, clMasterOptions timings) {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(portName);
  ports.Add(std::move(port));
  device.SetName("Master1");
  device.SetPortName(portName);
  device.SetPollIntervalMs(100);
  device.SetReadTimeoutMs(200);
  device.SetGiPeriodSec(0);
  engine = std::make_unique<clIEC101MasterEngine>(device, ports, timings);
}

MasterRig::~MasterRig() { engine->Stop(); }

clSector& MasterRig::AddSector(int32_t commonAddress, bool active) {
  auto sector = std::make_unique<clSector>();
  sector->SetName("Sector" + std::to_string(commonAddress));
  sector->SetCommonAddress(commonAddress);
  sector->SetActive(active);
  sector->SetId(commonAddress);
  sector->SetOwner(&device);
  return *device.Sectors()->Append(std::move(sector));
}

clTag& MasterRig::AddTag(clSector& sector, int32_t type, int32_t ioa, bool sbo) {
  auto tag = std::make_unique<clTag>();
  tag->SetName("T" + std::to_string(type) + "_" + std::to_string(ioa));
  tag->SetType(type);
  tag->SetIoa(ioa);
  tag->SetSelectBeforeOperate(sbo);
  return *sector.Tags().Append(std::move(tag));
}

bool MasterRig::Start() {
  std::string failed;
  return engine->Start(&failed);
}

std::vector<std::string> MasterRig::LoggedTitles() {
  std::vector<std::string> titles;
  while (auto record = device.Traffic().Pop()) titles.push_back(record->title);
  return titles;
}

}  // namespace master_test

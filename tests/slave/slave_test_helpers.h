// A slave engine on a line, and a test that plays the master on the other end.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "model/sector.h"
#include "model/slave_device.h"
#include "model/tag.h"
#include "runtime/serial_port.h"
#include "runtime/serial_ports.h"
#include "slave/slave_clock.h"
#include "slave/slave_engine.h"

namespace slave_test {

// A clock the test sets: the tick only moves when told, the local time steps
// by stepMs on every reading so that consecutive time stamps differ.
class FakeClock : public clSlaveClock {
 public:
  uint64_t TickMs() const override { return tick_.load(); }
  clDateTime Now() const override;
  void Advance(uint64_t ms) { tick_.fetch_add(ms); }
  void SetNow(const clDateTime& now, int32_t stepMs);

 private:
  std::atomic<uint64_t> tick_{1000000};
  mutable std::mutex mutex_;
  mutable clDateTime now_{2026, 12, 6, 10, 20, 30, 0};  // guarded by mutex_
  int32_t stepMs_ = 0;                                  // guarded by mutex_
};

// The master's end of the line.
class TestLine {
 public:
  virtual ~TestLine() = default;
  virtual bool Write(const std::vector<uint8_t>& octets) = 0;
  // One octet within timeoutMs: true when it came.
  virtual bool ReadOctet(uint8_t& octet, int32_t timeoutMs) = 0;
};

// The slave's port is the tty side of a pseudo-terminal; the test holds the
// master side.
std::unique_ptr<TestLine> OpenPtyLine(std::string& slavePath);
// The slave's port is VLINE<cable>-B; the test holds end A.
std::unique_ptr<TestLine> OpenVirtualLine(int32_t cable);

// The fixed answers of a slave with link address 1.
inline constexpr const char* kAck = "10 00 01 01 16";
inline constexpr const char* kNoData = "10 09 01 0A 16";
inline constexpr const char* kNoDataAcd = "10 29 01 2A 16";
inline constexpr const char* kStatus = "10 0B 01 0C 16";

std::vector<uint8_t> Octets(const std::string& hex);
std::string Hex(const std::vector<uint8_t>& octets);

// A slave device with its sectors and tags, its engine, and the master's line.
class SlaveRig {
 public:
  static constexpr int32_t kAnswerWaitMs = 2000;
  static constexpr int32_t kSilenceWaitMs = 200;

  SlaveRig();
  ~SlaveRig();

  // Sizes: link address, common address, object address, cause.
  void SetSizes(int32_t la, int32_t ca, int32_t ioa, int32_t cot);
  clSector& AddSector(int32_t commonAddress, bool active = true);
  clTag& AddTag(clSector& sector, int32_t type, int32_t ioa, double value = 0, int32_t quality = 0);
  void Link(clTag& command, const clTag& target);

  // Starts the engine on a pseudo-terminal or a virtual line.
  bool StartOnPty();
  bool StartOnVirtualLine(int32_t cable);
  void StopEngine();

  // Frames as hex text with length and checksum filled in.
  std::string Fixed(uint8_t control, uint32_t linkAddress = 1) const;
  std::string Variable(uint8_t control, const std::string& asduHex, uint32_t linkAddress = 1) const;

  // Writes the request and gathers the answer; "" when none came within the wait.
  std::string Send(const std::string& requestHex, int32_t waitMs = kAnswerWaitMs);
  // Sends and expects silence (a shorter wait).
  std::string SendExpectingSilence(const std::string& requestHex) {
    return Send(requestHex, kSilenceWaitMs);
  }
  // A complete frame from the line, or "" after waitMs without one.
  std::string ReadAnswer(int32_t waitMs);

  // The master's requests; the FCB toggles with each class poll and user data.
  std::string ResetLink() {
    fcb_ = true;
    return Send(Fixed(0x40));
  }
  std::string Class1() { return Send(Fixed(NextFcvControl(0x0A))); }
  std::string Class2() { return Send(Fixed(NextFcvControl(0x0B))); }
  std::string UserData(const std::string& asduHex, int32_t waitMs = kAnswerWaitMs) {
    return Send(Variable(NextFcvControl(0x03), asduHex), waitMs);
  }
  // Control octet with FCV and the next FCB, then toggles the FCB.
  uint8_t NextFcvControl(uint8_t function);
  // The FCB that the previous request carried, for sending it again.
  uint8_t RepeatFcvControl(uint8_t function) const;

  // Fetches answers with class polls until the slave answers "no data".
  std::vector<std::string> DrainWithClass1(int32_t maxPolls = 20);

  std::vector<clTrafficRecord> TakeRecords();

  FakeClock clock;
  clSerialPorts ports;
  clIEC101SlaveDevice device;
  std::unique_ptr<clIEC101SlaveEngine> engine;
  std::unique_ptr<TestLine> line;

 private:
  bool StartEngine(const std::string& portName);
  bool fcb_ = true;
  int32_t nextTagId_ = 100;
  int32_t nextSectorId_ = 1;
};

}  // namespace slave_test

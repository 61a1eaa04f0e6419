// A scripted secondary station on a pseudo-terminal, and frame builders with
// correct checksums, for the master's integration tests.
#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "master/master_engine.h"
#include "model/master_device.h"
#include "runtime/serial_ports.h"
#include "tests/test_support.h"

namespace master_test {

using Clock = std::chrono::steady_clock;
using Octets = std::vector<uint8_t>;

long MsSince(Clock::time_point begin);

// "10 49 01 4A 16" -> octets.
Octets Hex(const std::string& hex);
std::string HexText(const Octets& octets);
// A fixed frame with a one-octet link address.
Octets Fixed(uint8_t control, uint8_t linkAddress = 1);
// A variable frame: control, one-octet link address, then the data unit octets.
Octets Variable(uint8_t control, const Octets& asdu, uint8_t linkAddress = 1);
// Secondary answers.
inline Octets Ack() { return {0xE5}; }
inline Octets StatusOfLink(bool acd = false) { return Fixed(acd ? 0x2B : 0x0B); }
// User data from the secondary (function 8), ACD as given.
inline Octets UserData(const Octets& asdu, bool acd = false) {
  return Variable(acd ? 0x28 : 0x08, asdu);
}

// The test's end of a pseudo-terminal pair; the master opens the other end by its
// path. Reads gather whole frames with the frame parser, bounded by a deadline.
class PtyPeer {
 public:
  PtyPeer();
  ~PtyPeer();
  bool ok() const { return master_ >= 0; }
  const std::string& Path() const { return path_; }
  void Write(const Octets& octets);
  // The next frame (or single character) the master writes, or empty after timeoutMs.
  Octets ReadFrame(int timeoutMs);
  // Plain characters up to and including a carriage return, or "" after timeoutMs.
  std::string ReadLine(int timeoutMs);
  // True when nothing at all arrives within ms.
  bool Silent(int ms);

 private:
  bool ReadOctet(uint8_t& octet, Clock::time_point deadline);
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
};

// A master device with one port in its own port list, the engine on top.
struct MasterRig {
  explicit MasterRig(const std::string& portName, clMasterOptions timings = {});
  ~MasterRig();
  clSector& AddSector(int32_t commonAddress, bool active = true);
  clTag& AddTag(clSector& sector, int32_t type, int32_t ioa, bool sbo = false);
  bool Start();
  // The event records (kind 1001) and frame titles the master has logged so far.
  std::vector<std::string> LoggedTitles();

  clSerialPorts ports;
  clIEC101MasterDevice device;
  std::unique_ptr<clIEC101MasterEngine> engine;
};

using test_support::WaitFor;

}  // namespace master_test

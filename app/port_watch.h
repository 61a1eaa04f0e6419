#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "runtime/thread.h"

class clSerialPort;
class clWorkspace;

// Tells the user, once per device and port, when a port's line goes away while
// the run goes on (a hang-up or an I/O error closed it): "telvane: Master1: port
// COM1 (/dev/ttyUSB0) lost: Input/output error". Devices are not told to do
// anything: they see a closed port, as they would anyway.
//
// Threads: the watch's own thread reads the ports' loss counters (atomic) every
// kCheckEveryMs; the workspace's structure must not change while it runs.
class clPortWatch : public clThread {
 public:
  static constexpr uint32_t kCheckEveryMs = 100;

  explicit clPortWatch(clWorkspace& workspace);
  ~clPortWatch() override { Stop(); }

 protected:
  void Run() override;

 private:
  struct Watched {
    std::string device;
    const clSerialPort* port;
    uint32_t lossesBefore;
    bool told = false;
  };
  std::vector<Watched> watched_;
};

#include "app/port_watch.h"

#include <cstdio>
#include <cstring>

#include "model/workspace.h"
#include "runtime/serial_port.h"

clPortWatch::clPortWatch(clWorkspace& workspace) {
  const auto watch = [this](const clDevice& device, const clSerialPort* port) {
    if (port != nullptr) watched_.push_back(Watched{device.Name(), port, port->LineLosses()});
  };
  for (clDevice* d : *workspace.Masters().Items()) watch(*d, d->Port());
  for (clDevice* d : *workspace.Slaves().Items()) watch(*d, d->Port());
  for (clIEC101CaptureDevice* d : *workspace.Monitors().Items()) {
    watch(*d, d->Port1());
    watch(*d, d->Port2());
  }
}

void clPortWatch::Run() {
  while (SleepInterruptible(kCheckEveryMs)) {
    for (Watched& w : watched_) {
      if (w.told || w.port->LineLosses() == w.lossesBefore) continue;
      w.told = true;
      const int32_t error = w.port->LineLossError();
      const std::string path = w.port->DevicePath();
      const std::string name =
          path == w.port->Name() ? path : w.port->Name() + " (" + path + ")";
      std::fprintf(stderr, "telvane: %s: port %s lost: %s\n", w.device.c_str(), name.c_str(),
                   error == 0 ? "hung up" : std::strerror(error));
    }
  }
}

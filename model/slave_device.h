#pragma once
#include "model/device.h"

// A slave (controlled station): the common device fields with the slave's
// defaults (balanced mode off, both periods 0; stored but not used).
class clIEC101SlaveDevice : public clDevice {
 public:
  clIEC101SlaveDevice() : clDevice(kSlave) {
    SetGiPeriodSec(0);
    SetTimeSyncPeriodSec(0);
  }
  std::unique_ptr<clDevice> Clone() const override;
};

#pragma once
#include <cstdint>
#include <string>

class clIEC101MasterDevice;

// The configuration of a master as its properties dialog edits it, with the
// dialog's acceptance rules applied on the way back to the device. Filled from a
// device, changed by the caller, then applied; no user interface involved.
struct clMasterSettings {
  std::string name;
  std::string port;
  int32_t linkAddress = 1;
  int32_t linkAddressSize = 1;
  int32_t sectorSize = 2;
  int32_t cotSize = 1;
  int32_t ioaSize = 2;
  int32_t retries = 3;
  int32_t pollIntervalMs = 1000;
  int32_t readTimeoutMs = 1000;
  int32_t giPeriodSec = 60;
  int32_t timeSyncPeriodSec = 0;
  int32_t testPeriodSec = 5;
  bool balancedMode = false;
  bool autoCreateTags = false;
  bool modemEnabled = false;
  std::string phoneNumber = "ATD000000";
  int32_t dialTimeoutSec = 30;

  static clMasterSettings From(const clIEC101MasterDevice& device);
  // Stores the settings into the device. An empty name keeps the old name; a poll
  // interval, test period or dial time-out of 0 or less, a read time-out of 100 or
  // less and a field size outside its list keep the old value. While the device
  // runs only the name and the modem settings (flag, number, dial time-out) are
  // stored.
  void ApplyTo(clIEC101MasterDevice& device) const;
};

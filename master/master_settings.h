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
  // "" when OK may store the settings; otherwise the message to show (a name
  // the workspace file cannot keep; unless the device runs, a link address its
  // field size cannot carry).
  std::string Check(bool running) const;
  // Stores the settings into the device. An empty name keeps the old name; a poll
  // interval, test period or dial time-out of 0 or less, a read time-out of 100 or
  // less and a field size outside its list keep the old value. While the device
  // runs only the name and the modem settings (flag, number, dial time-out) are
  // stored.
  void ApplyTo(clIEC101MasterDevice& device) const;
};

// The fields of the master properties dialog, for its enabling rules.
enum class clMasterField {
  kName,
  kPort,
  kLinkAddress,
  kFieldSizes,
  kRetries,
  kPollInterval,
  kReadTimeout,
  kGiPeriod,
  kTimeSyncPeriod,
  kTestPeriod,
  kBalancedMode,
  kAutoCreateTags,
  kModem,  // "Enable Modem", "Phone Number (ATD)", "Dial Timeout"
};

// Whether a field may be edited: while the device runs only the name and the
// modem settings; "Test Function" only while balanced mode is on.
bool MasterFieldEnabled(clMasterField field, bool running, bool balancedMode);

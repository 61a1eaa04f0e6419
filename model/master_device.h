#pragma once
#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "model/device.h"

// The stored settings of a master (controlling station) on top of the common
// device fields. Threading as clDevice: user-interface thread, changed only while
// stopped, except the modem settings, which the dialog may change while the
// worker runs: the flag and the dial time-out are atomics, the phone number is
// guarded by modemLock_ (PhoneNumber returns a copy).
class clIEC101MasterDevice : public clDevice {
 public:
  static constexpr int32_t kDefaultTestPeriodSec = 5;

  clIEC101MasterDevice() : clDevice(kMaster) {}
  std::unique_ptr<clDevice> Clone() const override;

  int32_t PollIntervalMs() const { return pollIntervalMs_; }
  void SetPollIntervalMs(int32_t v) { pollIntervalMs_ = v; }
  int32_t ReadTimeoutMs() const { return readTimeoutMs_; }
  void SetReadTimeoutMs(int32_t v) { readTimeoutMs_ = v; }
  int32_t TestPeriodSec() const { return testPeriodSec_; }
  void SetTestPeriodSec(int32_t v) { testPeriodSec_ = v; }
  bool ModemEnabled() const { return modemEnabled_.load(std::memory_order_relaxed); }
  void SetModemEnabled(bool v) { modemEnabled_.store(v, std::memory_order_relaxed); }
  std::string PhoneNumber() const;
  void SetPhoneNumber(std::string v);
  int32_t DialTimeoutSec() const { return dialTimeoutSec_.load(std::memory_order_relaxed); }
  void SetDialTimeoutSec(int32_t v) { dialTimeoutSec_.store(v, std::memory_order_relaxed); }

 private:
  int32_t pollIntervalMs_ = 1000;
  int32_t readTimeoutMs_ = 1000;
  int32_t testPeriodSec_ = kDefaultTestPeriodSec;
  std::atomic<bool> modemEnabled_{false};
  mutable std::mutex modemLock_;
  std::string phoneNumber_ = "ATD000000";  // guarded by modemLock_
  std::atomic<int32_t> dialTimeoutSec_{30};
};

#pragma once
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include "model/sectors.h"
#include "runtime/device_counters.h"
#include "runtime/traffic_queue.h"

class clSerialPort;
class clTags;

// The settings every device role shares: identity, name, kind, the link address
// and the four protocol field sizes, the serial port and, for masters and slaves,
// the sectors. The roles' behaviour (worker loops) operates on these objects from
// elsewhere and reports through SetRunning.
//
// Threads: the running flag is atomic, and the name, which the properties dialog
// may change while the device runs, is guarded by nameLock_ (Name returns a copy).
// Every other field belongs to the user-interface thread, which changes it only
// while the device is stopped (the workspace refuses structural edits while
// IsRunning()); a running worker reads them. Live tag values are the tags' own
// concern.
class clDevice {
 public:
  enum Kind : int32_t { kMaster = 1, kSlave = 2, kMonitor = 3 };

  explicit clDevice(int32_t kind) : kind_(kind) {}
  virtual ~clDevice() = default;
  clDevice(const clDevice&) = delete;
  clDevice& operator=(const clDevice&) = delete;

  // A deep copy of every stored field, sectors and tags included; no port
  // reference, not running.
  virtual std::unique_ptr<clDevice> Clone() const = 0;
  // Text properties by key. The common keys are handled here: "name", "port",
  // "linkaddr", the four "size-..." keys and "state" (read only). Numbers are
  // written as decimal text and read with the C library's conversion.
  virtual std::string GetProperty(std::string_view key) const;
  virtual void SetProperty(std::string_view key, std::string_view text);
  // The device's sectors; none for a monitor.
  virtual clSectors* Sectors() { return &sectors_; }
  virtual const clSectors* Sectors() const { return &sectors_; }
  // The monitor's own tags; none for masters and slaves.
  virtual clTags* Tags() { return nullptr; }
  virtual const clTags* Tags() const { return nullptr; }

  // The device's traffic records, from its worker to its traffic consumer. Not
  // stored in the file; locked inside.
  clTrafficQueue& Traffic() { return traffic_; }
  // What the device's worker has done while running; not stored. Atomic inside.
  clDeviceCounters& Counters() const { return counters_; }

  bool IsRunning() const { return running_.load(std::memory_order_acquire); }
  void SetRunning(bool on) { running_.store(on, std::memory_order_release); }

  int32_t Id() const { return id_; }
  void SetId(int32_t v) { id_ = v; }
  std::string Name() const;
  void SetName(std::string v);
  int32_t Kind() const { return kind_; }
  void SetKind(int32_t v) { kind_ = v; }
  int32_t Retries() const { return retries_; }
  void SetRetries(int32_t v) { retries_ = v; }
  int32_t LinkAddress() const { return linkAddress_; }
  void SetLinkAddress(int32_t v) { linkAddress_ = v; }
  int32_t LinkAddressSize() const { return linkAddressSize_; }
  void SetLinkAddressSize(int32_t v) { linkAddressSize_ = v; }
  int32_t SectorSize() const { return sectorSize_; }
  void SetSectorSize(int32_t v) { sectorSize_ = v; }
  int32_t CotSize() const { return cotSize_; }
  void SetCotSize(int32_t v) { cotSize_ = v; }
  int32_t IoaSize() const { return ioaSize_; }
  void SetIoaSize(int32_t v) { ioaSize_ = v; }
  bool BalancedMode() const { return balancedMode_; }
  void SetBalancedMode(bool v) { balancedMode_ = v; }
  int32_t GiPeriodSec() const { return giPeriodSec_; }
  void SetGiPeriodSec(int32_t v) { giPeriodSec_ = v; }
  int32_t TimeSyncPeriodSec() const { return timeSyncPeriodSec_; }
  void SetTimeSyncPeriodSec(int32_t v) { timeSyncPeriodSec_ = v; }
  bool AutoCreateTags() const { return autoCreateTags_; }
  void SetAutoCreateTags(bool v) { autoCreateTags_ = v; }
  int32_t NextCommonAddress() const { return nextCommonAddress_; }
  void SetNextCommonAddress(int32_t v) { nextCommonAddress_ = v; }
  // The stored port name, and the port of the workspace's list it resolves to.
  const std::string& PortName() const { return portName_; }
  void SetPortName(std::string v) { portName_ = std::move(v); }
  clSerialPort* Port() const { return port_; }
  void SetPort(clSerialPort* v) { port_ = v; }

 protected:
  // Copies the base fields and the sectors into `copy`.
  void CopyBaseTo(clDevice& copy) const;

 private:
  int32_t id_ = 0;
  mutable std::mutex nameLock_;
  std::string name_;  // guarded by nameLock_
  int32_t kind_;
  int32_t retries_ = 3;
  int32_t linkAddress_ = 1;
  int32_t linkAddressSize_ = 1;
  int32_t sectorSize_ = 2;
  int32_t cotSize_ = 1;
  int32_t ioaSize_ = 2;
  bool balancedMode_ = false;
  int32_t giPeriodSec_ = 60;
  int32_t timeSyncPeriodSec_ = 0;
  clSectors sectors_;
  bool autoCreateTags_ = false;
  clSerialPort* port_ = nullptr;
  std::string portName_ = "COM1";
  int32_t nextCommonAddress_ = 1;
  std::atomic<bool> running_{false};
  clTrafficQueue traffic_;
  mutable clDeviceCounters counters_;
};

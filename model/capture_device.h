#pragma once
#include <cstdint>
#include <string>

#include "model/device.h"
#include "model/tags.h"

// A monitor: listens on two ports (port 1 the master's transmit line, port 2 the
// slave's) and keeps a tag per object it sees. No link address, no sectors.
//
// Threads: as clDevice. The tag list is appended to by the monitor's worker while
// the user interface walks snapshots of it (clOwnedList); tags are created through
// clWorkspace::CreateMonitorTag so that they take the workspace's tag counter.
class clIEC101CaptureDevice : public clDevice {
 public:
  clIEC101CaptureDevice() : clDevice(kMonitor) { SetPortName(""); }
  std::unique_ptr<clDevice> Clone() const override;

  // "name", "port1", "port2", the four "size-..." keys and "state" (read only);
  // keys compare without regard to letter case.
  std::string GetProperty(std::string_view key) const override;
  void SetProperty(std::string_view key, std::string_view text) override;
  clSectors* Sectors() override { return nullptr; }
  const clSectors* Sectors() const override { return nullptr; }
  clTags* Tags() override { return &tags_; }
  const clTags* Tags() const override { return &tags_; }

  const std::string& Port1Name() const { return port1Name_; }
  void SetPort1Name(std::string v) { port1Name_ = std::move(v); }
  const std::string& Port2Name() const { return port2Name_; }
  void SetPort2Name(std::string v) { port2Name_ = std::move(v); }
  clSerialPort* Port1() const { return port1_; }
  void SetPort1(clSerialPort* v) { port1_ = v; }
  clSerialPort* Port2() const { return port2_; }
  void SetPort2(clSerialPort* v) { port2_ = v; }
  // Copies the names of the referenced ports into the port name fields.
  void RefreshPortNames();

 private:
  std::string port1Name_ = "COM1";
  std::string port2Name_ = "COM2";
  clSerialPort* port1_ = nullptr;
  clSerialPort* port2_ = nullptr;
  clTags tags_;
};

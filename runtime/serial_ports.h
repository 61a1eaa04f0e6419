#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "runtime/serial_port.h"

// The workspace's list of named serial ports. Devices refer to a port by its
// name; the list owns the port objects and deletes them when cleared or
// destroyed. Owned by the user-interface thread: structural changes happen
// only while no device runs.
class clSerialPorts {
 public:
  static constexpr int32_t kDefaultPortCount = 10;

  // Gives the port the next id and appends it.
  void Add(std::unique_ptr<clSerialPort> port);
  // First port whose name equals `name` without regard to (ASCII) letter case.
  clSerialPort* Find(const std::string& name) const;
  // Position of that port in the list, or -1.
  int32_t IndexOf(const std::string& name) const;
  // Adds COM1 .. COM10 with default settings.
  void AddDefaultPorts();
  // Deletes every port and restarts the ids at 1.
  void RemoveAll();

  int32_t Count() const { return static_cast<int32_t>(ports_.size()); }
  clSerialPort* At(int32_t i) const { return ports_.at(static_cast<size_t>(i)).get(); }
  int32_t NextId() const { return nextId_; }

 private:
  std::vector<std::unique_ptr<clSerialPort>> ports_;
  int32_t nextId_ = 1;
};

#include "runtime/serial_ports.h"

#include "runtime/text_compare.h"

void clSerialPorts::Add(std::unique_ptr<clSerialPort> port) {
  if (!port) return;
  port->SetId(nextId_++);
  ports_.push_back(std::move(port));
}

clSerialPort* clSerialPorts::Find(const std::string& name) const {
  for (const auto& port : ports_) {
    if (EqualsNoCase(port->Name(), name)) return port.get();
  }
  return nullptr;
}

int32_t clSerialPorts::IndexOf(const std::string& name) const {
  for (size_t i = 0; i < ports_.size(); ++i)
    if (EqualsNoCase(ports_[i]->Name(), name)) return static_cast<int32_t>(i);
  return -1;
}

void clSerialPorts::AddDefaultPorts() {
  for (int32_t n = 1; n <= kDefaultPortCount; ++n) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName("COM" + std::to_string(n));
    Add(std::move(port));
  }
}

void clSerialPorts::RemoveAll() {
  ports_.clear();
  nextId_ = 1;
}

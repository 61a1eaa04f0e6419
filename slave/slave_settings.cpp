#include "slave/slave_settings.h"

#include "model/device.h"

clSlaveSettings clSlaveSettings::From(const clDevice& device) {
  clSlaveSettings s;
  s.name = device.Name();
  s.port = device.PortName();
  s.linkAddress = device.LinkAddress();
  s.sizes = clFieldSizes::From(device);
  return s;
}

std::string clSlaveSettings::Check(bool running) const {
  std::string bad = CheckObjectName(name);
  if (!bad.empty() || running) return bad;
  return CheckLinkAddress(linkAddress, sizes.linkAddress);
}

void clSlaveSettings::ApplyTo(clDevice& device) const {
  if (!name.empty()) device.SetName(name);
  if (device.IsRunning()) return;
  device.SetLinkAddress(linkAddress);
  sizes.ApplyTo(device);
  if (!port.empty()) device.SetPortName(port);
}

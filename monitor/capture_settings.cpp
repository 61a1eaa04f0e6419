#include "monitor/capture_settings.h"

#include "model/capture_device.h"

clCaptureSettings clCaptureSettings::From(const clIEC101CaptureDevice& device) {
  clCaptureSettings s;
  s.name = device.Name();
  s.port1 = device.Port1Name();
  s.port2 = device.Port2Name();
  s.sizes = clFieldSizes::From(device);
  return s;
}

void clCaptureSettings::ApplyTo(clIEC101CaptureDevice& device) const {
  if (!name.empty()) device.SetName(name);
  if (device.IsRunning()) return;
  sizes.ApplyTo(device);
  if (!port1.empty()) device.SetPort1Name(port1);
  if (!port2.empty()) device.SetPort2Name(port2);
}

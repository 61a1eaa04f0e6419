#pragma once
#include <string>

#include "model/object_settings.h"

class clIEC101CaptureDevice;

// A monitor's settings as "IEC 870-5-101 Monitor Properties" edits them, with
// the dialog's rules; no user interface involved.
struct clCaptureSettings {
  std::string name;
  std::string port1;  // "Port.1 (<--)": the master's transmit line
  std::string port2;  // "Port.2 (-->)": the slave's transmit line
  clFieldSizes sizes;

  static clCaptureSettings From(const clIEC101CaptureDevice& device);
  // "" when OK may store the settings; otherwise the message to show.
  std::string Check() const { return CheckObjectName(name); }
  // Stores a non-empty name; unless the device runs, also the sizes and each
  // non-empty port name (a port list without a selection keeps its port).
  void ApplyTo(clIEC101CaptureDevice& device) const;
};

#pragma once
#include <cstdint>
#include <string>

#include "model/object_settings.h"

class clDevice;

// A slave's settings as "IEC 870-5-101 Slave Properties" edits them, with the
// dialog's rules; no user interface involved.
struct clSlaveSettings {
  std::string name;
  std::string port;
  int32_t linkAddress = 1;
  clFieldSizes sizes;

  static clSlaveSettings From(const clDevice& device);
  // "" when OK may store the settings; otherwise the message to show (a name
  // the workspace file cannot keep; unless the device runs, a link address its
  // field size cannot carry).
  std::string Check(bool running) const;
  // Stores a non-empty name; unless the device runs, also the link address,
  // the sizes (as clFieldSizes) and a non-empty port name.
  void ApplyTo(clDevice& device) const;
};

// What the command line says when a device's port does not open.
#pragma once
#include <string>

#include "runtime/device_runner.h"

// "<device>: Fail to open port '<name>': " and what the user can do about it:
// the device of the workspace that holds the port; the path the name opens and
// the system's reason, with the group to join when access is denied, the
// settings file that maps a COMn name when there is no such device, and "not a
// tty" for a file that is not a terminal.
std::string StartFailureMessage(const clStartFailure& failure);

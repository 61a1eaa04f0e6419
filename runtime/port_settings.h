#pragma once
#include <string>

// Where the user's settings live: $XDG_CONFIG_HOME/Telvane/Telvane.conf, or
// ~/.config/Telvane/Telvane.conf when XDG_CONFIG_HOME is unset or empty.
std::string UserSettingsPath();

// n of a port name "COMn" (any letter case, n >= 1), else 0.
int ComPortNumber(const std::string& name);

// The device a "COMn" port is mapped to in group [Ports] of the settings file
// (e.g. COM3=/dev/ttyUSB0, or COM4=VLINE2-A), as written there; "" when the
// port has no mapping or is not a COMn name.
std::string PortMapping(const std::string& name, const std::string& settingsPath);

// Turns a port name into the device path to open:
//  - a name beginning with '/' is a device path and is returned unchanged;
//  - "COMn" is the device mapped to it in group [Ports] of the user's
//    settings, otherwise /dev/ttyS<n-1>.
// Any other name resolves to "" (nothing to open). A missing or unreadable
// settings file counts as an empty mapping.
std::string ResolvePortDevice(const std::string& name);

// Same, with the settings read from the given INI file instead.
std::string ResolvePortDevice(const std::string& name, const std::string& settingsPath);

// What a port opens: a virtual line end's name (the port's own name, or the one
// its COMn name is mapped to), else ResolvePortDevice's device path.
std::string ResolvePortTarget(const std::string& name);
std::string ResolvePortTarget(const std::string& name, const std::string& settingsPath);

#pragma once
#include <string>

// Where the user's settings live: $XDG_CONFIG_HOME/Telvane/Telvane.conf, or
// ~/.config/Telvane/Telvane.conf when XDG_CONFIG_HOME is unset or empty.
std::string UserSettingsPath();

// Turns a port name into the device path to open:
//  - a name beginning with '/' is a device path and is returned unchanged;
//  - "COMn" (any letter case, n >= 1) is the device mapped to it in group
//    [Ports] of the user's settings (e.g. COM3=/dev/ttyUSB0), otherwise
//    /dev/ttyS<n-1>.
// Any other name resolves to "" (nothing to open). A missing or unreadable
// settings file counts as an empty mapping.
std::string ResolvePortDevice(const std::string& name);

// Same, with the settings read from the given INI file instead.
std::string ResolvePortDevice(const std::string& name, const std::string& settingsPath);

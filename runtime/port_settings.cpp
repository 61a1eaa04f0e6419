#include "runtime/port_settings.h"

#include <cctype>
#include <cstdlib>
#include <fstream>

#include "runtime/text_compare.h"
#include "runtime/virtual_line.h"

namespace {

constexpr const char* kPortsGroup = "Ports";

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

// A value as the settings file holds it: the text after '=', without the
// blanks around it; double quotes around the whole value (an older file's) are
// not part of it.
std::string PlainValue(const std::string& raw) {
  std::string value = Trim(raw);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
    value = value.substr(1, value.size() - 2);
  return value;
}

// Value of `key` in group [Ports] of a QSettings-style INI file, or "".
std::string LookUpPortMapping(const std::string& path, const std::string& key) {
  std::ifstream in(path);
  if (!in) return "";
  std::string line;
  bool inPorts = false;
  while (std::getline(in, line)) {
    line = Trim(line);
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      inPorts = EqualsNoCase(Trim(line.substr(1, line.size() - 2)), kPortsGroup);
      continue;
    }
    size_t eq = line.find('=');
    if (!inPorts || eq == std::string::npos) continue;
    if (!EqualsNoCase(Trim(line.substr(0, eq)), key)) continue;
    return PlainValue(line.substr(eq + 1));
  }
  return "";
}

}  // namespace

std::string UserSettingsPath() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base;
  if (xdg != nullptr && xdg[0] != '\0') {
    base = xdg;
  } else {
    const char* home = std::getenv("HOME");
    base = std::string(home != nullptr ? home : "") + "/.config";
  }
  return base + "/Telvane/Telvane.conf";
}

int ComPortNumber(const std::string& name) {
  if (name.size() < 4 || !EqualsNoCase(name.substr(0, 3), "COM")) return 0;
  int n = 0;
  for (size_t i = 3; i < name.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(name[i])) || n > 100000) return 0;
    n = n * 10 + (name[i] - '0');
  }
  return n;
}

std::string PortMapping(const std::string& name, const std::string& settingsPath) {
  if (ComPortNumber(name) < 1) return "";
  return LookUpPortMapping(settingsPath, name);
}

std::string ResolvePortDevice(const std::string& name) {
  return ResolvePortDevice(name, UserSettingsPath());
}

std::string ResolvePortDevice(const std::string& name, const std::string& settingsPath) {
  if (!name.empty() && name[0] == '/') return name;
  int n = ComPortNumber(name);
  if (n < 1) return "";
  std::string mapped = LookUpPortMapping(settingsPath, name);
  if (!mapped.empty()) return mapped;
  return "/dev/ttyS" + std::to_string(n - 1);
}

std::string ResolvePortTarget(const std::string& name) {
  return ResolvePortTarget(name, UserSettingsPath());
}

std::string ResolvePortTarget(const std::string& name, const std::string& settingsPath) {
  if (ParseVirtualLineName(name, nullptr)) return name;
  return ResolvePortDevice(name, settingsPath);
}

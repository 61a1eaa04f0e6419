#include "runtime/port_choices.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "runtime/port_settings.h"
#include "runtime/serial_ports.h"
#include "runtime/virtual_line.h"

namespace fs = std::filesystem;

namespace {

// Cables whose ends the mapping list offers; any other is typed.
constexpr int32_t kOfferedCables = 4;

// The real file behind a path (links followed); the path itself when it
// cannot be resolved.
std::string RealPath(const std::string& path) {
  std::error_code error;
  fs::path real = fs::canonical(path, error);
  return error ? path : real.string();
}

}  // namespace

int32_t PortChoiceIndex(std::span<const clPortChoice> choices, int32_t value) {
  for (size_t i = 0; i < choices.size(); ++i)
    if (choices[i].value == value) return static_cast<int32_t>(i);
  return -1;
}

std::string UnlistedChoiceText(std::span<const clPortChoice> choices, int32_t value) {
  if (choices.data() == std::data(kParityChoices)) {
    if (value == clSerialPort::kParityMark) return "Mark";
    if (value == clSerialPort::kParitySpace) return "Space";
  }
  return std::to_string(value);
}

std::string NextPortName(const clSerialPorts& ports) {
  int32_t n = ports.Count() + 1;
  while (ports.Find("COM" + std::to_string(n)) != nullptr) ++n;
  return "COM" + std::to_string(n);
}

std::string StableAdapterPath(const std::string& path, const std::string& byIdFolder) {
  const std::string real = RealPath(path);
  std::error_code error;
  std::vector<std::string> links;
  for (fs::directory_iterator it(byIdFolder, error), end; !error && it != end;
       it.increment(error)) {
    if (RealPath(it->path().string()) == real) links.push_back(it->path().string());
  }
  if (links.empty()) return path;
  std::sort(links.begin(), links.end());
  return links.front();
}

std::string AdapterText(const clSerialAdapter& adapter) {
  std::string text;
  for (const std::string* part :
       {&adapter.description, &adapter.manufacturer, &adapter.serialNumber}) {
    if (part->empty()) continue;
    if (!text.empty()) text += ", ";
    text += *part;
  }
  return text;
}

std::vector<std::string> VirtualLineChoices() {
  std::vector<std::string> names;
  for (int32_t cable = 1; cable <= kOfferedCables; ++cable) {
    const std::string base = "VLINE" + std::to_string(cable);
    for (const char* end : {"-A", "-B", "-A-TAP", "-B-TAP"}) names.push_back(base + end);
  }
  return names;
}

bool IsMappingTarget(const std::string& target) {
  return (!target.empty() && target[0] == '/') || ParseVirtualLineName(target, nullptr);
}

std::string clPortDevice::Text() const {
  if (target.empty()) return "nothing to open";
  std::string notes;
  const auto note = [&notes](const std::string& text) {
    notes += notes.empty() ? text : ", " + text;
  };
  if (virtualLine) note("virtual line");
  if (mappable && !mapped) note("default");
  if (!adapter.empty()) note(adapter);
  if (!present) note("absent");
  return notes.empty() ? target : target + " (" + notes + ")";
}

clPortDevice DescribePortDevice(const std::string& name, const std::string& settingsPath,
                                const std::vector<clSerialAdapter>& adapters) {
  clPortDevice device;
  device.mappable = ComPortNumber(name) > 0;
  device.mapped = device.mappable && !PortMapping(name, settingsPath).empty();
  device.target = ResolvePortTarget(name, settingsPath);
  if (device.target.empty()) return device;
  VirtualLineName line;
  if (ParseVirtualLineName(device.target, &line)) {
    device.virtualLine = true;
    device.present = true;
    return device;
  }
  std::error_code error;
  device.present = fs::exists(device.target, error);
  const std::string real = RealPath(device.target);
  for (const clSerialAdapter& adapter : adapters) {
    if (RealPath(adapter.path) != real) continue;
    device.adapter = AdapterText(adapter);
    break;
  }
  return device;
}

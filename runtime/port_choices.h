#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <vector>

class clSerialPorts;

// The rules of the port settings dialog, without any user interface: the
// entries of its lists with the values they store, when the RTS delays apply,
// the name of an added port, and what each port opens on this computer.

struct clPortChoice {
  int32_t value;
  const char* text;
};

inline constexpr clPortChoice kBaudRateChoices[] = {
    {110, "110"},     {200, "200"},     {300, "300"},       {600, "600"},     {1200, "1200"},
    {2400, "2400"},   {4800, "4800"},   {9600, "9600"},     {14400, "14400"}, {19200, "19200"},
    {38400, "38400"}, {56000, "56000"}, {115200, "115200"},
};
inline constexpr clPortChoice kDataBitsChoices[] = {{8, "8 (RTU)"}, {7, "7 (ASCII)"}};
inline constexpr clPortChoice kParityChoices[] = {{0x100, "None"}, {0x200, "Odd"}, {0x400, "Even"}};
inline constexpr clPortChoice kStopBitsChoices[] = {{1, "1"}, {2, "1.5"}, {4, "2"}};
inline constexpr clPortChoice kFlowControlChoices[] = {
    {0, "None"},           {1, "Software"}, {2, "Hardware (RTS+CTS)"}, {3, "Modem (RTS+Toggle)"},
    {4, "Modem (RTS+ON)"},
};

// Entry of a list that stores `value`, or -1 (a value a file brought in that
// the list does not offer).
int32_t PortChoiceIndex(std::span<const clPortChoice> choices, int32_t value);
// Text for a value the list does not offer, so that the dialog can still show
// it: the number, or the parity's name ("Mark", "Space").
std::string UnlistedChoiceText(std::span<const clPortChoice> choices, int32_t value);

// "RTS Prekey" and "RTS Postkey" apply only with "Modem (RTS+Toggle)".
inline bool RtsDelaysEnabled(int32_t flowControl) { return flowControl == 3; }

// The name "Add Serial" gives a new port: "COM%d" with the number of ports plus
// one, or the next number above it when a port of that name already exists.
std::string NextPortName(const clSerialPorts& ports);

// A serial adapter present on this computer, as the system lists it.
struct clSerialAdapter {
  std::string path;  // /dev/ttyUSB0
  std::string description;
  std::string manufacturer;
  std::string serialNumber;
};

// The name under which to map an adapter: its /dev/serial/by-id link when one
// points at it (that name survives re-plugging and does not depend on the
// order of plugging), else its path.
std::string StableAdapterPath(const std::string& path,
                              const std::string& byIdFolder = "/dev/serial/by-id");
// "description, manufacturer, serial number", the parts the system knows.
std::string AdapterText(const clSerialAdapter& adapter);

// The built-in virtual line ends offered for a mapping: both ends and both taps
// of the first few cables (any of the 99 may be typed).
std::vector<std::string> VirtualLineChoices();

// Whether a user may map a port name to `target`: an absolute device path or
// a virtual line end. An empty target removes the mapping.
bool IsMappingTarget(const std::string& target);

// What a port of the list opens on this computer, for the port settings dialog.
struct clPortDevice {
  std::string target;        // the device path or virtual line end; "" when nothing
  bool virtualLine = false;  // target is a virtual line end
  bool mappable = false;     // the name is COMn: the user may choose its device
  bool mapped = false;       // the target comes from the settings file
  bool present = false;      // the device exists now (a virtual line always does)
  std::string adapter;       // AdapterText of the adapter behind the target, if known

  // One line for the dialog: "/dev/ttyUSB0 (FTDI, ...)", "/dev/ttyS4 (default,
  // absent)", "VLINE1-A (virtual line)", "nothing to open".
  std::string Text() const;
};

// Describes port `name`, with the mapping read from the settings file and the
// adapters present (matched by their real path, so a by-id link finds its
// adapter).
clPortDevice DescribePortDevice(const std::string& name, const std::string& settingsPath,
                                const std::vector<clSerialAdapter>& adapters);

#pragma once
#include <cstdint>
#include <string>

#include "protocol/cp56time.h"

class clIEC101MasterEngine;
class clDevice;
class clSector;
class clTag;

// Refusal texts of the write command.
inline constexpr const char* kWriteSectorDisabled = "Write cancel, sector is disabled";
inline constexpr const char* kWriteNotImplemented = "Request command is not implemented";
inline constexpr const char* kWriteDeviceNotRunning = "Device not running";
inline constexpr const char* kWriteDeviceNotConnected = "Device is not connected";

// The last value the user sent with each command type; the next command dialog of
// that type opens with it. One per workspace, owned by its user-interface thread.
struct clMasterWriteMemory {
  int32_t singleCommand = 0;  // 0 Off, 1 On
  int32_t doubleCommand = 1;  // 1 Open, 2 Close
  int32_t stepCommand = 1;    // 1 Lower, 2 Higher
  double setpointNormalized = 0;
  int32_t setpointScaled = 0;
  double setpointFloat = 0;
  int32_t timeMode = 1;  // 1 current time, 2 the custom time below
  clDateTime customTime = LocalNow();
};

// What a command dialog hands back on confirmation.
struct clMasterWrite {
  double value = 0;       // commands 8..13: the dialog's value (setpoints: as entered)
  int32_t timeMode = 1;   // clock synchronisation: 1 current local time, 2 customTime
  clDateTime customTime;  // clock synchronisation, mode 2 (milliseconds are sent as 0)
};

// What the command dialog of a tag type opens with: the value sent last with
// that command type, and the clock synchronisation's mode and custom time.
clMasterWrite LastMasterWrite(int32_t type, const clMasterWriteMemory& memory);

// The write command on a master tag, after its dialog was confirmed. Refuses with
// one of the texts above, or CheckTagValue's message for a value the command's
// element cannot carry (nothing sent, kept or stored), or returns "" when the
// request was queued: the tag then holds the value (through its scaling), the
// current local time and good quality, and the request goes to the tail of the
// master's queue with select = the tag's select-before-operate flag. engine is the
// master's worker, null when it has none. memory, if given, keeps the value sent
// per command type (also when the device turns out not to run).
std::string WriteMasterTag(clIEC101MasterEngine* engine, const clSector& sector, clTag& tag,
                           const clMasterWrite& write, clMasterWriteMemory* memory);

// The sector of device that holds tag, or null.
clSector* FindSectorOfTag(const clDevice& device, const clTag& tag);

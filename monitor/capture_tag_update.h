#pragma once
#include <cstdint>

#include "protocol/asdu.h"

class clTag;
class clTags;
class clWorkspace;
class clIEC101CaptureDevice;

// True for the type identifications whose objects a monitor keeps as tags:
// the monitor-direction types 1, 3, 5, 9, 11, 13, 15, 30..32, 34..37 and the
// commands 45..50. Interrogation and clock synchronisation update no tag.
bool IsMonitoredType(uint32_t typeId);

// Stores one decoded object into its tag: command state (1 select, 2 execute, 0
// for monitor-direction objects), value, and either only cause and quality (an
// untimed object that repeats the tag's good value: the tag keeps its time) or
// time, cause and quality. Commands store quality 0.
void StoreObjectInTag(const clElementLayout& layout, const clInformationObject& object,
                      uint32_t cause, clTag& tag);

// Finds the monitor's tag for (common address, object address, tag type of the
// layout), creating it with the workspace's tag counter when it is new, and
// stores the object in it. Runs on the monitor's worker thread.
void UpdateMonitorTag(clWorkspace& workspace, clIEC101CaptureDevice& monitor,
                      const clElementLayout& layout, uint32_t commonAddress, uint32_t cause,
                      const clInformationObject& object);

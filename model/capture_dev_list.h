#pragma once
#include "model/capture_device.h"
#include "model/owned_list.h"

// The workspace's monitor devices, sorted by name (equal names after existing ones)
// and owned by the list. RemoveAll stops nothing: the caller stops the devices first.
class clIEC101CaptureDevList : public clOwnedList<clIEC101CaptureDevice> {};

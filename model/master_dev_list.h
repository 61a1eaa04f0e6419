#pragma once
#include "model/master_device.h"
#include "model/owned_list.h"

// The workspace's master devices, sorted by name (equal names after existing ones)
// and owned by the list. RemoveAll stops nothing: the caller stops the devices first.
class clIEC101MasterDevList : public clOwnedList<clIEC101MasterDevice> {};

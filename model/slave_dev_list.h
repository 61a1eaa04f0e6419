#pragma once
#include "model/owned_list.h"
#include "model/slave_device.h"

// The workspace's slave devices, sorted by name (equal names after existing ones)
// and owned by the list. RemoveAll stops nothing: the caller stops the devices first.
class clIEC101SlaveDevList : public clOwnedList<clIEC101SlaveDevice> {};

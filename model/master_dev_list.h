#pragma once
#include "model/device_list.h"
#include "model/master_device.h"

class clIEC101MasterDevList : public clDeviceList<clIEC101MasterDevice> {};

#pragma once
#include "model/device_list.h"
#include "model/slave_device.h"

class clIEC101SlaveDevList : public clDeviceList<clIEC101SlaveDevice> {};

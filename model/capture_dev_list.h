#pragma once
#include "model/capture_device.h"
#include "model/device_list.h"

class clIEC101CaptureDevList : public clDeviceList<clIEC101CaptureDevice> {};

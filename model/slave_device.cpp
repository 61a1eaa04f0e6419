#include "model/slave_device.h"

std::unique_ptr<clDevice> clIEC101SlaveDevice::Clone() const {
  auto copy = std::make_unique<clIEC101SlaveDevice>();
  CopyBaseTo(*copy);
  return copy;
}

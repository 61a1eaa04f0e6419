#include "model/master_device.h"

std::unique_ptr<clDevice> clIEC101MasterDevice::Clone() const {
  auto copy = std::make_unique<clIEC101MasterDevice>();
  CopyBaseTo(*copy);
  copy->pollIntervalMs_ = pollIntervalMs_;
  copy->readTimeoutMs_ = readTimeoutMs_;
  copy->testPeriodSec_ = testPeriodSec_;
  copy->SetModemEnabled(ModemEnabled());
  copy->SetPhoneNumber(PhoneNumber());
  copy->SetDialTimeoutSec(DialTimeoutSec());
  return copy;
}

std::string clIEC101MasterDevice::PhoneNumber() const {
  std::lock_guard<std::mutex> guard(modemLock_);
  return phoneNumber_;
}

void clIEC101MasterDevice::SetPhoneNumber(std::string v) {
  std::lock_guard<std::mutex> guard(modemLock_);
  phoneNumber_ = std::move(v);
}

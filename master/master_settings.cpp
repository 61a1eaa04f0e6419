#include "master/master_settings.h"

#include "model/master_device.h"
#include "model/object_settings.h"

namespace {

constexpr int32_t kMinReadTimeoutMs = 100;  // accepted only above this

bool InRange(int32_t v, int32_t low, int32_t high) { return v >= low && v <= high; }

}  // namespace

clMasterSettings clMasterSettings::From(const clIEC101MasterDevice& device) {
  clMasterSettings s;
  s.name = device.Name();
  s.port = device.PortName();
  s.linkAddress = device.LinkAddress();
  s.linkAddressSize = device.LinkAddressSize();
  s.sectorSize = device.SectorSize();
  s.cotSize = device.CotSize();
  s.ioaSize = device.IoaSize();
  s.retries = device.Retries();
  s.pollIntervalMs = device.PollIntervalMs();
  s.readTimeoutMs = device.ReadTimeoutMs();
  s.giPeriodSec = device.GiPeriodSec();
  s.timeSyncPeriodSec = device.TimeSyncPeriodSec();
  s.testPeriodSec = device.TestPeriodSec();
  s.balancedMode = device.BalancedMode();
  s.autoCreateTags = device.AutoCreateTags();
  s.modemEnabled = device.ModemEnabled();
  s.phoneNumber = device.PhoneNumber();
  s.dialTimeoutSec = device.DialTimeoutSec();
  return s;
}

std::string clMasterSettings::Check(bool running) const {
  std::string bad = CheckObjectName(name);
  if (!bad.empty() || running) return bad;
  return CheckLinkAddress(linkAddress, linkAddressSize);
}

void clMasterSettings::ApplyTo(clIEC101MasterDevice& device) const {
  if (!name.empty()) device.SetName(name);
  device.SetModemEnabled(modemEnabled);
  device.SetPhoneNumber(phoneNumber);
  if (dialTimeoutSec > 0) device.SetDialTimeoutSec(dialTimeoutSec);
  if (device.IsRunning()) return;

  device.SetPortName(port);
  device.SetLinkAddress(linkAddress);
  device.SetRetries(retries);
  device.SetGiPeriodSec(giPeriodSec);
  device.SetTimeSyncPeriodSec(timeSyncPeriodSec);
  device.SetAutoCreateTags(autoCreateTags);
  if (readTimeoutMs > kMinReadTimeoutMs) device.SetReadTimeoutMs(readTimeoutMs);
  device.SetBalancedMode(balancedMode);
  if (pollIntervalMs > 0) device.SetPollIntervalMs(pollIntervalMs);
  if (testPeriodSec > 0) device.SetTestPeriodSec(testPeriodSec);
  if (InRange(linkAddressSize, 1, 2)) device.SetLinkAddressSize(linkAddressSize);
  if (InRange(sectorSize, 1, 2)) device.SetSectorSize(sectorSize);
  if (InRange(ioaSize, 1, 3)) device.SetIoaSize(ioaSize);
  if (InRange(cotSize, 1, 2)) device.SetCotSize(cotSize);
}

bool MasterFieldEnabled(clMasterField field, bool running, bool balancedMode) {
  if (field == clMasterField::kName || field == clMasterField::kModem) return true;
  if (running) return false;
  return field != clMasterField::kTestPeriod || balancedMode;
}

#include "model/device.h"

#include "model/tag_text.h"
#include "runtime/text_compare.h"

std::string clDevice::Name() const {
  std::lock_guard<std::mutex> guard(nameLock_);
  return name_;
}

void clDevice::SetName(std::string v) {
  std::lock_guard<std::mutex> guard(nameLock_);
  name_ = std::move(v);
}

std::string clDevice::GetProperty(std::string_view key) const {
  const auto is = [&](const char* k) { return EqualsNoCase(key, k); };
  if (is("name")) return Name();
  if (is("port")) return portName_;
  if (is("linkaddr")) return std::to_string(linkAddress_);
  if (is("size-linkaddr")) return std::to_string(linkAddressSize_);
  if (is("size-sector")) return std::to_string(sectorSize_);
  if (is("size-ioa")) return std::to_string(ioaSize_);
  if (is("size-cot")) return std::to_string(cotSize_);
  if (is("state")) return IsRunning() ? "Running" : "Stopped";
  return "";
}

void clDevice::SetProperty(std::string_view key, std::string_view text) {
  const auto is = [&](const char* k) { return EqualsNoCase(key, k); };
  if (is("name")) {
    SetName(std::string(text));
  } else if (is("port")) {
    portName_ = std::string(text);
  } else if (is("linkaddr")) {
    linkAddress_ = LeadingInt32(text);
  } else if (is("size-linkaddr")) {
    linkAddressSize_ = LeadingInt32(text);
  } else if (is("size-sector")) {
    sectorSize_ = LeadingInt32(text);
  } else if (is("size-ioa")) {
    ioaSize_ = LeadingInt32(text);
  } else if (is("size-cot")) {
    cotSize_ = LeadingInt32(text);
  }
}

void clDevice::CopyBaseTo(clDevice& copy) const {
  copy.id_ = id_;
  copy.SetName(Name());
  copy.kind_ = kind_;
  copy.retries_ = retries_;
  copy.linkAddress_ = linkAddress_;
  copy.linkAddressSize_ = linkAddressSize_;
  copy.sectorSize_ = sectorSize_;
  copy.cotSize_ = cotSize_;
  copy.ioaSize_ = ioaSize_;
  copy.balancedMode_ = balancedMode_;
  copy.giPeriodSec_ = giPeriodSec_;
  copy.timeSyncPeriodSec_ = timeSyncPeriodSec_;
  copy.autoCreateTags_ = autoCreateTags_;
  copy.portName_ = portName_;
  copy.nextCommonAddress_ = nextCommonAddress_;
  std::vector<std::unique_ptr<clSector>> sectors;
  for (const clSector* sector : sectors_.Items()) {
    sectors.push_back(sector->Clone());
    sectors.back()->SetOwner(&copy);
  }
  copy.sectors_.AppendAll(std::move(sectors));
}

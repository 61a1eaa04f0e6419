#include "model/capture_device.h"

#include "runtime/serial_port.h"
#include "runtime/text_compare.h"

std::unique_ptr<clDevice> clIEC101CaptureDevice::Clone() const {
  auto copy = std::make_unique<clIEC101CaptureDevice>();
  CopyBaseTo(*copy);
  copy->port1Name_ = port1Name_;
  copy->port2Name_ = port2Name_;
  std::vector<std::unique_ptr<clTag>> tags;
  for (const clTag* tag : tags_.Items()) tags.push_back(std::make_unique<clTag>(*tag));
  copy->tags_.AppendAll(std::move(tags));
  return copy;
}

std::string clIEC101CaptureDevice::GetProperty(std::string_view key) const {
  if (EqualsNoCase(key, "port1")) return port1Name_;
  if (EqualsNoCase(key, "port2")) return port2Name_;
  if (EqualsNoCase(key, "port") || EqualsNoCase(key, "linkaddr")) return "";
  return clDevice::GetProperty(key);
}

void clIEC101CaptureDevice::SetProperty(std::string_view key, std::string_view text) {
  if (EqualsNoCase(key, "port1")) {
    port1Name_ = std::string(text);
  } else if (EqualsNoCase(key, "port2")) {
    port2Name_ = std::string(text);
  } else if (!EqualsNoCase(key, "port") && !EqualsNoCase(key, "linkaddr")) {
    clDevice::SetProperty(key, text);
  }
}

void clIEC101CaptureDevice::RefreshPortNames() {
  if (port1_) port1Name_ = port1_->Name();
  if (port2_) port2Name_ = port2_->Name();
}

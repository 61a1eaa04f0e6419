#include "model/sector.h"

#include "runtime/text_compare.h"

std::unique_ptr<clSector> clSector::Clone() const {
  auto copy = std::make_unique<clSector>();
  copy->id_ = id_;
  copy->deviceId_ = deviceId_;
  copy->name_ = name_;
  copy->commonAddress_ = commonAddress_;
  copy->active_ = active_;
  std::vector<std::unique_ptr<clTag>> tags;
  for (const clTag* tag : tags_.Items()) tags.push_back(std::make_unique<clTag>(*tag));
  copy->tags_.AppendAll(std::move(tags));
  return copy;
}

std::string clSector::GetProperty(std::string_view key) const {
  if (EqualsNoCase(key, "name")) return name_;
  if (EqualsNoCase(key, "sector")) return std::to_string(commonAddress_);
  if (EqualsNoCase(key, "active")) return active_ ? "enable" : "disable";
  return "";
}

void clSector::SetProperty(std::string_view key, std::string_view text) {
  int32_t number = 0;
  if (EqualsNoCase(key, "name")) {
    name_ = std::string(text);
  } else if (EqualsNoCase(key, "sector")) {
    if (ParseInt32(text, number)) commonAddress_ = number;
  } else if (EqualsNoCase(key, "active")) {
    if (EqualsNoCase(text, "enable")) active_ = true;
    if (EqualsNoCase(text, "disable")) active_ = false;
  }
}

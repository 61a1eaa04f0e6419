#include "master/master_tag_settings.h"

#include "master/master_dialogs.h"
#include "model/tag.h"

clMasterTagSettings clMasterTagSettings::From(const clTag& tag) {
  clMasterTagSettings s;
  s.name = tag.Name();
  s.type = tag.TagType();
  s.address = clTagAddress::From(tag);
  s.selectBeforeOperate = tag.IsSelectBeforeOperate();
  s.scaleEnabled = tag.ScalingEnabled();
  s.scaleType = tag.ScaleType();
  s.rawMin = tag.RawMin();
  s.rawMax = tag.RawMax();
  s.engMin = tag.EngMin();
  s.engMax = tag.EngMax();
  s.factor = tag.ScaleFactor();
  return s;
}

bool clMasterTagSettings::SboEnabled() const { return ::SboEnabled(type); }

bool clMasterTagSettings::ScaleEnabled() const { return ::ScaleEnabled(type); }

std::string clMasterTagSettings::Check(int32_t ioaSize) const {
  std::string bad = CheckObjectName(name);
  if (!bad.empty()) return bad;
  if (StoredIoa(type, 1) != 0) {
    bad = address.Check(ioaSize);
    if (!bad.empty()) return bad;
  }
  // Linear scaling maps the raw range onto the engineering range: an empty raw
  // range would give every value the same engineering value.
  if (LinearEnabled() && rawMin == rawMax) return "Raw minimum and maximum must differ";
  return "";
}

void clMasterTagSettings::ApplyTo(clTag& tag) const {
  if (!name.empty()) tag.SetName(name);
  address.ApplyTo(tag);
  tag.SetScalingEnabled(scaleEnabled);
  if (scaleType == kScaleLinear || scaleType == kScaleFactor) tag.SetScaleType(scaleType);
  if (scaleType == kScaleLinear) {
    tag.SetRawMin(rawMin);
    tag.SetRawMax(rawMax);
    tag.SetEngMin(engMin);
    tag.SetEngMax(engMax);
  } else if (scaleType == kScaleFactor) {
    tag.SetScaleFactor(factor);
  }
  if (type >= kFirstTagType && type <= kLastTagType) tag.SetType(type);
  if (::SboEnabled(tag.TagType())) tag.SetSelectBeforeOperate(selectBeforeOperate);
  tag.SetIoa(StoredIoa(tag.TagType(), tag.Ioa()));
}

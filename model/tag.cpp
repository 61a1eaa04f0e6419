#include "model/tag.h"

#include <cmath>
#include <cstdio>
#include <vector>

#include "runtime/text_compare.h"

clTag::clTag(const clTag& other)
    : id_(other.id_),
      sectorId_(other.sectorId_),
      name_(other.name_),
      type_(other.type_),
      ioa_(other.ioa_),
      reservedA_(other.reservedA_),
      flags_(other.flags_),
      reservedB_(other.reservedB_),
      scalingEnabled_(other.scalingEnabled_),
      structuredIoa_(other.structuredIoa_),
      rawMax_(other.rawMax_),
      rawMin_(other.rawMin_),
      engMax_(other.engMax_),
      engMin_(other.engMin_),
      scaleFactor_(other.scaleFactor_),
      linkEnabled_(other.linkEnabled_),
      linkTarget_(other.linkTarget_),
      value_(other.Value()),
      quality_(other.Quality()),
      cause_(other.Cause()),
      commandState_(other.CommandState()),
      timeStamp_(other.TimeStamp()) {}

void clTag::SetSelectBeforeOperate(bool on) {
  flags_ = on ? (flags_ | kFlagSelectBeforeOperate) : (flags_ & ~kFlagSelectBeforeOperate);
}

int32_t clTag::ScaleType() const {
  if (flags_ & kFlagFactorScaling) return kFlagFactorScaling;
  if (flags_ & kFlagLinearScaling) return kFlagLinearScaling;
  return 0;
}

void clTag::SetScaleType(int32_t flag) {
  flags_ &= ~(kFlagLinearScaling | kFlagFactorScaling);
  flags_ |= flag & (kFlagLinearScaling | kFlagFactorScaling);
}

double clTag::Scale(double raw) const {
  if (flags_ & kFlagFactorScaling) return raw * scaleFactor_;
  if (flags_ & kFlagLinearScaling) {
    const double span = rawMax_ - rawMin_;
    if (span == 0 || !std::isfinite(span)) return engMin_;
    return (raw - rawMin_) / span * (engMax_ - engMin_) + engMin_;
  }
  return raw;
}

int64_t clTag::ValueAsInteger() const {
  const double v = std::trunc(Value());
  if (!(v == v)) return 0;  // NaN
  if (v >= 9.2233720368547758e18) return INT64_MAX;
  if (v <= -9.2233720368547758e18) return INT64_MIN;
  return static_cast<int64_t>(v);
}

uint8_t clTag::QualityByte() const {
  const int32_t q = Quality();
  // A counter reading is followed by its sequence octet, of which only IV is a
  // quality; the sequence number is always 0, with neither carry nor adjustment.
  if (type_ == kIntegratedTotals) return (q & kQualityInvalid) ? 0x80 : 0x00;
  uint8_t out = 0;
  if (q & kQualityInvalid) out |= 0x80;
  if (q & kQualityNotTopical) out |= 0x40;
  if (q & kQualitySubstituted) out |= 0x20;
  if (q & kQualityBlocked) out |= 0x10;
  if ((q & kQualityOverflow) && type_ >= kMeasuredNormalized && type_ <= kStepPosition) out |= 0x01;
  return out;
}

clTimeStamp clTag::TimeStamp() const {
  std::lock_guard<std::mutex> guard(timeLock_);
  return timeStamp_;
}

void clTag::SetTimeStamp(const clTimeStamp& t) {
  std::lock_guard<std::mutex> guard(timeLock_);
  timeStamp_ = t;
}

std::string clTag::EngValueText() const {
  const double v = Value();
  switch (type_) {
    case kSinglePoint:
    case kSingleCommand:
      return v == 0 ? "Off" : "On";
    case kDoublePoint:
    case kDoubleCommand:
      if (v == 0) return "Intransit";
      if (v == 1) return "Open";
      if (v == 2) return "Close";
      return "Invalid";
    case kRegulatingStep:
      if (v == 1) return "Lower";
      if (v == 2) return "Higher";
      return "Not Permit";
    default:
      return NumberText(v);
  }
}

std::string clTag::QualityText() const {
  static constexpr struct {
    int32_t bit;
    const char* name;
  } kNames[] = {{kQualityBlocked, "BLK"},
                {kQualitySubstituted, "ST"},
                {kQualityNotTopical, "NT"},
                {kQualityInvalid, "INV"},
                {kQualityOverflow, "OV"}};
  const int32_t q = Quality();
  std::string out;
  for (const auto& entry : kNames) {
    if (!(q & entry.bit)) continue;
    if (!out.empty()) out += ',';
    out += entry.name;
  }
  if (q & kQualityUncertain) out += "Uncertain";
  return out.empty() ? "Good" : out;
}

std::string clTag::GetProperty(std::string_view key) const {
  const auto is = [&](const char* k) { return EqualsNoCase(key, k); };
  if (is("name")) return name_;
  if (is("ioa")) return std::to_string(ioa_);
  if (is("ioastructure")) {
    char text[48];
    std::snprintf(text, sizeof text, "%d/%d/%d", IoaHigh(), IoaMiddle(), IoaLow());
    return text;
  }
  if (is("value")) return NumberText(Value());
  if (is("engvalue")) return EngValueText();
  if (is("quality")) return QualityText();
  if (is("timestamp")) return TimeStampText(TimeStamp());
  if (is("scale_state")) return scalingEnabled_ ? "enable" : "disable";
  if (is("scale_type")) {
    if (flags_ & kFlagLinearScaling) return "linear";
    if (flags_ & kFlagFactorScaling) return "factor";
    return "";
  }
  if (is("rawmin")) return NumberText(rawMin_);
  if (is("rawmax")) return NumberText(rawMax_);
  if (is("engmin")) return NumberText(engMin_);
  if (is("engmax")) return NumberText(engMax_);
  if (is("scale_factor")) return NumberText(scaleFactor_);
  if (is("type")) return TagTypeName(type_);
  if (is("cot")) return CauseText(Cause());
  if (is("command")) {
    const int32_t state = CommandState();
    return state == 1 ? "Select" : state == 2 ? "Execute" : "";
  }
  return "";
}

void clTag::SetProperty(std::string_view key, std::string_view text) {
  const auto is = [&](const char* k) { return EqualsNoCase(key, k); };
  double number = 0;
  int32_t integer = 0;
  if (is("name")) {
    name_ = std::string(text);
  } else if (is("type")) {
    if (int32_t type = TagTypeFromName(text)) type_ = type;
  } else if (is("ioa")) {
    if (ParseInt32(text, integer)) ioa_ = integer;
  } else if (is("ioastructure")) {
    SetStructuredIoaText(text);
  } else if (is("scale")) {
    if (EqualsNoCase(text, "enable")) scalingEnabled_ = true;
    if (EqualsNoCase(text, "disable")) scalingEnabled_ = false;
  } else if (is("scale_type")) {
    if (EqualsNoCase(text, "linear")) SetScaleType(kFlagLinearScaling);
    if (EqualsNoCase(text, "factor")) SetScaleType(kFlagFactorScaling);
  } else if (is("rawmin")) {
    if (ParseDecimal(text, number)) rawMin_ = number;
  } else if (is("rawmax")) {
    if (ParseDecimal(text, number)) rawMax_ = number;
  } else if (is("engmin")) {
    if (ParseDecimal(text, number)) engMin_ = number;
  } else if (is("engmax")) {
    if (ParseDecimal(text, number)) engMax_ = number;
  } else if (is("scale_factor")) {
    if (ParseDecimal(text, number)) scaleFactor_ = number;
  } else if (is("value")) {
    SetValueText(text);
  } else if (is("engvalue")) {
    SetEngValueText(text);
  }
}

void clTag::SetValueText(std::string_view text) {
  double number = 0;
  if (!ParseDecimal(text, number)) return;
  if (type_ == kSinglePoint) {
    SetRawValue(number > 0 ? 1 : 0);
  } else if (type_ == kDoublePoint) {
    SetRawValue(number < 0 ? 0 : number > 3 ? 3 : number);
  } else if (type_ >= kMeasuredNormalized && type_ <= kStepPosition) {
    SetRawValue(number);
  }
}

void clTag::SetEngValueText(std::string_view text) {
  double number = 0;
  if (type_ == kSinglePoint) {
    SetRawValue(EqualsNoCase(text, "Off") ? 0 : 1);
  } else if (type_ == kDoublePoint) {
    SetRawValue(EqualsNoCase(text, "Intransit") ? 0
                : EqualsNoCase(text, "Open")    ? 1
                : EqualsNoCase(text, "Close")   ? 2
                                                : 3);
  } else if ((type_ >= kMeasuredNormalized && type_ <= kStepPosition) || type_ == kRegulatingStep) {
    if (ParseDecimal(text, number)) SetRawValue(number);
  }
}

void clTag::SetStructuredIoaText(std::string_view text) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  while (true) {
    const size_t slash = text.find('/', start);
    parts.push_back(text.substr(start, slash == std::string_view::npos ? slash : slash - start));
    if (slash == std::string_view::npos || parts.size() > 3) break;
    start = slash + 1;
  }
  if (parts.size() != 3) return;
  int32_t bytes[3];
  for (int i = 0; i < 3; ++i) {
    if (!ParseInt32(parts[i], bytes[i]) || bytes[i] < 0 || bytes[i] > 255) return;
  }
  SetIOA(bytes[2], bytes[1], bytes[0]);
}

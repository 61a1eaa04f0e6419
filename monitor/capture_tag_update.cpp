#include "monitor/capture_tag_update.h"

#include "model/capture_device.h"
#include "model/tag.h"
#include "model/tags.h"
#include "model/workspace.h"
#include "protocol/iec101_codes.h"

namespace {

bool IsCommandLayout(const clElementLayout& layout) {
  switch (layout.kind) {
    case ElementKind::kSingleCommand:
    case ElementKind::kDoubleCommand:
    case ElementKind::kStepCommand:
    case ElementKind::kNormalizedSetpoint:
    case ElementKind::kScaledSetpoint:
    case ElementKind::kFloatSetpoint:
      return true;
    default:
      return false;
  }
}

}  // namespace

bool IsMonitoredType(uint32_t typeId) {
  switch (TypeCode(static_cast<uint8_t>(typeId))) {
    case 1:
    case 3:
    case 5:
    case 9:
    case 11:
    case 13:
    case 15:
    case 30:
    case 31:
    case 32:
    case 34:
    case 35:
    case 36:
    case 37:
    case 45:
    case 46:
    case 47:
    case 48:
    case 49:
    case 50:
      return true;
    default:
      return false;
  }
}

void StoreObjectInTag(const clElementLayout& layout, const clInformationObject& object,
                      uint32_t cause, clTag& tag) {
  const bool command = IsCommandLayout(layout);
  const int32_t quality = command ? 0 : static_cast<int32_t>(object.qualityFlags);
  tag.SetCommandState(command ? (object.select ? 1 : 2) : 0);
  // The tag's good, unchanged value seen again without a time tag (an
  // interrogation answer, a cyclic report) says nothing new about when it changed.
  const bool keepTime = !object.timed && object.value == tag.Value() && tag.Quality() == 0;
  tag.SetRawValue(object.value);
  if (!keepTime) tag.SetTimeStamp(object.time);
  tag.SetCause(static_cast<int32_t>(cause));
  tag.SetQuality(quality);
}

void UpdateMonitorTag(clWorkspace& workspace, clIEC101CaptureDevice& monitor,
                      const clElementLayout& layout, uint32_t commonAddress, uint32_t cause,
                      const clInformationObject& object) {
  const int32_t ca = static_cast<int32_t>(commonAddress);
  const int32_t ioa = static_cast<int32_t>(object.address);
  clTag* tag = monitor.Tags()->FindMonitorTag(ca, ioa, layout.tagType);
  if (tag == nullptr) tag = workspace.CreateMonitorTag(monitor, ca, layout.tagType, ioa);
  if (tag != nullptr) StoreObjectInTag(layout, object, cause, *tag);
}

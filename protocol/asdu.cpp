#include "protocol/asdu.h"

#include "protocol/asdu_names.h"
#include "protocol/iec101_codes.h"

namespace {

using K = ElementKind;

// Tag type codes a role stores each type under.
constexpr uint8_t kTagSingle = 1, kTagDouble = 2, kTagNormalized = 3, kTagScaled = 4, kTagFloat = 5,
                  kTagCounter = 6, kTagStep = 7, kTagSingleCommand = 8, kTagDoubleCommand = 9,
                  kTagNormalizedSetpoint = 10, kTagScaledSetpoint = 11, kTagFloatSetpoint = 12,
                  kTagStepCommand = 13, kTagInterrogation = 14, kTagClockSync = 15;

constexpr uint8_t kTime = kCP56Time2aSize;

constexpr clElementLayout kLayouts[] = {
    {1, 1, K::kSinglePoint, false, false, kTagSingle},
    {3, 1, K::kDoublePoint, false, false, kTagDouble},
    {5, 2, K::kStepPosition, false, false, kTagStep},
    {9, 3, K::kNormalized, false, false, kTagNormalized},
    {11, 3, K::kScaled, false, false, kTagScaled},
    {13, 5, K::kFloat, false, false, kTagFloat},
    {15, 5, K::kCounter, false, false, kTagCounter},
    {30, 1 + kTime, K::kSinglePoint, true, false, kTagSingle},
    {31, 1 + kTime, K::kDoublePoint, true, false, kTagDouble},
    {32, 2 + kTime, K::kStepPosition, true, false, kTagStep},
    {34, 3 + kTime, K::kNormalized, true, false, kTagNormalized},
    {35, 3 + kTime, K::kScaled, true, false, kTagScaled},
    {36, 5 + kTime, K::kFloat, true, false, kTagFloat},
    {37, 5 + kTime, K::kCounter, true, false, kTagCounter},
    {45, 1, K::kSingleCommand, false, true, kTagSingleCommand},
    {46, 1, K::kDoubleCommand, false, true, kTagDoubleCommand},
    {47, 1, K::kStepCommand, false, true, kTagStepCommand},
    {48, 3, K::kNormalizedSetpoint, false, true, kTagNormalizedSetpoint},
    {49, 3, K::kScaledSetpoint, false, true, kTagScaledSetpoint},
    {50, 5, K::kFloatSetpoint, false, true, kTagFloatSetpoint},
    {100, 1, K::kInterrogation, false, true, kTagInterrogation},
    {103, kTime, K::kClockSync, false, true, kTagClockSync},
};

constexpr uint8_t kSelectBit = 0x80;

// The value octets of one element, read at element into object. The frame readers
// have already been bounded by the walker; their results are still checked.
void ReadElement(const clIEC101Frame& frame, const clElementLayout& layout, int32_t element,
                 clInformationObject& object) {
  uint8_t value = 0, quality = 0;
  uint16_t word = 0;
  switch (layout.kind) {
    case K::kSinglePoint:
    case K::kDoublePoint:
      frame.PointAt(element, layout.kind == K::kDoublePoint, value, quality);
      object.state = value;
      object.qualityOctet = quality;
      object.qualityFlags = QualityFlagsFromOctet(quality, false);
      break;
    case K::kStepPosition:
      frame.StepAt(element, object.state, object.qualityOctet);
      object.qualityFlags = QualityFlagsFromOctet(object.qualityOctet, true);
      break;
    case K::kNormalized:
    case K::kScaled:
    case K::kNormalizedSetpoint:
    case K::kScaledSetpoint: {
      frame.WordAt(element, word, object.qualityOctet);
      bool normalized = layout.kind == K::kNormalized || layout.kind == K::kNormalizedSetpoint;
      object.state = ScaledValue(word);
      object.value = normalized ? NormalizedValue(word) : object.state;
      bool setpoint = layout.kind == K::kNormalizedSetpoint || layout.kind == K::kScaledSetpoint;
      if (setpoint) {
        object.select = (object.qualityOctet & kSelectBit) != 0;
        object.qualifier = object.qualityOctet & 0x7F;
      } else {
        object.qualityFlags = QualityFlagsFromOctet(object.qualityOctet, true);
      }
      return;
    }
    case K::kFloat:
    case K::kFloatSetpoint: {
      float f = 0;
      frame.FloatAt(element, f, object.qualityOctet);
      object.value = f;
      if (layout.kind == K::kFloatSetpoint) {
        object.select = (object.qualityOctet & kSelectBit) != 0;
        object.qualifier = object.qualityOctet & 0x7F;
      } else {
        object.qualityFlags = QualityFlagsFromOctet(object.qualityOctet, true);
      }
      return;
    }
    case K::kCounter:
      frame.CounterAt(element, object.state, object.qualityOctet);
      object.qualityFlags = CounterQualityFlags(object.qualityOctet);
      break;
    case K::kSingleCommand:
    case K::kDoubleCommand:
    case K::kStepCommand:
      frame.PointAt(element, true, value, quality);
      object.state = layout.kind == K::kSingleCommand ? (quality & 0x01) : (quality & 0x03);
      object.qualityOctet = quality;
      object.qualifier = (quality >> 2) & 0x1F;
      object.select = (quality & kSelectBit) != 0;
      break;
    case K::kInterrogation:
      frame.PointAt(element, true, value, quality);
      object.state = quality;
      object.qualifier = quality;
      object.qualityOctet = quality;
      break;
    case K::kClockSync:
      frame.TimeAt(element, object.time);
      object.timed = true;
      return;
  }
  object.value = object.state;
}

// Octets of the value and quality part, before a time tag.
int32_t ValueSize(const clElementLayout& layout) {
  return layout.objectSize - (layout.timed ? kCP56Time2aSize : 0);
}

}  // namespace

const clElementLayout* FindElementLayout(uint32_t typeId) {
  uint32_t type = typeId & kTypeIdMask;
  for (const clElementLayout& layout : kLayouts)
    if (layout.typeId == type) return &layout;
  return nullptr;
}

clObjectWalker::clObjectWalker(const clIEC101Frame& frame, int32_t objectSize, uint32_t maxObjects)
    : frame_(frame),
      objectSize_(objectSize),
      remaining_(0),
      sequence_(frame.IsSequence()),
      position_(frame.FirstObjectPosition()),
      limit_(frame.Length() - 2) {
  if (position_ > 0 && objectSize_ > 0) {
    uint32_t announced = frame.ObjectCount();
    remaining_ = announced < maxObjects ? announced : maxObjects;
  }
}

bool clObjectWalker::Next(uint32_t& address, int32_t& element) {
  if (remaining_ == 0) return false;
  int32_t ioaSize = static_cast<int32_t>(frame_.IoaSize());
  if (sequence_ && !started_) {
    // One address opens the sequence; the element sets follow it.
    if (position_ + ioaSize > limit_) return (remaining_ = 0, false);
    nextAddress_ = frame_.ObjectAddressAt(position_);
    position_ += ioaSize;
  }
  started_ = true;
  int32_t start = sequence_ ? position_ : position_ + ioaSize;
  if (start + objectSize_ > limit_) return (remaining_ = 0, false);
  if (sequence_) {
    address = nextAddress_++;
  } else {
    address = frame_.ObjectAddressAt(position_);
  }
  element = start;
  position_ = start + objectSize_;
  --remaining_;
  return true;
}

std::vector<clInformationObject> DecodeObjects(const clIEC101Frame& frame,
                                               const clDateTime& receptionTime) {
  std::vector<clInformationObject> objects;
  if (!frame.IsVariable() || !frame.SizesValid()) return objects;
  const clElementLayout* layout = FindElementLayout(frame.TypeId());
  if (!layout) return objects;
  clObjectWalker walker(frame, layout->objectSize, layout->firstOnly ? 1 : 0x7F);
  clDateTime time = receptionTime;  // each time tag starts from the one before it
  uint32_t address = 0;
  int32_t element = 0;
  while (walker.Next(address, element)) {
    clInformationObject object;
    object.address = address;
    object.time = layout->kind == K::kClockSync ? receptionTime : time;
    ReadElement(frame, *layout, element, object);
    if (layout->timed) {
      frame.TimeAt(element + ValueSize(*layout), time);
      object.time = time;
      object.timed = true;
    }
    objects.push_back(object);
  }
  return objects;
}

#include "master/master_write.h"

#include "master/master_engine.h"
#include "model/device.h"
#include "model/sector.h"
#include "model/tag.h"
#include "model/tag_range.h"

namespace {

void Remember(int32_t type, const clMasterWrite& write, clMasterWriteMemory& memory) {
  switch (type) {
    case clTag::kSingleCommand:
      memory.singleCommand = static_cast<int32_t>(write.value);
      break;
    case clTag::kDoubleCommand:
      memory.doubleCommand = static_cast<int32_t>(write.value);
      break;
    case clTag::kRegulatingStep:
      memory.stepCommand = static_cast<int32_t>(write.value);
      break;
    case clTag::kSetpointNormalized:
      memory.setpointNormalized = write.value;
      break;
    case clTag::kSetpointScaled:
      memory.setpointScaled = static_cast<int32_t>(write.value);
      break;
    case clTag::kSetpointFloat:
      memory.setpointFloat = write.value;
      break;
    case clTag::kClockSync:
      memory.timeMode = write.timeMode;
      memory.customTime = write.customTime;
      break;
    default:
      break;
  }
}

clDateTime SyncTime(const clMasterWrite& write) {
  if (write.timeMode != 2) return LocalNow();
  clDateTime time = write.customTime;
  time.millisecond = 0;
  return time;
}

void Hand(clIEC101MasterEngine& engine, uint32_t ca, const clTag& tag, const clMasterWrite& write) {
  uint32_t ioa = static_cast<uint32_t>(tag.Ioa());
  bool select = tag.IsSelectBeforeOperate();
  // In range (CheckTagValue), so the conversions below are exact.
  const auto state = [&write] { return static_cast<uint8_t>(write.value); };
  switch (tag.TagType()) {
    case clTag::kSingleCommand:
      return engine.SendSingleCommand(ca, ioa, state(), select, true);
    case clTag::kDoubleCommand:
      return engine.SendDoubleCommand(ca, ioa, state(), select, true);
    case clTag::kRegulatingStep:
      return engine.SendStepCommand(ca, ioa, state(), select, true);
    case clTag::kSetpointNormalized:
      return engine.SendSetpointNormalized(ca, ioa, write.value, select, true);
    case clTag::kSetpointScaled:
      return engine.SendSetpointScaled(ca, ioa, static_cast<int16_t>(write.value), select, true);
    case clTag::kSetpointFloat:
      return engine.SendSetpointFloat(ca, ioa, write.value, select, true);
    case clTag::kInterrogation:
      return engine.SendInterrogation(ca, ioa, true);
    case clTag::kClockSync:
      return engine.SendClockSync(ca, SyncTime(write));
    default:
      return;
  }
}

}  // namespace

clMasterWrite LastMasterWrite(int32_t type, const clMasterWriteMemory& memory) {
  clMasterWrite write;
  switch (type) {
    case clTag::kSingleCommand:
      write.value = memory.singleCommand;
      break;
    case clTag::kDoubleCommand:
      write.value = memory.doubleCommand;
      break;
    case clTag::kRegulatingStep:
      write.value = memory.stepCommand;
      break;
    case clTag::kSetpointNormalized:
      write.value = memory.setpointNormalized;
      break;
    case clTag::kSetpointScaled:
      write.value = memory.setpointScaled;
      break;
    case clTag::kSetpointFloat:
      write.value = memory.setpointFloat;
      break;
    default:
      break;
  }
  write.timeMode = memory.timeMode;
  write.customTime = memory.customTime;
  return write;
}

std::string WriteMasterTag(clIEC101MasterEngine* engine, const clSector& sector, clTag& tag,
                           const clMasterWrite& write, clMasterWriteMemory* memory) {
  if (!sector.Active()) return kWriteSectorDisabled;
  int32_t type = tag.TagType();
  if (type < clTag::kSingleCommand || type > clTag::kClockSync) return kWriteNotImplemented;
  // Checked before anything is kept, stored or sent: the element must carry the
  // very value the tag will show.
  std::string outOfRange = CheckTagValue(type, write.value);
  if (!outOfRange.empty()) return outOfRange;
  if (memory) Remember(type, write, *memory);
  if (engine == nullptr || !engine->IsRunning())
    return type == clTag::kSetpointNormalized ? kWriteDeviceNotConnected : kWriteDeviceNotRunning;
  if (tag.IsCommandType()) tag.SetValue(write.value);
  tag.SetTimeStamp(LocalTimeNow());
  tag.SetQuality(0);
  Hand(*engine, static_cast<uint32_t>(sector.CommonAddress()), tag, write);
  return "";
}

clSector* FindSectorOfTag(const clDevice& device, const clTag& tag) {
  const clSectors* sectors = device.Sectors();
  if (sectors == nullptr) return nullptr;
  for (clSector* sector : *sectors->Items()) {
    for (clTag* candidate : *sector->Tags().Items())
      if (candidate == &tag) return sector;
  }
  return nullptr;
}

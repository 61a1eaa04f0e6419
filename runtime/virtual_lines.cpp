#include "runtime/virtual_lines.h"

clVirtualLines& clVirtualLines::Instance() {
  // Never destroyed: a device thread may still hold a cable while static
  // objects are torn down at exit.
  static clVirtualLines* const instance = new clVirtualLines();
  return *instance;
}

clVirtualLine* clVirtualLines::Cable(int32_t number) {
  if (number < kFirstCable || number > kLastCable) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  std::unique_ptr<clVirtualLine>& cable = cables_[static_cast<size_t>(number - kFirstCable)];
  if (!cable) {
    cable = std::make_unique<clVirtualLine>();
    cable->SeedFaults(faultSeed_, number);
  }
  return cable.get();
}

void clVirtualLines::SetFaultSeed(uint64_t seed) {
  clVirtualLines& lines = Instance();
  std::lock_guard<std::mutex> lock(lines.mutex_);
  lines.faultSeed_ = seed;
  for (size_t i = 0; i < lines.cables_.size(); ++i)
    if (lines.cables_[i]) lines.cables_[i]->SeedFaults(seed, static_cast<int32_t>(i) + kFirstCable);
}

uint64_t clVirtualLines::FaultSeed() {
  clVirtualLines& lines = Instance();
  std::lock_guard<std::mutex> lock(lines.mutex_);
  return lines.faultSeed_;
}

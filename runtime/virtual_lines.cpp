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
  if (!cable) cable = std::make_unique<clVirtualLine>();
  return cable.get();
}

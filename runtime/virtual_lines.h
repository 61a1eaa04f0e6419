#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <mutex>

#include "runtime/virtual_line.h"

// The process's built-in null-modem cables VLINE1 .. VLINE99. A cable is
// created when first asked for and lives until the process ends, so a
// pointer to it stays valid for every port that opened one of its ends.
//
// Threads: any thread may ask for a cable; the table is guarded by mutex_,
// the cables guard themselves.
class clVirtualLines {
 public:
  static constexpr int32_t kFirstCable = 1;
  static constexpr int32_t kLastCable = 99;

  static clVirtualLines& Instance();

  // Cable `number`, or nullptr when the number is outside 1 .. 99.
  clVirtualLine* Cable(int32_t number);

 private:
  clVirtualLines() = default;

  std::mutex mutex_;
  std::array<std::unique_ptr<clVirtualLine>, kLastCable> cables_;  // guarded by mutex_
};

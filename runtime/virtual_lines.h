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
// The cables' faults are drawn from one process-wide seed (0 until set), so
// a run with faults can be repeated exactly by giving it the same seed.
//
// Threads: any thread may ask for a cable or set the seed; the table and the
// seed are guarded by mutex_, the cables guard themselves (locked after
// mutex_, never before).
class clVirtualLines {
 public:
  static constexpr int32_t kFirstCable = 1;
  static constexpr int32_t kLastCable = 99;

  static clVirtualLines& Instance();

  // Cable `number`, or nullptr when the number is outside 1 .. 99.
  clVirtualLine* Cable(int32_t number);

  // Sets the seed of all faults and restarts every cable's draws from it,
  // those of cables created later too. Probabilities and counters are kept.
  static void SetFaultSeed(uint64_t seed);
  static uint64_t FaultSeed();

 private:
  clVirtualLines() = default;

  std::mutex mutex_;
  uint64_t faultSeed_ = 0;                                         // guarded by mutex_
  std::array<std::unique_ptr<clVirtualLine>, kLastCable> cables_;  // guarded by mutex_
};

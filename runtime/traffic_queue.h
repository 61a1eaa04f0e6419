#pragma once
#include <cstdint>
#include <deque>
#include <memory>

#include "runtime/lock.h"
#include "runtime/traffic_record.h"

// The bounded queue between a device's worker (Push) and its traffic consumer (Pop).
// The producer never waits: a full queue refuses the record.
class clTrafficQueue {
 public:
  static constexpr size_t kCapacity = 255;

  // Takes the record and numbers it; false (record dropped) when 255 are queued.
  bool Push(std::unique_ptr<clTrafficRecord> record);
  // Oldest record, or null when empty.
  std::unique_ptr<clTrafficRecord> Pop();
  size_t Size();

 private:
  clLock lock_;
  std::deque<std::unique_ptr<clTrafficRecord>> records_;  // guarded by lock_
  int32_t nextSequence_ = 1;                               // guarded by lock_
};

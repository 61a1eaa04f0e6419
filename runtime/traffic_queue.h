#pragma once
#include <atomic>
#include <cstdint>
#include <deque>
#include <memory>

#include "runtime/lock.h"
#include "runtime/traffic_record.h"

// The bounded queue between a device's worker (Push) and its traffic consumer (Pop).
// The producer never waits: a full queue refuses the record.
//
// A device builds records only while a consumer (a traffic window's display, or
// the headless printer) is attached and draining; the consumer says so with
// SetConsumerRunning and devices ask IsConsumerRunning before each record, so an
// unwatched device spends nothing on text.
class clTrafficQueue {
 public:
  static constexpr size_t kCapacity = 255;

  // Takes the record and numbers it; false (record dropped, and counted) when 255
  // are queued.
  bool Push(std::unique_ptr<clTrafficRecord> record);
  // Oldest record, or null when empty.
  std::unique_ptr<clTrafficRecord> Pop();
  size_t Size();
  // Records refused so far because the queue was full.
  uint64_t Refused() const { return refused_.load(std::memory_order_relaxed); }

  void SetConsumerRunning(bool running) { consumerRunning_.store(running); }
  bool IsConsumerRunning() const { return consumerRunning_.load(); }

 private:
  std::atomic<bool> consumerRunning_{false};
  std::atomic<uint64_t> refused_{0};
  clLock lock_;
  std::deque<std::unique_ptr<clTrafficRecord>> records_;  // guarded by lock_
  int32_t nextSequence_ = 1;                              // guarded by lock_
};

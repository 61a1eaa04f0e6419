#pragma once
#include <mutex>

// The lock that guards the few structures shared between a device thread and the
// user interface (traffic queues, request/response queues, change lists).
// Never nested; hold it only for the list operation itself.
class clLock {
 public:
  void Enter() { mutex_.lock(); }
  void Leave() { mutex_.unlock(); }
  // BasicLockable, so std::lock_guard<clLock> leaves it on every path.
  void lock() { Enter(); }
  void unlock() { Leave(); }

 private:
  std::mutex mutex_;
};

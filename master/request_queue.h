#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "runtime/lock.h"

// One prepared user-data request of the master: the variable frame as built
// (start octets, length placeholders, placeholder control field, link address
// and data unit, not yet sealed), its type identification and the link function
// it is sent with (always 3, user data confirmed).
struct clMasterRequest {
  static constexpr uint8_t kUserDataConfirmed = 3;

  std::vector<uint8_t> frame;
  uint8_t typeId = 0;
  uint8_t function = kUserDataConfirmed;
  uint32_t sequence = 0;  // set by the queue
};

// The master's outgoing queue. Ordinary requests go to the tail; the execute that
// follows a confirmed select goes to the head, so it is the next frame sent. The
// worker takes from the head. Every operation takes the queue's own lock for the
// list operation only, so the user-interface thread may insert at any time.
class clRequestQueue {
 public:
  static constexpr uint32_t kLastSequence = 0x1FFFFFFF;

  // firstSequence is the number the first request gets (1 unless a test needs the wrap).
  explicit clRequestQueue(uint32_t firstSequence = 1) : nextSequence_(firstSequence) {}

  // Numbers the request (1 .. kLastSequence, then 1 again) and inserts it.
  void Insert(std::unique_ptr<clMasterRequest> request, bool atTail);
  // The head request, or null when the queue is empty.
  std::unique_ptr<clMasterRequest> TakeHead();
  // Deletes every queued request.
  void Purge();
  bool Empty();
  size_t Size();

 private:
  clLock lock_;
  std::deque<std::unique_ptr<clMasterRequest>> requests_;  // guarded by lock_
  uint32_t nextSequence_;                                  // guarded by lock_
};

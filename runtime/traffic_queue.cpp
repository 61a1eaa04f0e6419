#include "runtime/traffic_queue.h"

#include <mutex>

bool clTrafficQueue::Push(std::unique_ptr<clTrafficRecord> record) {
  if (!record) return false;
  std::lock_guard<clLock> guard(lock_);
  if (records_.size() >= kCapacity) {
    refused_.fetch_add(1, std::memory_order_relaxed);
    return false;
  }
  record->sequence = nextSequence_++;
  records_.push_back(std::move(record));
  return true;
}

std::unique_ptr<clTrafficRecord> clTrafficQueue::Pop() {
  std::lock_guard<clLock> guard(lock_);
  if (records_.empty()) return nullptr;
  std::unique_ptr<clTrafficRecord> record = std::move(records_.front());
  records_.pop_front();
  return record;
}

size_t clTrafficQueue::Size() {
  std::lock_guard<clLock> guard(lock_);
  return records_.size();
}

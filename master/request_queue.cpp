#include "master/request_queue.h"

#include <mutex>

void clRequestQueue::Insert(std::unique_ptr<clMasterRequest> request, bool atTail) {
  if (!request) return;
  std::lock_guard<clLock> guard(lock_);
  request->sequence = nextSequence_;
  nextSequence_ = nextSequence_ >= kLastSequence ? 1 : nextSequence_ + 1;
  if (atTail) {
    requests_.push_back(std::move(request));
  } else {
    requests_.push_front(std::move(request));
  }
}

std::unique_ptr<clMasterRequest> clRequestQueue::TakeHead() {
  std::lock_guard<clLock> guard(lock_);
  if (requests_.empty()) return nullptr;
  std::unique_ptr<clMasterRequest> head = std::move(requests_.front());
  requests_.pop_front();
  return head;
}

void clRequestQueue::Purge() {
  std::deque<std::unique_ptr<clMasterRequest>> dropped;
  {
    std::lock_guard<clLock> guard(lock_);
    dropped.swap(requests_);
  }
  // The requests are deleted outside the lock.
}

bool clRequestQueue::Empty() {
  std::lock_guard<clLock> guard(lock_);
  return requests_.empty();
}

size_t clRequestQueue::Size() {
  std::lock_guard<clLock> guard(lock_);
  return requests_.size();
}

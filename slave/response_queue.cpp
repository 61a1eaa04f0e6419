#include "slave/response_queue.h"

#include <algorithm>
#include <mutex>

namespace {
// The monitoring types the slave produces: interrogation groups and
// spontaneous (time-tagged) data.
constexpr int32_t kClass1Types[] = {1, 3, 5, 9, 11, 13, 15, 30, 31, 32, 34, 35, 36, 37};
}  // namespace

bool IsClass1Type(int32_t typeId) {
  return std::find(std::begin(kClass1Types), std::end(kClass1Types), typeId) !=
         std::end(kClass1Types);
}

bool QueuedResponse::IsClass1() const { return IsClass1Type(typeId); }

void ResponseQueue::Enqueue(std::unique_ptr<QueuedResponse> record) {
  if (!record) return;
  std::lock_guard<clLock> guard(lock_);
  record->sequence = nextSequence_;
  nextSequence_ = nextSequence_ >= kLastSequence ? 1 : nextSequence_ + 1;
  records_.push_back(std::move(record));
}

std::unique_ptr<QueuedResponse> ResponseQueue::Dequeue() {
  std::lock_guard<clLock> guard(lock_);
  if (records_.empty()) return nullptr;
  std::unique_ptr<QueuedResponse> head = std::move(records_.front());
  records_.pop_front();
  return head;
}

bool ResponseQueue::HasClass1Data() {
  std::lock_guard<clLock> guard(lock_);
  return std::any_of(records_.begin(), records_.end(),
                     [](const std::unique_ptr<QueuedResponse>& r) { return r->IsClass1(); });
}

bool ResponseQueue::HeadIsClass1() {
  std::lock_guard<clLock> guard(lock_);
  return !records_.empty() && records_.front()->IsClass1();
}

void ResponseQueue::DeleteAll() {
  std::lock_guard<clLock> guard(lock_);
  records_.clear();
}

size_t ResponseQueue::Size() {
  std::lock_guard<clLock> guard(lock_);
  return records_.size();
}

uint32_t ResponseQueue::NextSequence() {
  std::lock_guard<clLock> guard(lock_);
  return nextSequence_;
}

void ResponseQueue::SetNextSequence(uint32_t next) {
  std::lock_guard<clLock> guard(lock_);
  nextSequence_ = next == 0 || next > kLastSequence ? 1 : next;
}

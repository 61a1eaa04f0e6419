#include "slave/change_list.h"

#include <mutex>

void ChangeList::AddChange(std::unique_ptr<TagChange> change) {
  if (!change) return;
  std::lock_guard<clLock> guard(lock_);
  changes_.push_back(std::move(change));
}

std::unique_ptr<TagChange> ChangeList::TakeChange(int32_t kind, uint32_t commonAddress) {
  std::lock_guard<clLock> guard(lock_);
  for (auto it = changes_.begin(); it != changes_.end(); ++it) {
    if ((*it)->kind == kind && (*it)->commonAddress == commonAddress) {
      std::unique_ptr<TagChange> change = std::move(*it);
      changes_.erase(it);
      return change;
    }
  }
  return nullptr;
}

size_t ChangeList::Count() {
  std::lock_guard<clLock> guard(lock_);
  return changes_.size();
}

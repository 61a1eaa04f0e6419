#pragma once
#include <algorithm>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

#include "runtime/text_compare.h"

// An ordered list that owns its elements and lets other threads walk it while
// one thread appends.
//
// The order lives in blocks of element pointers. Items() hands out a snapshot: a
// block and the number of its entries that were filled when it was taken. An
// entry, once published, never changes, and an append only writes the entry
// after the last published one (or, when the block is full, copies into a new
// block of twice the size), so a reader holding a snapshot walks a stable list
// while a worker appends (a monitor creating tags while the list view refreshes),
// and appends cost amortised constant time. Any other change (AddSorted, Remove,
// RemoveAll) builds a new block, leaving old snapshots intact. mutex_ guards the
// writer's state and the hand-over of snapshots.
//
// Remove and RemoveAll delete elements, so they are for the owning thread while
// no other thread holds a snapshot (the device is stopped); the same holds for
// AddSorted, which the user interface calls only on a stopped device.
template <class T>
class clOwnedList {
  struct Block {
    explicit Block(size_t n) : capacity(n), entries(new T*[n]) {}
    size_t capacity;
    std::unique_ptr<T*[]> entries;
  };

 public:
  // A stable view of the list as it was when taken. It also reads like a pointer
  // to the range (`*list.Items()`, `list.Items()->size()`); `*` yields a copy, so
  // `for (x : *list.Items())` keeps its snapshot alive for the whole loop.
  class Snapshot {
   public:
    Snapshot() = default;
    Snapshot operator*() const { return *this; }
    const Snapshot* operator->() const { return this; }
    T* const* begin() const { return block_ ? block_->entries.get() : nullptr; }
    T* const* end() const { return begin() + size_; }
    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    T* operator[](size_t i) const { return block_->entries[i]; }
    T* front() const { return block_->entries[0]; }
    T* back() const { return block_->entries[size_ - 1]; }

   private:
    friend class clOwnedList;
    Snapshot(std::shared_ptr<const Block> block, size_t size)
        : block_(std::move(block)), size_(size) {}
    std::shared_ptr<const Block> block_;
    size_t size_ = 0;
  };

  clOwnedList() = default;
  clOwnedList(const clOwnedList&) = delete;
  clOwnedList& operator=(const clOwnedList&) = delete;

  // The current order; stays valid and unchanged while held.
  Snapshot Items() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return Snapshot(block_, size_);
  }
  size_t Count() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return size_;
  }
  bool Empty() const { return Count() == 0; }

  // Inserts before the first element whose name compares greater, so equal names
  // (without regard to letter case) go after the existing ones. The list need
  // not be sorted (file order, appended or renamed elements): it is walked from
  // the front.
  T* AddSorted(std::unique_ptr<T> item) {
    std::lock_guard<std::mutex> guard(mutex_);
    T* raw = item.get();
    T* const* first = block_ ? block_->entries.get() : nullptr;
    T* const* at = std::find_if(first, first + size_, [raw](const T* existing) {
      return CompareNoCase(existing->Name(), raw->Name()) > 0;
    });
    const size_t index = static_cast<size_t>(at - first);
    auto next = std::make_shared<Block>(std::max<size_t>(size_ + 1, kFirstCapacity));
    std::copy(first, first + index, next->entries.get());
    next->entries[index] = raw;
    std::copy(first + index, first + size_, next->entries.get() + index + 1);
    owned_.push_back(std::move(item));
    block_ = std::move(next);
    ++size_;
    return raw;
  }

  // Appends at the end, whatever the name.
  T* Append(std::unique_ptr<T> item) {
    std::lock_guard<std::mutex> guard(mutex_);
    T* raw = item.get();
    Reserve(size_ + 1);
    block_->entries[size_++] = raw;
    owned_.push_back(std::move(item));
    return raw;
  }

  // Appends many elements in their order (file loading).
  void AppendAll(std::vector<std::unique_ptr<T>> items) {
    std::lock_guard<std::mutex> guard(mutex_);
    Reserve(size_ + items.size());
    owned_.reserve(owned_.size() + items.size());
    for (auto& item : items) {
      block_->entries[size_++] = item.get();
      owned_.push_back(std::move(item));
    }
  }

  // Unlinks and deletes the element; false when it is not in the list.
  bool Remove(T* item) {
    std::lock_guard<std::mutex> guard(mutex_);
    auto owner = std::find_if(owned_.begin(), owned_.end(),
                              [item](const std::unique_ptr<T>& p) { return p.get() == item; });
    if (owner == owned_.end()) return false;
    auto next = std::make_shared<Block>(std::max<size_t>(size_, kFirstCapacity));
    T* const* first = block_->entries.get();
    T** out = std::remove_copy(first, first + size_, next->entries.get(), item);
    size_ = static_cast<size_t>(out - next->entries.get());
    block_ = std::move(next);
    owned_.erase(owner);
    return true;
  }

  void RemoveAll() {
    std::lock_guard<std::mutex> guard(mutex_);
    block_.reset();
    size_ = 0;
    owned_.clear();
  }

  // First element whose name equals `name` without regard to letter case.
  T* FindByName(std::string_view name) const {
    for (T* item : Items()) {
      if (EqualsNoCase(item->Name(), name)) return item;
    }
    return nullptr;
  }

 private:
  static constexpr size_t kFirstCapacity = 8;

  // Makes room for `needed` entries; a full block is copied into one twice as big,
  // which becomes the block new snapshots see.
  void Reserve(size_t needed) {
    if (block_ && block_->capacity >= needed) return;
    size_t capacity = block_ ? block_->capacity : kFirstCapacity;
    while (capacity < needed) capacity *= 2;
    auto next = std::make_shared<Block>(capacity);
    if (block_)
      std::copy(block_->entries.get(), block_->entries.get() + size_, next->entries.get());
    block_ = std::move(next);
  }

  mutable std::mutex mutex_;
  std::vector<std::unique_ptr<T>> owned_;  // guarded by mutex_
  std::shared_ptr<Block> block_;           // guarded by mutex_; entries past size_ are free
  size_t size_ = 0;                        // guarded by mutex_
};

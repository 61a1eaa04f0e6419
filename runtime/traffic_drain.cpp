#include "runtime/traffic_drain.h"

#include <algorithm>
#include <mutex>

namespace {

// Adds one piece as the window shows it: carriage returns go, and a final
// line feed adds nothing, since the next piece begins a line of its own.
void Add(clTrafficBatch* out, const std::string& text, bool highlighted) {
  clTrafficFragment piece;
  piece.text.reserve(text.size());
  for (char c : text) {
    if (c != '\r') piece.text += c;
  }
  if (!piece.text.empty() && piece.text.back() == '\n') piece.text.pop_back();
  piece.highlighted = highlighted;
  out->push_back(std::move(piece));
}

void AddWhole(const clTrafficRecord& record, bool structured, clTrafficBatch* out) {
  Add(out, record.FormatHeader(), false);
  Add(out, record.FormatDescription(), true);
  std::string elements = record.FormatElements(structured);
  if (!elements.empty()) Add(out, elements, true);
}

}  // namespace

void AppendTrafficFragments(const clTrafficRecord& record, const clTrafficFilter& filter,
                            clTrafficBatch* out) {
  const size_t before = out->size();
  if (filter.command || filter.changeOfState) {
    if ((filter.command && record.IsCommandKind()) ||
        (filter.changeOfState && record.IsTimeTaggedKind())) {
      AddWhole(record, filter.structureIoa, out);
    } else if (record.IsEventKind()) {
      Add(out, record.FormatHeader(), false);
      Add(out, record.FormatDescription() + "\n", true);
    }
  } else {
    if (filter.rawMessage) Add(out, record.FormatHeader(), false);
    if (filter.translate) {
      Add(out, record.FormatDescription(), true);
      std::string elements = record.FormatElements(filter.structureIoa);
      if (!elements.empty()) Add(out, elements, true);
    }
  }
  if (out->size() > before) (*out)[before].firstOfRecord = true;
}

clTrafficTrim PlanTrafficTrim(int64_t textLength, int64_t limit, int64_t cut,
                              const std::vector<int64_t>& pieceLengths) {
  cut = std::max<int64_t>(cut, 1);
  limit = std::max<int64_t>(limit, 0);
  int64_t length = std::max<int64_t>(textLength, 0);
  int64_t removed = 0;
  for (int64_t piece : pieceLengths) {
    if (length > limit) {
      const int64_t cuts = (length - limit + cut - 1) / cut;
      const int64_t gone = std::min(length, cuts * cut);
      length -= gone;
      removed += gone;
    }
    length += piece;
  }
  clTrafficTrim trim;
  trim.fromText = std::min(removed, std::max<int64_t>(textLength, 0));
  trim.fromBatch = removed - trim.fromText;
  return trim;
}

clTrafficDrain::clTrafficDrain(clTrafficQueue& queue)
    : queue_(queue) {}

clTrafficDrain::~clTrafficDrain() { Stop(); }

bool clTrafficDrain::Start() {
  if (IsRunning()) return false;
  // Records a device queued after an earlier Stop are stale by now.
  while (queue_.Pop()) {
  }
  queue_.SetConsumerRunning(true);
  if (clThread::Start()) return true;
  queue_.SetConsumerRunning(false);
  return false;
}

void clTrafficDrain::Stop() {
  if (!IsRunning()) return;
  clThread::Stop();
  queue_.SetConsumerRunning(false);
  DrainPass();
}

void clTrafficDrain::SetFilter(const clTrafficFilter& filter) {
  std::lock_guard<clLock> guard(lock_);
  filter_ = filter;
}

clTrafficFilter clTrafficDrain::Filter() {
  std::lock_guard<clLock> guard(lock_);
  return filter_;
}

void clTrafficDrain::SetBacklogLimit(size_t characters) {
  std::lock_guard<clLock> guard(lock_);
  backlogLimit_ = characters;
  DropOldest();
}

clTrafficBatch clTrafficDrain::Take() {
  clTrafficBatch taken;
  std::lock_guard<clLock> guard(lock_);
  taken.swap(backlog_);
  backlogChars_ = 0;
  return taken;
}

void clTrafficDrain::Run() {
  while (IsRunning()) {
    // A full queue may hold more at once: go again without sleeping.
    if (DrainPass() >= clTrafficQueue::kCapacity) continue;
    if (!SleepInterruptible(kPassIntervalMs)) break;
  }
}

size_t clTrafficDrain::DrainPass() {
  // One queue's worth at most, so that the backlog's lock is taken often.
  std::vector<std::unique_ptr<clTrafficRecord>> taken;
  while (taken.size() < clTrafficQueue::kCapacity) {
    std::unique_ptr<clTrafficRecord> record = queue_.Pop();
    if (!record) break;
    taken.push_back(std::move(record));
  }
  if (taken.empty()) return 0;
  // Formatted under the lock, so that no pass adds pieces made with a filter
  // that changed, or to a backlog that was taken, while it formatted.
  std::lock_guard<clLock> guard(lock_);
  const size_t before = backlog_.size();
  for (const std::unique_ptr<clTrafficRecord>& record : taken)
    AppendTrafficFragments(*record, filter_, &backlog_);
  for (size_t i = before; i < backlog_.size(); ++i) backlogChars_ += backlog_[i].text.size() + 1;
  DropOldest();
  return taken.size();
}

void clTrafficDrain::DropOldest() {
  if (backlogChars_ <= backlogLimit_) return;
  while (!backlog_.empty() && backlogChars_ > backlogLimit_) {
    backlogChars_ -= backlog_.front().text.size() + 1;
    backlog_.pop_front();
  }
  // Never half a record.
  while (!backlog_.empty() && !backlog_.front().firstOfRecord) {
    backlogChars_ -= backlog_.front().text.size() + 1;
    backlog_.pop_front();
  }
}

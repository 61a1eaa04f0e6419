#include "app/traffic_printer.h"

#include <algorithm>

namespace {

// How often the collector empties the devices' queues. A queue holds 255
// records, so even a fast line cannot fill one in this time.
constexpr uint32_t kCollectEveryMs = 5;
// What a waiting record costs beyond its texts (the record, its strings' heads).
constexpr size_t kRecordOverheadBytes = 256;

size_t RecordBytes(const clTrafficRecord& r) {
  size_t bytes = kRecordOverheadBytes + r.bytes.size() + r.title.size() + r.asdu.size() +
                 r.detail.size() + r.cause.size();
  for (const clTrafficElement& e : r.elements)
    bytes += sizeof e + e.value.size() + e.name.size() + e.status.size();
  return bytes;
}

// Appends text, with each of its lines behind the prefix.
void AppendPrefixedLines(std::string& out, const std::string& prefix, const std::string& text) {
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    out += prefix;
    out.append(text, start, end - start);
    out += '\n';
    start = end + 1;
  }
}

}  // namespace

clTrafficPrinter::~clTrafficPrinter() { StopPrinting(); }

void clTrafficPrinter::Watch(const std::string& deviceName, clTrafficQueue* queue) {
  if (queue == nullptr) return;
  auto watched = std::make_unique<Watched>();
  watched->name = deviceName;
  watched->queue = queue;
  watched_.push_back(std::move(watched));
}

bool clTrafficPrinter::StartPrinting() {
  for (auto& w : watched_) {
    w->refusedBefore = w->queue->Refused();
    w->queue->SetConsumerRunning(true);
  }
  {
    std::lock_guard<std::mutex> guard(lock_);
    finishing_ = false;
  }
  writer_ = std::thread([this] { WriteLoop(); });
  if (Start()) return true;
  StopPrinting();
  return false;
}

void clTrafficPrinter::StopPrinting() {
  Stop();
  if (!writer_.joinable()) return;
  CollectOnce();
  {
    std::lock_guard<std::mutex> guard(lock_);
    finishing_ = true;
  }
  wake_.notify_all();
  writer_.join();
  for (auto& w : watched_) w->queue->SetConsumerRunning(false);
}

uint64_t clTrafficPrinter::Dropped(size_t index) const {
  const Watched& w = *watched_[index];
  return w.queue->Refused() - w.refusedBefore + w.backlogDropped.load();
}

std::string clTrafficPrinter::FormatRecord(const std::string& deviceName,
                                           const clTrafficRecord& record) {
  const std::string prefix = "[" + deviceName + "] ";
  std::string text = prefix + record.FormatHeader();
  AppendPrefixedLines(text, prefix, record.FormatDescription());
  const std::string elements = record.FormatElements(false);
  if (elements != " ") AppendPrefixedLines(text, prefix, elements);
  return text;
}

std::string clTrafficPrinter::FormatOneLine(const std::string& deviceName,
                                            const clTrafficRecord& record) {
  // The header is "<arrow> <time> [<octets>]\n": the title goes before the octets.
  std::string header = record.FormatHeader();
  if (!header.empty() && header.back() == '\n') header.pop_back();
  const size_t bracket = std::min(header.find(" ["), header.size());
  const std::string title = record.title.empty() ? "-" : record.title;
  return "[" + deviceName + "] " + header.substr(0, bracket) + " " + title +
         header.substr(bracket) + "\n";
}

size_t clTrafficPrinter::CollectOnce() {
  std::vector<Waiting> taken;
  for (size_t i = 0; i < watched_.size(); ++i) {
    // At most one queue's worth per device and pass, so a flooding device
    // cannot starve the others.
    for (size_t n = 0; n < clTrafficQueue::kCapacity; ++n) {
      std::unique_ptr<clTrafficRecord> record = watched_[i]->queue->Pop();
      if (!record) break;
      const size_t bytes = RecordBytes(*record);
      taken.push_back(Waiting{i, std::move(record), bytes});
    }
  }
  if (taken.empty()) return 0;
  // Devices that share a line print in the order things happened on it.
  std::stable_sort(taken.begin(), taken.end(), [](const Waiting& a, const Waiting& b) {
    const clTrafficRecord& x = *a.record;
    const clTrafficRecord& y = *b.record;
    if (x.date != y.date) return x.date < y.date;
    if (x.secondsOfDay != y.secondsOfDay) return x.secondsOfDay < y.secondsOfDay;
    return x.milliseconds < y.milliseconds;
  });
  const size_t limit = options_.block ? kBlockBacklogBytes : kBacklogBytes;
  {
    std::lock_guard<std::mutex> guard(lock_);
    for (Waiting& w : taken) {
      if (backlogBytes_ + w.bytes > limit) {
        watched_[w.device]->backlogDropped.fetch_add(1);
        continue;
      }
      backlogBytes_ += w.bytes;
      backlog_.push_back(std::move(w));
    }
  }
  wake_.notify_one();
  return taken.size();
}

void clTrafficPrinter::Run() {
  while (IsRunning()) {
    CollectOnce();
    if (!SleepInterruptible(kCollectEveryMs)) break;
  }
}

void clTrafficPrinter::WriteLoop() {
  std::vector<Waiting> batch;
  for (;;) {
    {
      std::unique_lock<std::mutex> guard(lock_);
      wake_.wait(guard, [this] { return !backlog_.empty() || finishing_; });
      if (backlog_.empty()) return;  // finishing, and everything written
      batch.clear();
      for (Waiting& w : backlog_) {
        backlogBytes_ -= w.bytes;
        batch.push_back(std::move(w));
      }
      backlog_.clear();
    }
    Write(batch);
  }
}

void clTrafficPrinter::Write(const std::vector<Waiting>& batch) {
  constexpr size_t kChunkBytes = 65536;
  std::string text;
  for (size_t i = 0; i < batch.size() && !outputClosed_.load(); ++i) {
    const std::string& name = watched_[batch[i].device]->name;
    const clTrafficRecord& record = *batch[i].record;
    text += options_.oneline ? FormatOneLine(name, record) : FormatRecord(name, record);
    if (text.size() < kChunkBytes && i + 1 < batch.size()) continue;
    const bool written = std::fwrite(text.data(), 1, text.size(), out_) == text.size();
    text.clear();
    if (written && std::fflush(out_) == 0) continue;
    outputClosed_.store(true);
    if (onClosed_) onClosed_();
  }
}

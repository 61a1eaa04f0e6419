#include "app/traffic_printer.h"

#include <algorithm>

namespace {
// How long the printer sleeps when no queue had anything. Queues hold 255
// records, so even a fast line cannot fill one in this time.
constexpr uint32_t kIdleSleepMs = 10;
}  // namespace

clTrafficPrinter::~clTrafficPrinter() { StopPrinting(); }

void clTrafficPrinter::Watch(const std::string& deviceName, clTrafficQueue* queue) {
  if (queue != nullptr) watched_.push_back(Watched{deviceName, queue});
}

bool clTrafficPrinter::StartPrinting() {
  for (Watched& w : watched_) w.queue->SetConsumerRunning(true);
  if (Start()) return true;
  for (Watched& w : watched_) w.queue->SetConsumerRunning(false);
  return false;
}

void clTrafficPrinter::StopPrinting() {
  Stop();
  DrainOnce();
  for (Watched& w : watched_) w.queue->SetConsumerRunning(false);
}

std::string clTrafficPrinter::FormatRecord(const std::string& deviceName,
                                           const clTrafficRecord& record) {
  std::string text = "[" + deviceName + "] " + record.FormatHeader();
  text += record.FormatDescription();
  text += '\n';
  std::string elements = record.FormatElements(false);
  if (elements != " ") text += elements;
  return text;
}

size_t clTrafficPrinter::DrainOnce() {
  struct Taken {
    const std::string* device;
    std::unique_ptr<clTrafficRecord> record;
  };
  std::vector<Taken> taken;
  for (Watched& w : watched_) {
    // At most one queue's worth per device and pass, so a flooding device
    // cannot starve the others.
    for (size_t i = 0; i < clTrafficQueue::kCapacity; ++i) {
      std::unique_ptr<clTrafficRecord> record = w.queue->Pop();
      if (!record) break;
      taken.push_back(Taken{&w.name, std::move(record)});
    }
  }
  // Devices that share a line print in the order things happened on it.
  std::stable_sort(taken.begin(), taken.end(), [](const Taken& a, const Taken& b) {
    const clTrafficRecord& x = *a.record;
    const clTrafficRecord& y = *b.record;
    if (x.date != y.date) return x.date < y.date;
    if (x.secondsOfDay != y.secondsOfDay) return x.secondsOfDay < y.secondsOfDay;
    return x.milliseconds < y.milliseconds;
  });
  for (const Taken& t : taken) std::fputs(FormatRecord(*t.device, *t.record).c_str(), out_);
  if (!taken.empty()) std::fflush(out_);
  return taken.size();
}

void clTrafficPrinter::Run() {
  while (IsRunning()) {
    if (DrainOnce() == 0 && !SleepInterruptible(kIdleSleepMs)) break;
  }
}

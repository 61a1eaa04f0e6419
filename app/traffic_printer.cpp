#include "app/traffic_printer.h"

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
  size_t printed = 0;
  for (Watched& w : watched_) {
    // At most one queue's worth per device and pass, so a flooding device
    // cannot starve the others.
    for (size_t i = 0; i < clTrafficQueue::kCapacity; ++i) {
      std::unique_ptr<clTrafficRecord> record = w.queue->Pop();
      if (!record) break;
      std::fputs(FormatRecord(w.name, *record).c_str(), out_);
      ++printed;
    }
  }
  if (printed > 0) std::fflush(out_);
  return printed;
}

void clTrafficPrinter::Run() {
  while (IsRunning()) {
    if (DrainOnce() == 0 && !SleepInterruptible(kIdleSleepMs)) break;
  }
}

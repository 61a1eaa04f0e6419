#pragma once
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "runtime/thread.h"
#include "runtime/traffic_queue.h"

// How the headless runner prints traffic records.
struct clPrinterOptions {
  // One line per record (device, arrow, time, title, octets) instead of the
  // traffic window's header, description and element lines.
  bool oneline = false;
  // Keep records waiting for a slow output (up to kBlockBacklogBytes) instead of
  // dropping them once kBacklogBytes wait.
  bool block = false;
};

// The headless runner's traffic consumer. Two threads, so that a slow output
// never holds up a device:
// - the collector (this clThread) takes the records from every watched device's
//   queue every few milliseconds and appends them, in time order, to a backlog;
//   it only ever waits on its own sleep, so devices' queues are emptied at the
//   same pace whatever the output does;
// - the writer formats the backlog and writes it; it alone blocks on the output.
// A device's worker only ever pushes to its own queue, which never waits: the
// protocol's timing is the same with or without a printer, slow or not. When
// the backlog holds its limit, further records are dropped and counted per
// device, as are those a device's full queue refused.
//
// Threads: Watch is called before StartPrinting, StartPrinting and StopPrinting
// from one controlling thread. The backlog is guarded by lock_; the output stream
// belongs to the writer between StartPrinting and StopPrinting.
class clTrafficPrinter : public clThread {
 public:
  static constexpr size_t kBacklogBytes = size_t{1} << 20;
  static constexpr size_t kBlockBacklogBytes = size_t{256} << 20;

  clTrafficPrinter(std::FILE* out, clPrinterOptions options) : out_(out), options_(options) {}
  ~clTrafficPrinter() override;

  void Watch(const std::string& deviceName, clTrafficQueue* queue);
  // Called once, on the writer's thread, when a write fails (a closed output).
  void SetOnOutputClosed(std::function<void()> callback) { onClosed_ = std::move(callback); }
  // Marks every watched queue as consumed and starts both threads.
  bool StartPrinting();
  // Takes what is still queued, writes the whole backlog, stops both threads and
  // detaches from the queues.
  void StopPrinting();

  // Records of the watched device (index in Watch order) that were lost because
  // the output was too slow: refused by its queue or by the backlog.
  uint64_t Dropped(size_t index) const;
  size_t WatchedCount() const { return watched_.size(); }
  const std::string& WatchedName(size_t index) const { return watched_[index]->name; }
  bool OutputClosed() const { return outputClosed_.load(); }

  // One record's text in the multi-line form: "[name] " + header, then each
  // description and element line, each also behind "[name] ".
  static std::string FormatRecord(const std::string& deviceName, const clTrafficRecord& record);
  // One record on one line: "[name] -> hh:mm:ss.mmm title [octets]".
  static std::string FormatOneLine(const std::string& deviceName, const clTrafficRecord& record);

 protected:
  void Run() override;

 private:
  struct Watched {
    std::string name;
    clTrafficQueue* queue;
    uint64_t refusedBefore = 0;          // the queue's count when printing started
    std::atomic<uint64_t> backlogDropped{0};
  };
  struct Waiting {
    size_t device;
    std::unique_ptr<clTrafficRecord> record;
    size_t bytes;
  };
  // Moves every queued record to the backlog; returns how many were taken.
  size_t CollectOnce();
  void WriteLoop();
  void Write(const std::vector<Waiting>& batch);

  std::FILE* out_;
  clPrinterOptions options_;
  std::vector<std::unique_ptr<Watched>> watched_;
  std::function<void()> onClosed_;
  std::thread writer_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::deque<Waiting> backlog_;  // guarded by lock_
  size_t backlogBytes_ = 0;      // guarded by lock_
  bool finishing_ = false;       // guarded by lock_
  std::atomic<bool> outputClosed_{false};
};

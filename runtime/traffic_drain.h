#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "runtime/lock.h"
#include "runtime/thread.h"
#include "runtime/traffic_queue.h"

// What a traffic window shows of each record: its five check boxes.
struct clTrafficFilter {
  bool rawMessage = true;      // "Raw Message": the header with the octets
  bool translate = true;       // "Translate": the decoded lines
  bool command = false;        // "Command": command records and line events only
  bool changeOfState = false;  // "Change Of State": time-tagged records and line events only
  bool structureIoa = false;   // "Structure IOA": addresses as 001/002/003

  bool operator==(const clTrafficFilter&) const = default;
};

// One piece of a traffic window's text, as the window shows it: it begins a
// line of its own, holds no carriage return and no final line feed (the next
// piece starts a new line anyway). A header is shown regular in black, the
// decoded lines bold in blue (`highlighted`).
struct clTrafficFragment {
  std::string text;
  bool highlighted = false;
  bool firstOfRecord = false;  // the record's first piece
};

using clTrafficBatch = std::deque<clTrafficFragment>;

// Appends the pieces the window shows of `record` under `filter`; none when the
// filter hides the record:
// - with "Command" or "Change Of State" set, only the records they select (a
//   command, or a time-tagged change) are shown, whole, and line events as
//   header and description; the other two boxes then count for nothing;
// - otherwise "Raw Message" adds the header and "Translate" the description and
//   the element text (a single space for a record without objects).
void AppendTrafficFragments(const clTrafficRecord& record, const clTrafficFilter& filter,
                            clTrafficBatch* out);

// How much text to cut before a batch of pieces goes into a window's text, so
// that the result is what appending them one by one gives: before each piece,
// while the text is longer than `limit`, its first `cut` characters go (a cut
// below 1 counts as 1). Once per piece suffices whenever `cut` is at least as
// long as a piece; repeating keeps the text bounded when it is not.
// `pieceLengths` are the pieces' lengths as inserted, separators included.
struct clTrafficTrim {
  int64_t fromText = 0;   // characters to remove from the front of the text
  int64_t fromBatch = 0;  // then characters to skip at the front of the batch
};
clTrafficTrim PlanTrafficTrim(int64_t textLength, int64_t limit, int64_t cut,
                              const std::vector<int64_t>& pieceLengths);

// The drain of one device's traffic queue for its traffic window: a thread
// that, while started, takes every queued record, formats what the window's
// filter shows and keeps the pieces in a backlog that the window takes
// (Take) on its own thread. While started, the queue reports a running
// consumer, so the device builds records; stopped, it costs the device nothing.
//
// Threads: Start, Stop and the destructor on one controlling thread (the
// window's); SetFilter, SetBacklogLimit and Take from any thread. The queue
// must outlive the drain. The filter and the backlog are guarded by lock_, and
// records are formatted under it: pieces taken after SetFilter returned were
// all made with the new filter. The queue has its own lock.
class clTrafficDrain : private clThread {
 public:
  // Sleep between passes; a 115200-baud line fills at most 21 of the
  // queue's 255 places in that time.
  static constexpr uint32_t kPassIntervalMs = 10;
  // Backlog kept when nobody takes it, in characters.
  static constexpr size_t kDefaultBacklogLimit = 1 << 20;

  explicit clTrafficDrain(clTrafficQueue& queue);
  ~clTrafficDrain() override;

  // Drops what an earlier run left queued, marks the queue consumed and starts
  // the thread. False (nothing changed) when already started or when no thread
  // could be made.
  bool Start();
  // Ends the thread, whose waits end on the request at once, and formats what
  // is still queued; the queue is no longer consumed. Returns within one pass
  // (at most 255 records), far inside the 5000 ms a window waits.
  void Stop();
  bool IsStarted() const { return IsRunning(); }

  void SetFilter(const clTrafficFilter& filter);
  clTrafficFilter Filter();
  // When the backlog grows past this many characters (nobody took it in time),
  // its oldest records go, whole.
  void SetBacklogLimit(size_t characters);

  // Every piece formatted since the last call, oldest first. What a window
  // does not take (it was cleared) is gone for good.
  clTrafficBatch Take();

 protected:
  void Run() override;

 private:
  // Formats every queued record into the backlog; returns how many were taken.
  size_t DrainPass();
  void DropOldest();  // lock_ held

  clTrafficQueue& queue_;
  clLock lock_;
  clTrafficFilter filter_;                      // guarded by lock_
  clTrafficBatch backlog_;                      // guarded by lock_
  size_t backlogChars_ = 0;                     // guarded by lock_
  size_t backlogLimit_ = kDefaultBacklogLimit;  // guarded by lock_
};

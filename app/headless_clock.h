#pragma once
#include <atomic>
#include <csignal>
#include <cstdint>

// The end of a headless run: SIGINT, SIGTERM or SIGHUP, the run length passing,
// or End() from any thread (a closed standard output). Every wait of the run
// goes through here, so that whichever comes first ends it at once.
//
// Threads: construct it on the main thread before any other thread starts; the
// stop signals are then blocked in every thread and taken only through the
// clock. The waits belong to the main thread; End and Ended may be called from
// any thread.
class clHeadlessClock {
 public:
  // seconds < 0 means no run length. Also ignores SIGPIPE, so that a closed
  // output shows as a failed write instead of killing the process.
  explicit clHeadlessClock(double seconds);
  ~clHeadlessClock();
  clHeadlessClock(const clHeadlessClock&) = delete;
  clHeadlessClock& operator=(const clHeadlessClock&) = delete;

  // Waits up to ms (forever when ms < 0) for the end of the run; true when the
  // run has ended, false when ms passed first.
  bool WaitForEnd(int64_t ms);
  // Waits until fd has something to read (or its end); false when the run ended
  // first.
  bool WaitForInput(int fd);
  // Ends the run.
  void End();
  // Gives the stop signals back to their default action in the calling thread,
  // for the last part of a run that may wait on a slow output: a further signal
  // then ends the process at once.
  void ReleaseSignals();
  bool Ended() const { return ended_.load(std::memory_order_acquire); }
  // The signal that ended the run, 0 when none did.
  int EndingSignal() const { return endingSignal_.load(std::memory_order_relaxed); }

 private:
  // One wait in poll(): on the stop signals, End, and fd when fd >= 0.
  // Returns true when fd became readable.
  bool PollOnce(int fd, int64_t ms);
  int64_t MsToRunEnd() const;

  int signalFd_ = -1;
  int wakeFd_ = -1;  // eventfd written by End
  bool hasLength_;
  uint64_t endAtMs_ = 0;
  std::atomic<bool> ended_{false};
  std::atomic<int> endingSignal_{0};
};

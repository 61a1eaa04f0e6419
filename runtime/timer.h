#pragma once
#include <cstdint>

// A polled millisecond timer. Loops start it when they begin to wait and ask
// IsExpired on every pass. Period 0 disables it: Start then leaves it stopped.
// Owned by one thread; not locked.
class clTimer {
 public:
  clTimer() = default;
  explicit clTimer(uint32_t periodMs) : period_(periodMs) {}

  void Init(uint32_t periodMs) {
    period_ = periodMs;
    running_ = false;
  }
  void Start();
  void Stop() { running_ = false; }
  bool IsExpired() const;
  // Makes a running timer due now: the deadline moves back by one period.
  void ExpireNow();
  // Stores the period only; a running timer keeps its deadline until restarted.
  void SetPeriod(uint32_t periodMs) { period_ = periodMs; }

  uint32_t Period() const { return period_; }
  bool IsRunning() const { return running_; }
  // Milliseconds until the deadline (0 when due or not running).
  uint32_t RemainingMs() const;

 private:
  uint32_t period_ = 1000;
  uint64_t deadline_ = 0;
  bool running_ = false;
};

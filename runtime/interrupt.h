#pragma once
#include <atomic>
#include <chrono>
#include <cstdint>

// A stop request that blocking waits can end on: a worker thread's sleeps and
// the waits inside a serial port's Write (RTS delays, CTS, a stalled or
// draining line) return as soon as it is raised. It carries a descriptor that
// is readable while raised, so a poll() on a tty can wait on both at once.
//
// Threads: Raise may be called from any thread; Clear by the owner while no
// one waits; the waits from the worker.
class clInterrupt {
 public:
  using Clock = std::chrono::steady_clock;

  clInterrupt();
  ~clInterrupt();
  clInterrupt(const clInterrupt&) = delete;
  clInterrupt& operator=(const clInterrupt&) = delete;

  void Raise();
  void Clear();
  bool Raised() const { return raised_.load(std::memory_order_acquire); }
  // Readable (POLLIN) while raised; -1 when the system gave no descriptor, in
  // which case the waits below still work, in short slices.
  int Fd() const { return fd_; }

  // Waits until `deadline`; true when it came, false at once when raised.
  bool WaitUntil(Clock::time_point deadline) const;
  bool WaitFor(std::chrono::nanoseconds span) const { return WaitUntil(Clock::now() + span); }
  bool WaitMs(int64_t ms) const { return WaitFor(std::chrono::milliseconds(ms > 0 ? ms : 0)); }

 private:
  std::atomic<bool> raised_{false};
  int fd_ = -1;
};

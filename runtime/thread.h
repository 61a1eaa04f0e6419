#pragma once
#include <atomic>
#include <cstdint>
#include <thread>

#include "runtime/interrupt.h"

// Worker-thread base of every device. Run is the loop; it tests IsRunning before
// each pass and returns when it is false. Stop clears the flag, raises the stop
// request that ends every interruptible wait (SleepInterruptible, and the waits
// of a port opened with StopRequest()) and always joins, so the object is never
// destroyed while its thread may still run. Start/Stop are called from one
// controlling thread.
class clThread {
 public:
  clThread() = default;
  clThread(const clThread&) = delete;
  clThread& operator=(const clThread&) = delete;
  virtual ~clThread();

  // Starts the worker unless it already runs. Returns false when it already ran
  // or the system made no thread.
  bool Start();
  // Clears the running flag and joins the worker. Derived classes whose Run is
  // still working must call Stop in their own destructor, before their members go.
  void Stop();
  bool IsRunning() const { return running_.load(std::memory_order_acquire); }

 protected:
  virtual void Run() = 0;
  // Sleeps up to ms milliseconds; returns early (false) when Stop was asked.
  bool SleepInterruptible(uint32_t ms) { return stop_.WaitMs(ms); }
  // Raised by Stop, cleared by Start: hand it to the ports the worker uses.
  const clInterrupt& StopRequest() const { return stop_; }

 private:
  std::atomic<bool> running_{false};
  std::thread thread_;
  clInterrupt stop_;
};

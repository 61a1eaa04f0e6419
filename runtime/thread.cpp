#include "runtime/thread.h"

#include <chrono>

clThread::~clThread() { Stop(); }

bool clThread::Start() {
  if (IsRunning()) return false;
  if (thread_.joinable()) thread_.join();  // a loop that ended by itself
  running_.store(true, std::memory_order_release);
  thread_ = std::thread([this] {
    Run();
    // A loop that ends by itself (a lost port) leaves the device stopped.
    running_.store(false, std::memory_order_release);
  });
  return true;
}

void clThread::Stop() {
  {
    std::lock_guard<std::mutex> guard(wakeMutex_);
    running_.store(false, std::memory_order_release);
  }
  wake_.notify_all();
  // Joining (rather than abandoning after a time-out) is what keeps a stopped
  // device's thread from touching a destroyed object. Loops block only in bounded
  // reads and in SleepInterruptible, so the join is short.
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

bool clThread::SleepInterruptible(uint32_t ms) {
  std::unique_lock<std::mutex> lock(wakeMutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return !IsRunning(); });
}

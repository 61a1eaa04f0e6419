#include "runtime/thread.h"

#include <system_error>

clThread::~clThread() { Stop(); }

bool clThread::Start() {
  if (IsRunning()) return false;
  if (thread_.joinable()) thread_.join();  // a loop that ended by itself
  stop_.Clear();
  running_.store(true, std::memory_order_release);
  try {
    thread_ = std::thread([this] {
      Run();
      // A loop that ends by itself (a lost port) leaves the device stopped.
      running_.store(false, std::memory_order_release);
    });
  } catch (const std::system_error&) {
    // The system would not make another thread: stay stopped.
    running_.store(false, std::memory_order_release);
    return false;
  }
  return true;
}

void clThread::Stop() {
  running_.store(false, std::memory_order_release);
  stop_.Raise();
  // Joining (rather than abandoning after a time-out) is what keeps a stopped
  // device's thread from touching a destroyed object. Loops block only in bounded
  // reads and in interruptible waits, so the join is short.
  if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

#include "runtime/interrupt.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

namespace {
// Slice of a wait when there is no descriptor to poll.
constexpr auto kSlice = std::chrono::milliseconds(5);
}  // namespace

clInterrupt::clInterrupt() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

clInterrupt::~clInterrupt() {
  if (fd_ >= 0) close(fd_);
}

void clInterrupt::Raise() {
  raised_.store(true, std::memory_order_release);
  if (fd_ >= 0) {
    const uint64_t one = 1;
    // Only a full counter refuses, and that is readable already.
    [[maybe_unused]] ssize_t n = write(fd_, &one, sizeof one);
  }
}

void clInterrupt::Clear() {
  if (fd_ >= 0) {
    uint64_t count = 0;
    [[maybe_unused]] ssize_t n = read(fd_, &count, sizeof count);
  }
  raised_.store(false, std::memory_order_release);
}

bool clInterrupt::WaitUntil(Clock::time_point deadline) const {
  for (;;) {
    if (Raised()) return false;
    const Clock::time_point now = Clock::now();
    if (now >= deadline) return true;
    const auto left = std::chrono::duration_cast<std::chrono::nanoseconds>(deadline - now);
    if (fd_ < 0) {
      std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(left, kSlice));
      continue;
    }
    timespec span{static_cast<time_t>(left.count() / 1'000'000'000),
                  static_cast<long>(left.count() % 1'000'000'000)};
    pollfd p{fd_, POLLIN, 0};
    if (ppoll(&p, 1, &span, nullptr) < 0 && errno != EINTR)
      std::this_thread::sleep_for(std::min<std::chrono::nanoseconds>(left, kSlice));
  }
}

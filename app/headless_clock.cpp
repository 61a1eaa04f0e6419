#include "app/headless_clock.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "runtime/tick_clock.h"

namespace {

sigset_t StopSignals() {
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  sigaddset(&signals, SIGHUP);
  return signals;
}

// An endless wait still wakes once a second, to look at the run length again.
constexpr int64_t kLongestPollMs = 1000;

}  // namespace

clHeadlessClock::clHeadlessClock(double seconds) : hasLength_(seconds >= 0) {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
  signalFd_ = signalfd(-1, &signals, SFD_CLOEXEC | SFD_NONBLOCK);
  wakeFd_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (hasLength_) endAtMs_ = TickNowMs() + static_cast<uint64_t>(seconds * 1000.0);
}

clHeadlessClock::~clHeadlessClock() {
  if (signalFd_ >= 0) ::close(signalFd_);
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void clHeadlessClock::End() {
  ended_.store(true, std::memory_order_release);
  const uint64_t one = 1;
  // A full counter still wakes the waiter, so the result needs no check.
  if (wakeFd_ >= 0 && ::write(wakeFd_, &one, sizeof one) < 0) return;
}

int64_t clHeadlessClock::MsToRunEnd() const {
  if (!hasLength_) return kLongestPollMs;
  const uint64_t now = TickNowMs();
  return now >= endAtMs_ ? 0 : static_cast<int64_t>(endAtMs_ - now);
}

bool clHeadlessClock::PollOnce(int fd, int64_t ms) {
  const int64_t toEnd = MsToRunEnd();
  if (hasLength_ && toEnd == 0) {
    ended_.store(true, std::memory_order_release);
    return false;
  }
  int64_t waitMs = std::min({toEnd, kLongestPollMs, ms < 0 ? kLongestPollMs : ms});
  pollfd fds[3] = {{signalFd_, POLLIN, 0}, {wakeFd_, POLLIN, 0}, {fd, POLLIN, 0}};
  const int n = ::poll(fds, fd >= 0 ? 3 : 2, static_cast<int>(waitMs));
  if (n <= 0) return false;  // time passed, or EINTR: the caller looks again
  if (fds[0].revents & POLLIN) {
    signalfd_siginfo info{};
    if (::read(signalFd_, &info, sizeof info) == sizeof info)
      endingSignal_.store(static_cast<int>(info.ssi_signo), std::memory_order_relaxed);
    ended_.store(true, std::memory_order_release);
  }
  if (fds[1].revents & POLLIN) ended_.store(true, std::memory_order_release);
  return fd >= 0 && fds[2].revents != 0;
}

void clHeadlessClock::ReleaseSignals() {
  const sigset_t signals = StopSignals();
  pthread_sigmask(SIG_UNBLOCK, &signals, nullptr);
}

bool clHeadlessClock::WaitForEnd(int64_t ms) {
  const uint64_t start = TickNowMs();
  while (!Ended()) {
    int64_t left = -1;
    if (ms >= 0) {
      const uint64_t elapsed = TickNowMs() - start;
      if (elapsed >= static_cast<uint64_t>(ms)) return false;
      left = ms - static_cast<int64_t>(elapsed);
    }
    PollOnce(-1, left);
  }
  return true;
}

bool clHeadlessClock::WaitForInput(int fd) {
  while (!Ended()) {
    if (PollOnce(fd, -1)) return true;
  }
  return false;
}

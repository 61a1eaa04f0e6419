#include "runtime/timer.h"

#include "runtime/tick_clock.h"

void clTimer::Start() {
  if (period_ == 0) return;
  running_ = true;
  deadline_ = TickNowMs() + period_;
}

bool clTimer::IsExpired() const {
  if (!running_) return false;
  return TickNowMs() >= deadline_;
}

void clTimer::ExpireNow() {
  if (period_ == 0) return;
  deadline_ = deadline_ >= period_ ? deadline_ - period_ : 0;
}

uint32_t clTimer::RemainingMs() const {
  if (!running_) return 0;
  uint64_t now = TickNowMs();
  return now >= deadline_ ? 0 : static_cast<uint32_t>(deadline_ - now);
}

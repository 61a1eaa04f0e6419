#include "slave/slave_clock.h"

#include "runtime/tick_clock.h"

namespace {
class clSystemSlaveClock : public clSlaveClock {
 public:
  uint64_t TickMs() const override { return TickNowMs(); }
  clDateTime Now() const override { return LocalNow(); }
};
}  // namespace

const clSlaveClock& SystemSlaveClock() {
  static const clSystemSlaveClock clock;
  return clock;
}

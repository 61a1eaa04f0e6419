#pragma once
#include <cstdint>

#include "protocol/cp56time.h"

// Where the slave takes its times from: a monotonic millisecond tick for the
// link supervision, and the local wall-clock time for tag time stamps and the
// clock synchronisation answer. Tests pass their own to check time stamps to
// the millisecond and to let the 30 s supervision elapse without waiting.
// Both calls may come from the worker and from the user-interface thread, so an
// implementation must be safe to call from several threads.
class clSlaveClock {
 public:
  virtual ~clSlaveClock() = default;
  virtual uint64_t TickMs() const = 0;
  virtual clDateTime Now() const = 0;
};

// The computer's clocks.
const clSlaveClock& SystemSlaveClock();

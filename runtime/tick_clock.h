#pragma once
#include <cstdint>

// Milliseconds on a monotonic clock. Timers compare against this, so a step of the
// system time neither stalls nor fires them, and 64 bits never wrap in practice.
uint64_t TickNowMs();

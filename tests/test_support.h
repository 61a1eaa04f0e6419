// Helpers every test folder may use.
#pragma once
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <functional>
#include <thread>

namespace test_support {

// Waits until the condition holds, at most timeoutMs, looking every 5 ms;
// true when it held in time.
inline bool WaitFor(const std::function<bool()>& condition, int64_t timeoutMs = 10000) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

// Values travel as normalized words and single-precision floats, so a value
// shown at the far end matches within that rounding.
inline bool SameValue(double shown, double wanted) {
  return std::fabs(shown - wanted) <= 1e-4 * std::max(1.0, std::fabs(wanted));
}

}  // namespace test_support

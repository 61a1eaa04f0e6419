#pragma once
#include <array>
#include <atomic>
#include <cstdint>

// What a device's worker has done: frames each way, frames it rejected by kind,
// repeated exchanges and link restarts. The worker adds, anyone reads (the
// headless summary); each count is an independent relaxed atomic.
class clDeviceCounters {
 public:
  enum Counter : int32_t {
    kFramesSent,
    kFramesReceived,
    kInvalidFrames,   // octets that began no frame
    kChecksumErrors,  // a wrong checksum or end octet
    kTimeouts,        // no answer in time, or a frame left unfinished
    kOverflows,       // more octets than a frame holds
    kRetries,         // a master's repeated request; a slave's repeated answer
    kLinkRestarts,    // the link set up again after it was up (a master after a failure, a
                      // slave reset by its master)
    kCount
  };

  void Add(Counter c) { counts_[c].fetch_add(1, std::memory_order_relaxed); }
  uint64_t Get(Counter c) const { return counts_[c].load(std::memory_order_relaxed); }

 private:
  std::array<std::atomic<uint64_t>, kCount> counts_{};
};

#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string_view>
#include <vector>

#include "runtime/virtual_line_faults.h"

// What a virtual line port name stands for: cable 1..99, end A (side 0) or
// B (side 1), and whether it is the tap that copies what that end sends.
struct VirtualLineName {
  int32_t cable = 0;
  int32_t side = 0;
  bool tap = false;
};

// True when `name` is "VLINE<n>-A", "VLINE<n>-B", "VLINE<n>-A-TAP" or
// "VLINE<n>-B-TAP" in any letter case, with n from 1 to 99 written without a
// leading zero; fills `out` then. Any other name is not a virtual line.
bool ParseVirtualLineName(std::string_view name, VirtualLineName* out);

// How long one octet occupies the line, in half bit times so that 1.5 stop
// bits stay exact: start bit, data bits, parity bit if any, stop bits.
struct VirtualLineTiming {
  int32_t baudRate = 9600;
  int32_t halfBits = 22;  // 8 data bits, a parity bit, 1 stop bit

  // Line time of `octets` consecutive octets.
  std::chrono::nanoseconds LineTime(int64_t octets) const;
};

// One built-in null-modem cable. Octets sent at end A arrive at end B in
// order and vice versa; each end has a tap that receives a copy of what that
// end sends. Every octet carries its arrival time, the moment its stop bit
// has passed at the sender's line speed, and is readable only from then on.
//
// A real cable loses what is sent to an end that nobody has open, so octets
// are delivered only to endpoints open at the moment of sending; each
// endpoint holds at most kInboxCapacity unread octets and counts the rest as
// overflow. Closing an endpoint discards its unread input and wakes a reader
// still waiting on it; octets already under way to an open far end still
// arrive.
//
// Each direction can be given faults, as on a bad line between the sender's
// tap and the far end: noise flips one bit of an octet, drops lose octets, a
// cut loses everything in both directions. The taps always see what was sent.
// A fault decides the fate of an octet when it is sent, so a change applies
// to octets sent from then on; lost octets still take their line time and
// corrupted ones arrive at their normal time (clVirtualLineFaults has the
// draw order that makes runs repeatable).
//
// Threads: the endpoints are used by different device threads, the faults are
// set from a controlling thread; everything below is guarded by mutex_. Each
// endpoint has its own condition variable, so a write wakes only the readers
// of the endpoints it delivers to.
class clVirtualLine {
 public:
  using Clock = std::chrono::steady_clock;
  enum : int32_t { kEndA = 0, kEndB = 1, kTapA = 2, kTapB = 3, kEndpointCount = 4 };
  static constexpr size_t kInboxCapacity = size_t{1} << 20;

  // Faults drawn from seed 0 as cable 0 until SeedFaults says otherwise.
  clVirtualLine();

  static int32_t EndpointOf(const VirtualLineName& name) {
    return name.tap ? kTapA + name.side : kEndA + name.side;
  }

  // Opens an endpoint exclusively. Returns a session number (> 0) that the
  // other calls take, or 0 when the endpoint is already open.
  uint64_t Attach(int32_t endpoint);
  // Closes the endpoint if `session` still holds it; discards its input.
  void Detach(int32_t endpoint, uint64_t session);

  // Puts `count` octets on the line from `endpoint` and returns when the
  // last of them will have arrived. Octets follow one another without gap
  // from now or from the end of what this endpoint sent before, whichever is
  // later. A tap has no transmitter: what it sends reaches nobody. A sender
  // is never booked more than two days ahead, however much it sends.
  Clock::time_point Send(int32_t endpoint, const uint8_t* octets, int32_t count,
                         const VirtualLineTiming& timing);

  // Waits until `count` octets have arrived at the endpoint or `deadline`
  // passes, and moves the arrived ones (at most `count`) into `buffer`.
  // Returns how many, or -1 when the session is not (or no longer) open.
  // firstArrival, when given, gets the arrival time of the first octet moved.
  int32_t Receive(int32_t endpoint, uint64_t session, uint8_t* buffer, int32_t count,
                  Clock::time_point deadline, Clock::time_point* firstArrival = nullptr);

  // Discards the endpoint's unread input, also octets still under way.
  void Discard(int32_t endpoint, uint64_t session);

  // Octets refused so far because the endpoint's unread input was full.
  uint64_t OverflowCount(int32_t endpoint) const;

  // Faults of what end A (side 0) or end B (side 1) sends: each octet is
  // corrupted, or lost, with the given probability. False, and nothing
  // changes, for another side or a probability outside 0..1 or NaN.
  bool SetNoise(int32_t side, double probability);
  bool SetDrop(int32_t side, double probability);
  double Noise(int32_t side) const;  // 0 for another side
  double Drop(int32_t side) const;
  // The modem lines as an end sees them: CTS answers the end's own RTS at
  // once (a modem that is always ready), unless it is held low for `side`,
  // as a modem that never clears its sender to send. Taps send nothing and are
  // always clear.
  void HoldCts(int32_t side, bool held);
  bool ClearToSend(int32_t endpoint) const;
  // A cut cable carries nothing to either far end; the taps still see it.
  void SetCut(bool cut);
  bool IsCut() const;
  // No noise, no drops in either direction, not cut, CTS held nowhere.
  void ClearFaults();
  // What the line did to the octets `side` sent; all 0 for another side.
  VirtualLineCounters Counters(int32_t side) const;
  // Restarts both directions' draws from `seed` and this cable's number.
  void SeedFaults(uint64_t seed, int32_t cable);

 private:
  // Octets sent back to back at one timing from `start`, of which a run
  // beginning at place `first` arrives: octet i of the run (from 0) arrives
  // at start + timing.LineTime(first + i + 1), so octets lost before it do
  // not make it early.
  struct Burst {
    Clock::time_point start;
    VirtualLineTiming timing;
    int64_t first = 0;
    int64_t count = 0;
    int64_t taken = 0;
    Clock::time_point ArrivalOf(int64_t i) const { return start + timing.LineTime(first + i + 1); }
    Clock::time_point End() const { return ArrivalOf(count - 1); }
  };
  struct Inbox {
    uint64_t session = 0;  // 0 while closed
    std::deque<uint8_t> octets;
    std::deque<Burst> bursts;  // arrival times of `octets`, in order
    uint64_t overflow = 0;
    std::condition_variable ready;
  };

  bool Transmit(int32_t side, Inbox& far, Clock::time_point start, const VirtualLineTiming& timing,
                const uint8_t* octets, int32_t count);
  void Deliver(Inbox& inbox, Clock::time_point start, const VirtualLineTiming& timing,
               int64_t first, const uint8_t* octets, int32_t count);
  static int32_t TakeArrived(Inbox& inbox, Clock::time_point now, uint8_t* buffer, int32_t count,
                             Clock::time_point* firstArrival);
  static bool ArrivalOfPending(const Inbox& inbox, int64_t n, Clock::time_point* at);
  static void Clear(Inbox& inbox);

  mutable std::mutex mutex_;
  Inbox inboxes_[kEndpointCount];                 // guarded by mutex_
  Clock::time_point lineFreeAt_[kEndpointCount];  // guarded by mutex_
  uint64_t lastSession_ = 0;                      // guarded by mutex_
  clVirtualLineFaults faults_[2];                 // by sending side; guarded by mutex_
  bool cut_ = false;                              // guarded by mutex_
  bool ctsHeld_[2] = {false, false};              // by side; guarded by mutex_
  std::vector<uint8_t> carried_;  // Transmit's run of surviving octets; guarded by mutex_
};

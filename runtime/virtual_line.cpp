#include "runtime/virtual_line.h"

#include <algorithm>

#include "runtime/text_compare.h"

namespace {

constexpr std::string_view kPrefix = "VLINE";
constexpr std::string_view kTapSuffix = "-TAP";
constexpr int32_t kMaxCable = 99;
constexpr int64_t kNsPerSecond = 1'000'000'000;
// How far ahead a sender may book its line. Far beyond any real use (1 MiB
// at 110 baud is about 29 hours); it keeps every arrival time representable
// whatever counts and speeds a caller passes.
constexpr std::chrono::hours kMaxBacklog{48};  // two days

}  // namespace

bool ParseVirtualLineName(std::string_view name, VirtualLineName* out) {
  if (name.size() < kPrefix.size() || !EqualsNoCase(name.substr(0, kPrefix.size()), kPrefix))
    return false;
  name.remove_prefix(kPrefix.size());
  size_t digits = 0;
  int32_t cable = 0;
  while (digits < name.size() && digits < 3 && name[digits] >= '0' && name[digits] <= '9')
    cable = cable * 10 + (name[digits++] - '0');
  if (digits == 0 || name[0] == '0' || cable > kMaxCable) return false;
  name.remove_prefix(digits);

  VirtualLineName parsed;
  parsed.cable = cable;
  if (name.size() < 2 || name[0] != '-') return false;
  if (name[1] == 'a' || name[1] == 'A')
    parsed.side = 0;
  else if (name[1] == 'b' || name[1] == 'B')
    parsed.side = 1;
  else
    return false;
  name.remove_prefix(2);
  if (!name.empty()) {
    if (!EqualsNoCase(name, kTapSuffix)) return false;
    parsed.tap = true;
  }
  if (out != nullptr) *out = parsed;
  return true;
}

std::chrono::nanoseconds VirtualLineTiming::LineTime(int64_t octets) const {
  if (baudRate <= 0 || octets <= 0 || halfBits <= 0) return std::chrono::nanoseconds(0);
  // Exact per octet count, so long bursts do not accumulate rounding.
  const __int128 ns =
      static_cast<__int128>(octets) * halfBits * kNsPerSecond / (2 * int64_t{baudRate});
  const int64_t maxNs = std::chrono::nanoseconds(kMaxBacklog).count();
  return std::chrono::nanoseconds(ns > maxNs ? maxNs : static_cast<int64_t>(ns));
}

clVirtualLine::clVirtualLine() { SeedFaults(0, 0); }

uint64_t clVirtualLine::Attach(int32_t endpoint) {
  std::lock_guard<std::mutex> lock(mutex_);
  Inbox& inbox = inboxes_[endpoint];
  if (inbox.session != 0) return 0;
  Clear(inbox);
  inbox.session = ++lastSession_;
  return inbox.session;
}

void clVirtualLine::Detach(int32_t endpoint, uint64_t session) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Inbox& inbox = inboxes_[endpoint];
    if (session == 0 || inbox.session != session) return;
    inbox.session = 0;
    Clear(inbox);
  }
  // Only a reader of this very session can be waiting here; it returns -1.
  inboxes_[endpoint].ready.notify_all();
}

void clVirtualLine::Clear(Inbox& inbox) {
  inbox.octets.clear();
  inbox.bursts.clear();
}

clVirtualLine::Clock::time_point clVirtualLine::Send(int32_t endpoint, const uint8_t* octets,
                                                     int32_t count,
                                                     const VirtualLineTiming& timing) {
  Inbox* targets[2] = {nullptr, nullptr};
  Clock::time_point end;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    const Clock::time_point now = Clock::now();
    const Clock::time_point start = std::max(now, lineFreeAt_[endpoint]);
    if (count <= 0) return start;
    end = std::min(start + timing.LineTime(count), now + kMaxBacklog);
    lineFreeAt_[endpoint] = end;
    if (endpoint == kEndA || endpoint == kEndB) {
      const int32_t side = endpoint - kEndA;
      // The tap sits at the sender and sees what was sent; the line's faults
      // lie between it and the far end. Nobody listening loses the octets,
      // as on a cable.
      Inbox& tap = inboxes_[kTapA + side];
      if (tap.session != 0) {
        Deliver(tap, start, timing, 0, octets, count);
        targets[0] = &tap;
      }
      Inbox& far = inboxes_[endpoint == kEndA ? kEndB : kEndA];
      if (Transmit(side, far, start, timing, octets, count)) targets[1] = &far;
    }
  }
  for (Inbox* target : targets)
    if (target != nullptr) target->ready.notify_all();
  return end;
}

// Carries what `side` sent through its faults to the far end's inbox. Every
// octet draws its fate, also when the far end is closed, so the draws follow
// the octets sent and nothing else. True when something was delivered.
bool clVirtualLine::Transmit(int32_t side, Inbox& far, Clock::time_point start,
                             const VirtualLineTiming& timing, const uint8_t* octets,
                             int32_t count) {
  clVirtualLineFaults& faults = faults_[side];
  const bool listening = far.session != 0;
  if (cut_ || faults.Clean()) {
    faults.Skip(count, cut_);
    if (!listening || cut_) return false;
    Deliver(far, start, timing, 0, octets, count);
    return true;
  }
  // Surviving octets go in runs between lost ones, each octet keeping its
  // place on the line.
  bool delivered = false;
  int32_t runFirst = 0;
  auto endRun = [&] {
    if (listening && !carried_.empty()) {
      Deliver(far, start, timing, runFirst, carried_.data(), static_cast<int32_t>(carried_.size()));
      delivered = true;
    }
    carried_.clear();
  };
  carried_.clear();
  for (int32_t i = 0; i < count; ++i) {
    uint8_t octet = octets[i];
    if (!faults.Carry(&octet)) {
      endRun();
      continue;
    }
    if (carried_.empty()) runFirst = i;
    carried_.push_back(octet);
  }
  endRun();
  return delivered;
}

void clVirtualLine::Deliver(Inbox& inbox, Clock::time_point start, const VirtualLineTiming& timing,
                            int64_t first, const uint8_t* octets, int32_t count) {
  const size_t room = kInboxCapacity - std::min(kInboxCapacity, inbox.octets.size());
  const int32_t accepted = static_cast<int32_t>(std::min<size_t>(room, static_cast<size_t>(count)));
  inbox.overflow += static_cast<uint64_t>(count - accepted);
  if (accepted == 0) return;
  inbox.octets.insert(inbox.octets.end(), octets, octets + accepted);
  // Octets that follow the previous burst without a gap extend it, so a
  // stream of small writes on a busy line costs no bookkeeping per write.
  if (first == 0 && !inbox.bursts.empty()) {
    Burst& last = inbox.bursts.back();
    if (last.timing.baudRate == timing.baudRate && last.timing.halfBits == timing.halfBits &&
        last.End() == start) {
      last.count += accepted;
      return;
    }
  }
  inbox.bursts.push_back(Burst{start, timing, first, accepted, 0});
}

int32_t clVirtualLine::TakeArrived(Inbox& inbox, Clock::time_point now, uint8_t* buffer,
                                   int32_t count, Clock::time_point* firstArrival) {
  int32_t got = 0;
  while (got < count && !inbox.bursts.empty()) {
    Burst& burst = inbox.bursts.front();
    while (got < count && burst.taken < burst.count && burst.ArrivalOf(burst.taken) <= now) {
      if (got == 0 && firstArrival != nullptr) *firstArrival = burst.ArrivalOf(burst.taken);
      buffer[got++] = inbox.octets.front();
      inbox.octets.pop_front();
      ++burst.taken;
    }
    if (burst.taken < burst.count) break;  // the rest is still on the line
    inbox.bursts.pop_front();
  }
  return got;
}

bool clVirtualLine::ArrivalOfPending(const Inbox& inbox, int64_t n, Clock::time_point* at) {
  for (const Burst& burst : inbox.bursts) {
    const int64_t left = burst.count - burst.taken;
    if (n <= left) {
      *at = burst.ArrivalOf(burst.taken + n - 1);
      return true;
    }
    n -= left;
  }
  return false;
}

int32_t clVirtualLine::Receive(int32_t endpoint, uint64_t session, uint8_t* buffer, int32_t count,
                               Clock::time_point deadline, Clock::time_point* firstArrival) {
  std::unique_lock<std::mutex> lock(mutex_);
  Inbox& inbox = inboxes_[endpoint];
  int32_t got = 0;
  for (;;) {
    if (session == 0 || inbox.session != session) return -1;
    if (count <= 0 || buffer == nullptr) return 0;
    const Clock::time_point now = Clock::now();
    got += TakeArrived(inbox, now, buffer + got, count - got, got == 0 ? firstArrival : nullptr);
    if (got == count || now >= deadline) return got;
    // Sleep until the octet that completes the read arrives, or until the
    // deadline when it has not been sent yet; a new send wakes us earlier.
    Clock::time_point wake = deadline;
    Clock::time_point completes;
    if (ArrivalOfPending(inbox, count - got, &completes)) wake = std::min(wake, completes);
    inbox.ready.wait_until(lock, wake);
  }
}

void clVirtualLine::Discard(int32_t endpoint, uint64_t session) {
  std::lock_guard<std::mutex> lock(mutex_);
  Inbox& inbox = inboxes_[endpoint];
  if (session != 0 && inbox.session == session) Clear(inbox);
}

uint64_t clVirtualLine::OverflowCount(int32_t endpoint) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return inboxes_[endpoint].overflow;
}

namespace {
bool IsSide(int32_t side) { return side == 0 || side == 1; }
}  // namespace

bool clVirtualLine::SetNoise(int32_t side, double probability) {
  std::lock_guard<std::mutex> lock(mutex_);
  return IsSide(side) && faults_[side].SetNoise(probability);
}

bool clVirtualLine::SetDrop(int32_t side, double probability) {
  std::lock_guard<std::mutex> lock(mutex_);
  return IsSide(side) && faults_[side].SetDrop(probability);
}

double clVirtualLine::Noise(int32_t side) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return IsSide(side) ? faults_[side].Noise() : 0.0;
}

double clVirtualLine::Drop(int32_t side) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return IsSide(side) ? faults_[side].Drop() : 0.0;
}

void clVirtualLine::HoldCts(int32_t side, bool held) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (IsSide(side)) ctsHeld_[side] = held;
}

bool clVirtualLine::ClearToSend(int32_t endpoint) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return endpoint != kEndA && endpoint != kEndB ? true : !ctsHeld_[endpoint - kEndA];
}

void clVirtualLine::SetCut(bool cut) {
  std::lock_guard<std::mutex> lock(mutex_);
  cut_ = cut;
}

bool clVirtualLine::IsCut() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return cut_;
}

void clVirtualLine::ClearFaults() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (clVirtualLineFaults& faults : faults_) faults.Clear();
  cut_ = false;
  ctsHeld_[0] = ctsHeld_[1] = false;
}

VirtualLineCounters clVirtualLine::Counters(int32_t side) const {
  std::lock_guard<std::mutex> lock(mutex_);
  return IsSide(side) ? faults_[side].Counters() : VirtualLineCounters{};
}

void clVirtualLine::SeedFaults(uint64_t seed, int32_t cable) {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int32_t side = 0; side < 2; ++side) faults_[side].Seed(seed, cable, side);
}

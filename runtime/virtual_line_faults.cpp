#include "runtime/virtual_line_faults.h"

namespace {

// SplitMix64: the state steps by the golden-ratio constant, the output is the
// state through a 64-bit finaliser.
constexpr uint64_t kGamma = 0x9E3779B97F4A7C15u;
constexpr int32_t kDrawsPerOctet = 2;
constexpr int kFractionBits = 53;  // a double holds 53 bits exactly
constexpr uint64_t kBitIndexMask = 7;

uint64_t Mix(uint64_t z) {
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9u;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBu;
  return z ^ (z >> 31);
}

// The draw's top 53 bits as a fraction of [0, 1): below 1.0 always, so
// probability 1 hits every octet and probability 0 none.
double Fraction(uint64_t draw) {
  return static_cast<double>(draw >> (64 - kFractionBits)) * (1.0 / (uint64_t{1} << kFractionBits));
}

bool IsProbability(double p) { return p >= 0.0 && p <= 1.0; }  // false for NaN

}  // namespace

void clVirtualLineFaults::Seed(uint64_t seed, int32_t cable, int32_t side) {
  // Mixing twice puts every cable direction of every seed at its own,
  // unrelated place in the generator's cycle.
  state_ = Mix(Mix(seed) ^ (static_cast<uint64_t>(cable) * 2 + static_cast<uint64_t>(side)));
}

bool clVirtualLineFaults::SetNoise(double probability) {
  if (!IsProbability(probability)) return false;
  noise_ = probability;
  return true;
}

bool clVirtualLineFaults::SetDrop(double probability) {
  if (!IsProbability(probability)) return false;
  drop_ = probability;
  return true;
}

void clVirtualLineFaults::Clear() {
  noise_ = 0.0;
  drop_ = 0.0;
}

uint64_t clVirtualLineFaults::Next() {
  state_ += kGamma;
  return Mix(state_);
}

void clVirtualLineFaults::Skip(int64_t count, bool lost) {
  if (count <= 0) return;
  const uint64_t n = static_cast<uint64_t>(count);
  state_ += kGamma * kDrawsPerOctet * n;  // wraps modulo 2^64, as the steps do
  counters_.sent += n;
  if (lost) counters_.dropped += n;
}

bool clVirtualLineFaults::Carry(uint8_t* octet) {
  const uint64_t dropDraw = Next();
  const uint64_t noiseDraw = Next();
  ++counters_.sent;
  if (Fraction(dropDraw) < drop_) {
    ++counters_.dropped;
    return false;
  }
  if (Fraction(noiseDraw) < noise_) {
    *octet = static_cast<uint8_t>(*octet ^ (1u << (noiseDraw & kBitIndexMask)));
    ++counters_.corrupted;
  }
  return true;
}

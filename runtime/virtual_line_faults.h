#pragma once
#include <cstdint>

// What the line did to the octets one end sent.
struct VirtualLineCounters {
  uint64_t sent = 0;       // every octet the end put on the line, heard or not
  uint64_t corrupted = 0;  // carried with one bit flipped
  uint64_t dropped = 0;    // lost on the way, also while the cable was cut
};

// The faults of one direction of a virtual cable: what happens between the
// sender's tap and the far end to the octets one end sends.
//
// Every octet sent draws exactly two numbers from this direction's
// generator, in this order, whatever faults are set: the first decides
// whether the octet is lost (it is when the number's top 53 bits, as a
// fraction of [0, 1), are below the drop probability), the second whether it
// is corrupted (its top 53 bits against the noise probability) and which bit
// flips (its lowest 3 bits: bit 0..7 of the octet). A lost octet is not also
// counted as corrupted. An octet sent over a cut cable is lost and its two
// draws go unused. So the fate of the k-th octet a direction sends after the
// seed was set depends only on the seed, the cable, the direction and the
// faults in force when it was sent: the same seed and the same octets give
// the same faults, however the octets are split into writes.
//
// The generator is SplitMix64, whose state advances by a constant per draw,
// so octets sent while the direction is clean or the cable cut pass their
// draws at no cost.
//
// Threads: not thread-safe; the cable guards it with its own mutex.
class clVirtualLineFaults {
 public:
  // Restarts the draws: the generator is seeded from the process-wide seed,
  // the cable number and the sending side (0 for end A, 1 for end B).
  // Probabilities and counters are kept.
  void Seed(uint64_t seed, int32_t cable, int32_t side);

  // Probabilities from 0 to 1; anything else (also NaN) is refused with
  // false and changes nothing.
  bool SetNoise(double probability);
  bool SetDrop(double probability);
  double Noise() const { return noise_; }
  double Drop() const { return drop_; }
  // No noise, no drops.
  void Clear();

  // True when octets sent now reach the far end exactly as sent.
  bool Clean() const { return noise_ == 0.0 && drop_ == 0.0; }
  // Passes `count` octets on a clean direction (`lost` false) or loses them
  // all to a cut (`lost` true), advancing the draws as Carry would.
  void Skip(int64_t count, bool lost);
  // Draws the fate of the next octet sent: false when it is lost, otherwise
  // true with `*octet` as it arrives (possibly with one bit flipped).
  bool Carry(uint8_t* octet);

  const VirtualLineCounters& Counters() const { return counters_; }

 private:
  uint64_t Next();

  uint64_t state_ = 0;
  double noise_ = 0.0;
  double drop_ = 0.0;
  VirtualLineCounters counters_;
};

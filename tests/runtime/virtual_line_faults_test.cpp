#include "runtime/virtual_line_faults.h"

#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <chrono>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/serial_port.h"
#include "runtime/virtual_line.h"
#include "runtime/virtual_line_command.h"
#include "runtime/virtual_lines.h"

namespace {

using Clock = clVirtualLine::Clock;
using Bytes = std::vector<uint8_t>;
using Words = std::vector<std::string>;
using Ms = std::chrono::duration<double, std::milli>;

constexpr int32_t kA = clVirtualLine::kEndA;
constexpr int32_t kB = clVirtualLine::kEndB;
constexpr int32_t kFromA = 0;
constexpr int32_t kFromB = 1;
constexpr VirtualLineTiming kFast{1'000'000'000, 20};  // 10 ns an octet: arrives at once
constexpr VirtualLineTiming k9600{9600, 22};           // 8E1, about 1.15 ms an octet

Bytes Pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7 + (i >> 8));
  return b;
}

double MsSince(Clock::time_point start) { return Ms(Clock::now() - start).count(); }

// A cable of its own with both ends and both taps open.
struct TestCable {
  clVirtualLine line;
  uint64_t session[clVirtualLine::kEndpointCount] = {};

  TestCable() {
    for (int32_t e = 0; e < clVirtualLine::kEndpointCount; ++e) session[e] = line.Attach(e);
  }
  // Sends from `end` and returns once the last octet has arrived.
  void Send(int32_t end, const Bytes& b, const VirtualLineTiming& timing = kFast) {
    std::this_thread::sleep_until(line.Send(end, b.data(), static_cast<int32_t>(b.size()), timing));
  }
  // Everything that has arrived at the endpoint, without waiting.
  Bytes Take(int32_t endpoint) {
    Bytes out(1 << 16);
    const int32_t n = line.Receive(endpoint, session[endpoint], out.data(),
                                   static_cast<int32_t>(out.size()), Clock::now());
    out.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return out;
  }
};

bool IsSubsequence(const Bytes& part, const Bytes& whole) {
  size_t at = 0;
  for (uint8_t b : whole)
    if (at < part.size() && part[at] == b) ++at;
  return at == part.size();
}

TEST(VirtualLineFaultsTest, NoiseOneFlipsExactlyOneBitOfEveryOctetWhileTheTapSeesTheOriginal) {
  TestCable cable;
  ASSERT_TRUE(cable.line.SetNoise(kFromA, 1.0));
  const Bytes sent = Pattern(4000, 3);
  cable.Send(kA, sent);
  EXPECT_EQ(cable.Take(clVirtualLine::kTapA), sent);
  const Bytes got = cable.Take(kB);
  ASSERT_EQ(got.size(), sent.size());
  int flipsAtBit[8] = {};
  for (size_t i = 0; i < sent.size(); ++i) {
    const unsigned diff = static_cast<unsigned>(got[i] ^ sent[i]);
    ASSERT_EQ(std::popcount(diff), 1) << "octet " << i;
    ++flipsAtBit[std::countr_zero(diff)];
  }
  for (int bit = 0; bit < 8; ++bit) EXPECT_GT(flipsAtBit[bit], 400) << "bit " << bit;
  const VirtualLineCounters c = cable.line.Counters(kFromA);
  EXPECT_EQ(c.sent, 4000u);
  EXPECT_EQ(c.corrupted, 4000u);
  EXPECT_EQ(c.dropped, 0u);
}

// Probabilities hit their share of 20,000 octets to within six standard
// deviations; the counters agree with what arrived.
TEST(VirtualLineFaultsTest, FaultsHitTheirShareOfOctetsAndTheCountersAgreeWithWhatArrived) {
  struct Case {
    double noise, drop;
  };
  const Case cases[] = {{0.1, 0}, {0, 0.5}, {0, 1}, {0.1, 0.5}, {0.01, 0.01}, {1, 0.2}};
  constexpr size_t kOctets = 20000;
  const Bytes sent = Pattern(kOctets, 0x21);
  uint64_t seed = 11;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "noise " << c.noise << " drop " << c.drop);
    TestCable cable;
    cable.line.SeedFaults(seed++, 50);
    ASSERT_TRUE(cable.line.SetNoise(kFromA, c.noise));
    ASSERT_TRUE(cable.line.SetDrop(kFromA, c.drop));
    cable.Send(kA, sent);
    EXPECT_EQ(cable.Take(clVirtualLine::kTapA), sent);
    const Bytes got = cable.Take(kB);
    const VirtualLineCounters n = cable.line.Counters(kFromA);
    EXPECT_EQ(n.sent, kOctets);
    EXPECT_EQ(n.dropped, kOctets - got.size());
    auto expectNear = [](double count, double trials, double p) {
      EXPECT_NEAR(count, trials * p, 6 * std::sqrt(trials * p * (1 - p)) + 0.5);
    };
    expectNear(static_cast<double>(n.dropped), kOctets, c.drop);
    expectNear(static_cast<double>(n.corrupted), static_cast<double>(got.size()), c.noise);
    if (c.noise == 0) {
      EXPECT_TRUE(IsSubsequence(got, sent)) << "drops lose octets, never reorder or change them";
    }
    if (c.drop == 0) {
      ASSERT_EQ(got.size(), sent.size());
      uint64_t differing = 0;
      for (size_t i = 0; i < kOctets; ++i) {
        const int bits = std::popcount(static_cast<unsigned>(got[i] ^ sent[i]));
        EXPECT_LE(bits, 1) << "octet " << i;
        differing += bits == 1 ? 1 : 0;
      }
      EXPECT_EQ(differing, n.corrupted);
    }
  }
}

TEST(VirtualLineFaultsTest, LostOctetsKeepTheirLineTimeAndSurvivorsArriveInTheirOwnSlots) {
  TestCable cable;
  ASSERT_TRUE(cable.line.SetDrop(kFromA, 0.5));
  Bytes sent(100);
  for (size_t i = 0; i < sent.size(); ++i) sent[i] = static_cast<uint8_t>(i);
  const Clock::time_point start = Clock::now();
  const Clock::time_point end = cable.line.Send(kA, sent.data(), 100, k9600);
  const double slotMs = Ms(k9600.LineTime(1)).count();
  EXPECT_GE(Ms(end - start).count(), 100 * slotMs)
      << "the sender's line stays busy for every octet it sent";
  int previous = -1;
  int received = 0;
  uint8_t octet = 0;
  while (cable.line.Receive(kB, cable.session[kB], &octet, 1,
                            end + std::chrono::milliseconds(50)) == 1) {
    const double atMs = MsSince(start);
    ASSERT_GT(octet, previous);
    EXPECT_GE(atMs, (octet + 1) * slotMs) << "octet " << int{octet} << " came early";
    previous = octet;
    ++received;
  }
  EXPECT_EQ(received + cable.line.Counters(kFromA).dropped, 100u);
  EXPECT_GT(received, 20);
  EXPECT_LT(received, 80);

  // Everything lost, yet the next octet waits for the line time of all of it;
  // corrupted octets arrive on time.
  ASSERT_TRUE(cable.line.SetDrop(kFromA, 1.0));
  const Clock::time_point again = Clock::now();
  cable.line.Send(kA, sent.data(), 50, k9600);
  ASSERT_TRUE(cable.line.SetDrop(kFromA, 0.0));
  ASSERT_TRUE(cable.line.SetNoise(kFromA, 1.0));
  cable.line.Send(kA, sent.data(), 1, k9600);
  ASSERT_EQ(cable.line.Receive(kB, cable.session[kB], &octet, 1, again + std::chrono::seconds(1)),
            1);
  EXPECT_GE(MsSince(again), 51 * slotMs);
  EXPECT_EQ(std::popcount(static_cast<unsigned>(octet ^ sent[0])), 1);
  EXPECT_EQ(cable.Take(clVirtualLine::kTapA).size(), 151u);
}

TEST(VirtualLineFaultsTest, FaultsOfOneDirectionLeaveTheOtherUntouched) {
  struct Case {
    int32_t faultySide;
    bool noise;  // else drop
  };
  const Case cases[] = {{kFromA, true}, {kFromA, false}, {kFromB, true}, {kFromB, false}};
  const Bytes sent = Pattern(500, 0x40);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "side " << c.faultySide << " noise " << c.noise);
    TestCable cable;
    ASSERT_TRUE(c.noise ? cable.line.SetNoise(c.faultySide, 1.0)
                        : cable.line.SetDrop(c.faultySide, 1.0));
    cable.Send(kA, sent);
    cable.Send(kB, sent);
    const int32_t faultyFar = c.faultySide == kFromA ? kB : kA;
    const int32_t cleanFar = c.faultySide == kFromA ? kA : kB;
    EXPECT_EQ(cable.Take(cleanFar), sent);
    const Bytes hit = cable.Take(faultyFar);
    if (c.noise) {
      ASSERT_EQ(hit.size(), sent.size());
      EXPECT_NE(hit, sent);
    } else {
      EXPECT_TRUE(hit.empty());
    }
    const VirtualLineCounters clean = cable.line.Counters(1 - c.faultySide);
    EXPECT_EQ(clean.sent, 500u);
    EXPECT_EQ(clean.corrupted + clean.dropped, 0u);
    EXPECT_EQ(cable.line.Counters(c.faultySide).sent, 500u);
  }
}

std::unique_ptr<clSerialPort> OpenPort(const std::string& name) {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(name);
  port->SetBaudRate(9600);
  EXPECT_EQ(port->Open(), 0) << name;
  return port;
}

Bytes ReadPort(clSerialPort& port, size_t n, int32_t timeoutMs) {
  Bytes out;
  uint8_t b = 0;
  while (out.size() < n && port.Read(&b, 1, timeoutMs) == 1) out.push_back(b);
  return out;
}

// Through the port names and the script commands, as a test run uses them.
TEST(VirtualLineFaultsTest, CutCarriesNothingToTheFarEndsRestoreAndClearBringTheLineBack) {
  std::string error;
  auto a = OpenPort("VLINE90-A");
  auto b = OpenPort("VLINE90-B");
  auto tapA = OpenPort("VLINE90-A-TAP");
  auto tapB = OpenPort("VLINE90-B-TAP");
  clVirtualLine& line = *clVirtualLines::Instance().Cable(90);
  const VirtualLineCounters beforeA = line.Counters(kFromA);
  const Bytes frame = {0x10, 0x49, 0x01, 0x4A, 0x16};
  auto send = [](clSerialPort& port, const Bytes& f) {
    ASSERT_EQ(port.Write(f.data(), static_cast<int32_t>(f.size())), static_cast<int32_t>(f.size()));
  };

  ASSERT_TRUE(ApplyLineCommand({"90", "cut"}, &error)) << error;
  EXPECT_TRUE(line.IsCut());
  send(*a, frame);
  send(*b, frame);
  EXPECT_TRUE(ReadPort(*b, 5, 30).empty());
  EXPECT_TRUE(ReadPort(*a, 5, 30).empty());
  EXPECT_EQ(ReadPort(*tapA, 5, 100), frame) << "the tap sits at the sender";
  EXPECT_EQ(ReadPort(*tapB, 5, 100), frame);
  EXPECT_EQ(line.Counters(kFromA).dropped - beforeA.dropped, 5u);
  EXPECT_EQ(line.Counters(kFromA).sent - beforeA.sent, 5u);

  ASSERT_TRUE(ApplyLineCommand({"90", "restore"}, &error)) << error;
  send(*a, frame);
  EXPECT_EQ(ReadPort(*b, 5, 100), frame);
  // A fault decides an octet's fate when it is sent: a frame already on the
  // line when the cable is cut still arrives.
  send(*b, frame);
  ASSERT_TRUE(ApplyLineCommand({"90", "cut"}, &error)) << error;
  EXPECT_EQ(ReadPort(*a, 5, 100), frame);

  ASSERT_TRUE(ApplyLineCommand({"90", "noise", "both", "1"}, &error)) << error;
  ASSERT_TRUE(ApplyLineCommand({"90", "drop", "A", "0.5"}, &error)) << error;
  ASSERT_TRUE(ApplyLineCommand({"90", "clear"}, &error)) << error;
  EXPECT_FALSE(line.IsCut());
  EXPECT_EQ(line.Noise(kFromA) + line.Noise(kFromB) + line.Drop(kFromA) + line.Drop(kFromB), 0.0);
  send(*a, frame);
  send(*b, frame);
  EXPECT_EQ(ReadPort(*b, 5, 100), frame);
  EXPECT_EQ(ReadPort(*a, 5, 100), frame);
}

// What end A of process cable 91 delivers to end B for `sent`, written in
// pieces of `piece` octets, after the seed is set.
Bytes RunWithSeed(uint64_t seed, const Bytes& sent, size_t piece, int32_t from = kA) {
  clVirtualLines::SetFaultSeed(seed);
  clVirtualLine& line = *clVirtualLines::Instance().Cable(91);
  const int32_t to = from == kA ? kB : kA;
  const uint64_t session = line.Attach(to);
  EXPECT_NE(session, 0u);
  EXPECT_TRUE(line.SetNoise(from - kA, 0.2));
  EXPECT_TRUE(line.SetDrop(from - kA, 0.2));
  Clock::time_point end = Clock::now();
  for (size_t at = 0; at < sent.size(); at += piece)
    end = line.Send(from, sent.data() + at, static_cast<int32_t>(std::min(piece, sent.size() - at)),
                    kFast);
  std::this_thread::sleep_until(end);
  Bytes got(sent.size());
  const int32_t n =
      line.Receive(to, session, got.data(), static_cast<int32_t>(got.size()), Clock::now());
  got.resize(n > 0 ? static_cast<size_t>(n) : 0);
  line.Detach(to, session);
  line.ClearFaults();
  return got;
}

TEST(VirtualLineFaultsTest, TheSameSeedRepeatsTheFaultsExactlyAnotherSeedDoesNot) {
  const Bytes sent = Pattern(3000, 0x05);
  const Bytes first = RunWithSeed(7, sent, 3000);
  EXPECT_EQ(clVirtualLines::FaultSeed(), 7u);
  EXPECT_NE(first.size(), sent.size());
  EXPECT_EQ(RunWithSeed(7, sent, 1), first) << "one octet per write";
  EXPECT_EQ(RunWithSeed(7, sent, 37), first);
  EXPECT_NE(RunWithSeed(8, sent, 3000), first);
  EXPECT_NE(RunWithSeed(7, sent, 3000, kB), first) << "each direction draws on its own";
  clVirtualLines::SetFaultSeed(0);
}

// Octets sent while a direction is clean use up their draws exactly as
// faulty ones do, so setting a fault later does not shift the draws.
TEST(VirtualLineFaultsTest, CleanAndCutOctetsUseUpTheirDrawsLikeFaultyOnes) {
  const Bytes sent = Pattern(2000, 0x77);
  auto fates = [&](clVirtualLineFaults& f) {
    EXPECT_TRUE(f.SetNoise(0.3));
    EXPECT_TRUE(f.SetDrop(0.3));
    Bytes out;
    for (uint8_t b : sent) out.push_back(f.Carry(&b) ? b : 0);  // 0 marks a lost octet
    return out;
  };
  clVirtualLineFaults drawn, skipped, cut;
  for (clVirtualLineFaults* f : {&drawn, &skipped, &cut}) f->Seed(5, 3, 1);
  ASSERT_TRUE(drawn.SetNoise(1e-300));  // not clean, yet never hits
  for (int i = 0; i < 1000; ++i) {
    uint8_t b = 0x55;
    ASSERT_TRUE(drawn.Carry(&b));
    ASSERT_EQ(b, 0x55);
  }
  skipped.Skip(600, false);
  skipped.Skip(400, false);
  cut.Skip(1000, true);
  const Bytes reference = fates(drawn);
  EXPECT_EQ(fates(skipped), reference);
  EXPECT_EQ(fates(cut), reference);
  EXPECT_EQ(cut.Counters().dropped - skipped.Counters().dropped, 1000u);
  EXPECT_EQ(skipped.Counters().sent, 3000u);
}

TEST(VirtualLineFaultsTest, ProbabilitiesOutsideZeroToOneAndOtherSidesAreRefused) {
  clVirtualLine line;
  ASSERT_TRUE(line.SetNoise(kFromA, 0.25));
  ASSERT_TRUE(line.SetDrop(kFromB, 0.75));
  const double refused[] = {-0.1,
                            1.0000001,
                            -1e-300,
                            std::nan(""),
                            std::numeric_limits<double>::infinity(),
                            -std::numeric_limits<double>::infinity()};
  for (double p : refused) {
    EXPECT_FALSE(line.SetNoise(kFromA, p)) << p;
    EXPECT_FALSE(line.SetDrop(kFromB, p)) << p;
  }
  EXPECT_FALSE(line.SetNoise(2, 0.5));
  EXPECT_FALSE(line.SetDrop(-1, 0.5));
  EXPECT_EQ(line.Noise(kFromA), 0.25);
  EXPECT_EQ(line.Drop(kFromB), 0.75);
  EXPECT_EQ(line.Noise(kFromB) + line.Drop(kFromA), 0.0);
  for (double p : {0.0, 1.0, 0.5}) EXPECT_TRUE(line.SetNoise(kFromB, p)) << p;
}

TEST(VirtualLineCommandTest, ParsesEveryCommandAndNamesWhatIsWrongWithABadOne) {
  struct Good {
    Words words;
    int32_t cable;
    VirtualLineCommand::Action action;
    bool fromA, fromB;
    double probability;
  };
  const Good good[] = {
      {{"5", "noise", "A", "0.01"}, 5, VirtualLineCommand::kNoise, true, false, 0.01},
      {{"99", "DROP", "both", "1"}, 99, VirtualLineCommand::kDrop, true, true, 1.0},
      {{"3", "noise", "b", "1e-3"}, 3, VirtualLineCommand::kNoise, false, true, 0.001},
      {{"1", "drop", "Both", "0"}, 1, VirtualLineCommand::kDrop, true, true, 0.0},
      {{"42", "noise", "a", ".5"}, 42, VirtualLineCommand::kNoise, true, false, 0.5},
      {{"1", "cut"}, 1, VirtualLineCommand::kCut, false, false, 0},
      {{"7", "Restore"}, 7, VirtualLineCommand::kRestore, false, false, 0},
      {{"12", "clear"}, 12, VirtualLineCommand::kClear, false, false, 0},
  };
  for (const Good& g : good) {
    VirtualLineCommand c;
    std::string error;
    ASSERT_TRUE(ParseLineCommand(g.words, &c, &error)) << g.words[1] << ": " << error;
    EXPECT_EQ(c.cable, g.cable);
    EXPECT_EQ(c.action, g.action);
    EXPECT_EQ(c.fromA, g.fromA);
    EXPECT_EQ(c.fromB, g.fromB);
    EXPECT_EQ(c.probability, g.probability);
  }

  struct Bad {
    Words words;
    const char* error;
  };
  const Bad bad[] = {
      {{}, "missing cable number after \"line\""},
      {{"0", "cut"}, "bad cable number \"0\": expected 1 to 99"},
      {{"100", "cut"}, "bad cable number \"100\": expected 1 to 99"},
      {{"01", "cut"}, "bad cable number \"01\""},
      {{"-1", "cut"}, "bad cable number \"-1\""},
      {{"x", "cut"}, "bad cable number \"x\""},
      {{"5"}, "missing what to do with line 5: noise, drop, cut, restore or clear"},
      {{"5", "zap"}, "unknown line command \"zap\": expected noise, drop, cut, restore or clear"},
      {{"5", "noise"}, "missing direction after \"noise\": expected A, B or both"},
      {{"5", "drop", "C", "0.1"}, "bad direction \"C\": expected A, B or both"},
      {{"5", "noise", "A"}, "missing probability after \"noise\": expected a number from 0 to 1"},
      {{"5", "noise", "A", "1.5"}, "bad probability \"1.5\": expected a number from 0 to 1"},
      {{"5", "noise", "A", "-0.1"}, "bad probability \"-0.1\""},
      {{"5", "noise", "A", "nan"}, "bad probability \"nan\""},
      {{"5", "noise", "A", "inf"}, "bad probability \"inf\""},
      {{"5", "noise", "A", "0.1x"}, "bad probability \"0.1x\""},
      {{"5", "noise", "A", "+0.5"}, "bad probability \"+0.5\""},
      {{"5", "noise", "A", ""}, "bad probability \"\""},
      {{"5", "cut", "now"}, "unexpected \"now\" after \"cut\""},
      {{"5", "noise", "A", "0.1", "0.2"}, "unexpected \"0.2\" after \"0.1\""},
      {{std::string(1000, '7'), "cut"}, "bad cable number \"7777777777"},
  };
  for (const Bad& b : bad) {
    VirtualLineCommand c;
    c.cable = 42;
    std::string error;
    EXPECT_FALSE(ParseLineCommand(b.words, &c, &error)) << b.error;
    EXPECT_EQ(error.rfind(b.error, 0), 0u) << "got: " << error;
    EXPECT_LT(error.size(), 120u);
    EXPECT_EQ(c.cable, 42) << "a failed parse leaves the command alone";
  }
}

TEST(VirtualLineCommandTest, AppliesToTheNamedCableAndABadCommandChangesNothing) {
  clVirtualLine& line = *clVirtualLines::Instance().Cable(92);
  std::string error;
  ASSERT_TRUE(ApplyLineCommand({"92", "noise", "A", "0.3"}, &error)) << error;
  EXPECT_FALSE(ApplyLineCommand({"92", "noise", "both", "2"}, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_EQ(line.Noise(kFromA), 0.3);
  EXPECT_EQ(line.Noise(kFromB), 0.0);
  ASSERT_TRUE(ApplyLineCommand({"92", "drop", "B", "0.25"}, nullptr));
  EXPECT_EQ(line.Drop(kFromB), 0.25);
  EXPECT_EQ(line.Drop(kFromA), 0.0);
  ASSERT_TRUE(ApplyLineCommand({"92", "noise", "both", "0.5"}, nullptr));
  EXPECT_EQ(line.Noise(kFromA) + line.Noise(kFromB), 1.0);
  ASSERT_TRUE(ApplyLineCommand({"92", "cut"}, nullptr));
  EXPECT_TRUE(line.IsCut());
  ASSERT_TRUE(ApplyLineCommand({"92", "restore"}, nullptr));
  EXPECT_FALSE(line.IsCut());
  EXPECT_EQ(line.Drop(kFromB), 0.25) << "restore keeps noise and drops";
  ASSERT_TRUE(ApplyLineCommand({"92", "clear"}, nullptr));
  EXPECT_EQ(line.Noise(kFromA) + line.Noise(kFromB) + line.Drop(kFromB), 0.0);
  EXPECT_FALSE(ApplyLineCommand(VirtualLineCommand{0, VirtualLineCommand::kCut}));
  EXPECT_FALSE(ApplyLineCommand(VirtualLineCommand{92, VirtualLineCommand::kNoise}))
      << "no direction";
}

// The controlling thread changes faults and reads counters while one device
// thread writes and another reads; every octet is accounted for.
TEST(VirtualLineFaultsTest, FaultsChangeSafelyWhileDevicesWriteAndRead) {
  TestCable cable;
  constexpr int kOctets = 20000;
  std::atomic<bool> sending{true};
  std::atomic<bool> stop{false};
  Clock::time_point lastArrival;
  std::thread writer([&] {
    for (int i = 0; i < kOctets; ++i) {
      const uint8_t octet = static_cast<uint8_t>(i);
      lastArrival = cable.line.Send(kA, &octet, 1, kFast);
    }
    sending = false;
  });
  uint64_t received = 0;
  std::thread reader([&] {
    uint8_t buffer[256];
    for (;;) {
      const bool last = stop;
      const int32_t n = cable.line.Receive(kB, cable.session[kB], buffer, 256,
                                           Clock::now() + std::chrono::milliseconds(2));
      received += static_cast<uint64_t>(n > 0 ? n : 0);
      if (last && n < 256) break;  // everything that arrived has been taken
    }
  });
  for (int round = 0; sending; ++round) {
    EXPECT_TRUE(cable.line.SetNoise(kFromA, (round % 3) * 0.2));
    EXPECT_TRUE(cable.line.SetDrop(kFromA, (round % 4) * 0.1));
    cable.line.SetCut(round % 5 == 0);
    const VirtualLineCounters c = cable.line.Counters(kFromA);
    EXPECT_LE(c.corrupted + c.dropped, c.sent);
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  writer.join();
  std::this_thread::sleep_until(lastArrival);
  stop = true;
  reader.join();
  const VirtualLineCounters c = cable.line.Counters(kFromA);
  EXPECT_EQ(c.sent, static_cast<uint64_t>(kOctets));
  EXPECT_EQ(received + c.dropped, c.sent);
  EXPECT_EQ(cable.Take(clVirtualLine::kTapA).size(), static_cast<size_t>(kOctets));
}

}  // namespace

#include "runtime/virtual_line.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <iostream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "runtime/serial_port.h"
#include "runtime/virtual_lines.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<uint8_t>;

double MsSince(Clock::time_point start) {
  return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Octets 0, 1, 2 ... with a seed, so two streams never look alike.
Bytes Pattern(size_t n, uint8_t seed) {
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(seed + i * 7);
  return b;
}

// A port on a virtual line name with the given line settings, opened.
std::unique_ptr<clSerialPort> OpenPort(const std::string& name, int32_t baud = 115200,
                                       int32_t dataBits = 8,
                                       int32_t parity = clSerialPort::kParityEven,
                                       int32_t stopBits = clSerialPort::kStopBitsOne) {
  auto port = std::make_unique<clSerialPort>();
  port->SetName(name);
  port->SetBaudRate(baud);
  port->SetDataBits(dataBits);
  port->SetParity(parity);
  port->SetStopBits(stopBits);
  EXPECT_EQ(port->Open(), 0) << name;
  return port;
}

int32_t Send(clSerialPort& port, const Bytes& b) {
  return port.Write(b.data(), static_cast<int32_t>(b.size()));
}

// Reads one octet per call, as the devices do, until `n` came or a read
// returned no octet.
Bytes ReadOctets(clSerialPort& port, size_t n, int32_t timeoutMs) {
  Bytes out;
  uint8_t b = 0;
  while (out.size() < n && port.Read(&b, 1, timeoutMs) == 1) out.push_back(b);
  return out;
}

TEST(VirtualLineNameTest, OnlyVlineNamesWithCableOneToNinetyNineAreVirtual) {
  struct Case {
    const char* name;
    bool virtualLine;
    int32_t cable, side;
    bool tap;
  };
  const Case cases[] = {
      {"VLINE1-A", true, 1, 0, false},
      {"vline99-b", true, 99, 1, false},
      {"Vline7-B-Tap", true, 7, 1, true},
      {"VLINE42-a-TAP", true, 42, 0, true},
      {"VLINE0-A", false, 0, 0, false},
      {"VLINE100-A", false, 0, 0, false},
      {"VLINE01-A", false, 0, 0, false},
      {"VLINE1-C", false, 0, 0, false},
      {"VLINE1-A-TAPX", false, 0, 0, false},
      {"VLINE1-A-", false, 0, 0, false},
      {"VLINE1A", false, 0, 0, false},
      {"VLINE-A", false, 0, 0, false},
      {"VLINE1-", false, 0, 0, false},
      {"VLINE1-AB", false, 0, 0, false},
      {"XLINE1-A", false, 0, 0, false},
      {"COM1", false, 0, 0, false},
      {"", false, 0, 0, false},
      {"VLINE5-B-TAP-TAP", false, 0, 0, false},
  };
  for (const Case& c : cases) {
    VirtualLineName parsed;
    ASSERT_EQ(ParseVirtualLineName(c.name, &parsed), c.virtualLine) << c.name;
    if (!c.virtualLine) continue;
    EXPECT_EQ(parsed.cable, c.cable) << c.name;
    EXPECT_EQ(parsed.side, c.side) << c.name;
    EXPECT_EQ(parsed.tap, c.tap) << c.name;
  }
}

TEST(VirtualLineTest, OctetsArriveInOrderAcrossManyWritesInBothDirections) {
  auto a = OpenPort("VLINE1-A");
  auto b = OpenPort("vline1-b");
  const Bytes aToB = Pattern(3000, 0x11);
  const Bytes bToA = Pattern(2000, 0x80);
  // Writes of 1 to 37 octets; the reads take 1 to 23 octets at a time.
  auto writeInPieces = [](clSerialPort& port, const Bytes& data) {
    for (size_t at = 0, n = 1; at < data.size(); at += n, n = n % 37 + 1) {
      n = std::min(n, data.size() - at);
      ASSERT_EQ(port.Write(data.data() + at, static_cast<int32_t>(n)), static_cast<int32_t>(n));
    }
  };
  auto readInPieces = [](clSerialPort& port, size_t total) {
    Bytes out(total);
    size_t at = 0;
    for (size_t n = 1; at < total; n = n % 23 + 1) {
      n = std::min(n, total - at);
      const int32_t got = port.Read(out.data() + at, static_cast<int32_t>(n), 500);
      if (got <= 0) break;
      at += static_cast<size_t>(got);
    }
    out.resize(at);
    return out;
  };
  Bytes gotAtA;
  std::thread endA([&] {
    writeInPieces(*a, aToB);
    gotAtA = readInPieces(*a, bToA.size());
  });
  writeInPieces(*b, bToA);
  const Bytes gotAtB = readInPieces(*b, aToB.size());
  endA.join();
  EXPECT_EQ(gotAtB, aToB);
  EXPECT_EQ(gotAtA, bToA);
}

TEST(VirtualLineTest, EachTapCarriesExactlyWhatItsEndSent) {
  auto a = OpenPort("VLINE2-A");
  auto b = OpenPort("VLINE2-B");
  auto tapA = OpenPort("VLINE2-A-TAP");
  auto tapB = OpenPort("vline2-b-tap");
  const Bytes request = {0x10, 0x5B, 0x01, 0x5C, 0x16};
  const Bytes answer = {0x68, 0x04, 0x04, 0x68, 0x08, 0x01, 0x00, 0x00, 0x09, 0x16};
  const Bytes ack = {0xE5};
  ASSERT_EQ(Send(*a, request), 5);
  ASSERT_EQ(Send(*b, answer), 10);
  ASSERT_EQ(Send(*a, ack), 1);

  Bytes masterSide = request;
  masterSide.insert(masterSide.end(), ack.begin(), ack.end());
  EXPECT_EQ(ReadOctets(*tapA, 100, 50), masterSide);
  EXPECT_EQ(ReadOctets(*tapB, 100, 50), answer);
  EXPECT_EQ(ReadOctets(*b, 100, 50), masterSide);
  EXPECT_EQ(ReadOctets(*a, 100, 50), answer);

  // A tap only listens: what is written to it reaches no one.
  ASSERT_EQ(Send(*tapA, ack), 1);
  uint8_t octet = 0;
  EXPECT_EQ(a->Read(&octet, 1, 30), 0);
  EXPECT_EQ(b->Read(&octet, 1, 30), 0);
  EXPECT_EQ(tapB->Read(&octet, 1, 30), 0);

  // A tap that is closed collects nothing; neither does a closed end.
  tapB->Close();
  b->Close();
  ASSERT_EQ(Send(*b, ack), -1);  // closed ports do not send
  ASSERT_EQ(Send(*a, request), 5);
  ASSERT_EQ(Send(*tapA, request), 5);  // still no transmitter
  ASSERT_EQ(b->Open(), 0);
  ASSERT_EQ(tapB->Open(), 0);
  EXPECT_EQ(b->Read(&octet, 1, 30), 0) << "octets sent to a closed end are lost";
  EXPECT_EQ(ReadOctets(*tapA, 100, 30), request);
}

TEST(VirtualLineTest, EndsOpenExclusivelyAndOtherNamesTakeTheTtyPath) {
  auto a = OpenPort("VLINE3-A");
  struct Case {
    const char* name;
    int32_t code;
  };
  const Case cases[] = {
      {"VLINE3-A", 1}, {"vline3-a", 1}, {"Vline3-A", 1},   {"VLINE3-B", 0},  {"VLINE3-A-TAP", 0},
      {"VLINE4-A", 0}, {"VLINE0-A", 1}, {"VLINE100-A", 1}, {"VLINE03-A", 1}, {"VLINE3-C", 1},
  };
  for (const Case& c : cases) {
    clSerialPort second;
    second.SetName(c.name);
    EXPECT_EQ(second.Open(), c.code) << c.name;
    EXPECT_EQ(second.LastError(), c.code) << c.name;
    EXPECT_EQ(second.IsOpen(), c.code == 0) << c.name;
  }
  // Opening the open port again keeps it open and working.
  EXPECT_EQ(a->Open(), 5);
  EXPECT_TRUE(a->IsOpen());
  auto b = OpenPort("VLINE3-B");
  ASSERT_EQ(Send(*a, {0x42}), 1);
  EXPECT_EQ(ReadOctets(*b, 1, 100), Bytes{0x42});

  // After Close the name is free again, also under another spelling.
  a->Close();
  EXPECT_FALSE(a->IsOpen());
  clSerialPort again;
  again.SetName("vLiNe3-a");
  EXPECT_EQ(again.Open(), 0);
  // Settings that cannot apply refuse the open and leave the name free.
  again.Close();
  a->SetFlowControl(5);
  EXPECT_EQ(a->Open(), 1);
  EXPECT_FALSE(a->IsOpen());
  a->SetFlowControl(0);
  a->SetDataBits(9);
  EXPECT_EQ(a->Open(), 1);
  a->SetDataBits(7);
  EXPECT_EQ(a->Open(), 0);
}

TEST(VirtualLineTest, SettingsCodesAndClosedPortResultsMatchTheTty) {
  clSerialPort port;
  port.SetName("VLINE5-A");
  uint8_t b = 0;
  EXPECT_EQ(port.Read(&b, 1, 10), 4);
  EXPECT_EQ(port.Purge(), 4);
  EXPECT_EQ(port.DeviceBaudRate(), -1);
  port.SetBaudRate(19200);
  ASSERT_EQ(port.Open(), 0);
  EXPECT_EQ(port.DeviceBaudRate(), 19200);
  EXPECT_EQ(port.ApplyLineSettings(56000, 8, clSerialPort::kParityNone, 1), 0);
  EXPECT_EQ(port.DeviceBaudRate(), 56000);
  EXPECT_EQ(port.ApplyLineSettings(0, 8, clSerialPort::kParityNone, 1), 6);
  EXPECT_EQ(port.ApplyLineSettings(9600, 9, clSerialPort::kParityNone, 1), 6);
  EXPECT_EQ(port.DeviceBaudRate(), 56000);
  EXPECT_EQ(port.ApplyFlowControl(5), 6);
  EXPECT_EQ(port.ApplyFlowControl(3), 0);
  EXPECT_EQ(port.Purge(), 0);
  port.Close();
  EXPECT_EQ(port.LastError(), 0);
  EXPECT_EQ(port.DeviceBaudRate(), -1);
}

// The choice of time-out is the port's, whatever the line (the tty tests hold
// its rules); a virtual line waits it out.
TEST(VirtualLineTest, ReadsWaitTheirTimeOutAndReturnWhatCame) {
  auto port = OpenPort("VLINE6-B");
  for (int32_t timeoutMs : {25, 100}) {
    uint8_t b = 0;
    auto start = Clock::now();
    EXPECT_EQ(port->Read(&b, 1, timeoutMs), 0);
    EXPECT_GE(MsSince(start), timeoutMs);
  }

  // A read of several octets returns what came when the time-out passes.
  auto a = OpenPort("VLINE6-A");
  ASSERT_EQ(Send(*a, {1, 2, 3}), 3);
  Bytes got(10);
  auto start = Clock::now();
  EXPECT_EQ(port->Read(got.data(), 10, 60), 3);
  EXPECT_GE(MsSince(start), 60.0);
  EXPECT_EQ(Bytes(got.begin(), got.begin() + 3), (Bytes{1, 2, 3}));
}

TEST(VirtualLineTest, PurgeDiscardsArrivedInputAndInputStillOnTheLine) {
  auto a = OpenPort("VLINE7-A", 9600);
  auto b = OpenPort("VLINE7-B", 9600);
  ASSERT_EQ(Send(*a, Pattern(50, 1)), 50);  // about 57 ms of line time
  uint8_t octet = 0;
  ASSERT_EQ(b->Read(&octet, 1, 100), 1);
  EXPECT_EQ(b->Purge(), 0);
  EXPECT_EQ(b->Read(&octet, 1, 100), 0);
  ASSERT_EQ(Send(*a, {0x99}), 1);
  EXPECT_EQ(ReadOctets(*b, 1, 100), Bytes{0x99});
}

// Reading end B while the other end A closes must neither end the read nor
// lose what A had already put on the line.
TEST(VirtualLineTest, FarEndClosingDoesNotDisturbAWaitingReader) {
  auto a = OpenPort("VLINE8-A", 9600);
  auto b = OpenPort("VLINE8-B", 9600);
  double took = 0;
  int32_t result = -1;
  std::thread reader([&] {
    uint8_t octet = 0;
    auto start = Clock::now();
    result = b->Read(&octet, 1, 300);
    took = MsSince(start);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  a->Close();
  reader.join();
  EXPECT_EQ(result, 0);
  EXPECT_GE(took, 300.0);

  ASSERT_EQ(a->Open(), 0);
  const Bytes frame = Pattern(40, 3);
  ASSERT_EQ(Send(*a, frame), 40);
  a->Close();  // the frame is still on the line
  EXPECT_EQ(ReadOctets(*b, 40, 100), frame);
}

TEST(VirtualLineCableTest, CloseWakesItsOwnReaderAndUnreadInputIsBounded) {
  clVirtualLine cable;
  const uint64_t session = cable.Attach(clVirtualLine::kEndB);
  ASSERT_NE(session, 0u);
  EXPECT_EQ(cable.Attach(clVirtualLine::kEndB), 0u);
  int32_t result = 0;
  double took = 0;
  std::thread reader([&] {
    uint8_t octet = 0;
    auto start = Clock::now();
    result = cable.Receive(clVirtualLine::kEndB, session, &octet, 1,
                           Clock::now() + std::chrono::seconds(5));
    took = MsSince(start);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  cable.Detach(clVirtualLine::kEndB, session);
  reader.join();
  EXPECT_EQ(result, -1);
  EXPECT_LT(took, 1000.0);
  cable.Detach(clVirtualLine::kEndB, session);  // a stale session changes nothing

  const uint64_t next = cable.Attach(clVirtualLine::kEndB);
  ASSERT_NE(next, 0u);
  const Bytes big(clVirtualLine::kInboxCapacity + 100, 0x55);
  VirtualLineTiming fast{1'000'000'000, 20};  // keeps the burst's line time short
  cable.Send(clVirtualLine::kEndA, big.data(), static_cast<int32_t>(big.size()), fast);
  EXPECT_EQ(cable.OverflowCount(clVirtualLine::kEndB), 100u);
  EXPECT_EQ(cable.OverflowCount(clVirtualLine::kTapA), 0u) << "the closed tap takes nothing";
  cable.Discard(clVirtualLine::kEndB, next);
  uint8_t octet = 0;
  EXPECT_EQ(cable.Receive(clVirtualLine::kEndB, next, &octet, 1, Clock::now()), 0);
  EXPECT_EQ(cable.Receive(clVirtualLine::kEndB, session, &octet, 1, Clock::now()), -1);
}

// The time from the write to the arrival of the last octet is the frame's
// line time at the writer's settings.
TEST(VirtualLineTest, DeliveryIsPacedAtTheSendersLineSpeed) {
  struct Case {
    int32_t baud, dataBits, parity, stopBits;
    double bitsPerOctet;
  };
  const Case cases[] = {
      {9600, 8, clSerialPort::kParityEven, clSerialPort::kStopBitsOne, 11},
      {115200, 8, clSerialPort::kParityEven, clSerialPort::kStopBitsOne, 11},
      {115200, 8, clSerialPort::kParityNone, clSerialPort::kStopBitsOne, 10},
      {115200, 7, clSerialPort::kParityOdd, clSerialPort::kStopBitsTwo, 11},
      {115200, 8, clSerialPort::kParityNone, clSerialPort::kStopBitsOneAndHalf, 10.5},
  };
  constexpr size_t kFrame = 261;
  int32_t cable = 10;
  for (const Case& c : cases) {
    const std::string name = "VLINE" + std::to_string(cable++);
    auto a = OpenPort(name + "-A", c.baud, c.dataBits, c.parity, c.stopBits);
    // The reader's own settings do not matter for what it receives.
    auto b = OpenPort(name + "-B", 1200);
    const Bytes frame = Pattern(kFrame, 9);
    const auto octetTime = std::chrono::duration<double, std::nano>(c.bitsPerOctet * 1e9 / c.baud);
    const double expectMs = kFrame * c.bitsPerOctet * 1000.0 / c.baud;

    auto start = Clock::now();
    ASSERT_EQ(Send(*a, frame), static_cast<int32_t>(kFrame));
    const auto written = Clock::now();
    // Each octet arrives one octet time after the one before it, the first one
    // octet time after the write: the line's own clock says when.
    Clock::time_point first, arrival;
    for (size_t i = 0; i < kFrame; ++i) {
      uint8_t octet = 0;
      ASSERT_EQ(b->Read(&octet, 1, 1000, &arrival), 1) << i;
      ASSERT_EQ(octet, frame[i]);
      if (i == 0) first = arrival;
    }
    EXPECT_GE(first - start, octetTime * 0.999) << c.baud;
    const double spreadNs = std::chrono::duration<double, std::nano>(arrival - first).count();
    EXPECT_NEAR(spreadNs, octetTime.count() * (kFrame - 1), 10.0)
        << c.baud << " " << c.bitsPerOctet;
    // Nothing is readable before it has arrived.
    EXPECT_GE(MsSince(start), expectMs * 0.999);
    if (c.baud == 9600) {
      EXPECT_LT(written, arrival) << "Write returns before the last octet is on the line";
    }

    // One read of the whole frame returns it whole.
    ASSERT_EQ(Send(*a, frame), static_cast<int32_t>(kFrame));
    Bytes whole(kFrame);
    ASSERT_EQ(b->Read(whole.data(), static_cast<int32_t>(kFrame), 1000),
              static_cast<int32_t>(kFrame));
    EXPECT_EQ(whole, frame);
  }
}

TEST(VirtualLineTest, RtsToggleWriteLastsPreKeyLineTimeAndPostKey) {
  auto a = OpenPort("VLINE20-A", 9600);
  auto b = OpenPort("VLINE20-B", 9600);
  const Bytes frame = Pattern(100, 0);  // 114.6 ms at 9600 baud, 11 bits
  constexpr double kLineMs = 100 * 11 * 1000.0 / 9600;
  struct Case {
    int32_t flow, preMs, postMs;
  };
  const Case cases[] = {{3, 20, 30}, {3, 0, 0}, {0, 2000, 2000}, {4, 2000, 2000}};
  for (const Case& c : cases) {
    a->SetFlowControl(c.flow);
    a->SetRtsPreKeyMs(c.preMs);
    a->SetRtsPostKeyMs(c.postMs);
    auto start = Clock::now();
    EXPECT_EQ(Send(*a, frame), 100);
    const double took = MsSince(start);
    if (c.flow == clSerialPort::kFlowRtsToggle) {
      EXPECT_GE(took, c.preMs + kLineMs + c.postMs) << "flow " << c.flow;
    } else {
      EXPECT_LT(took, c.preMs + c.postMs) << "flow " << c.flow << " waits no RTS delay";
    }
    EXPECT_EQ(ReadOctets(*b, frame.size(), 1000), frame) << "flow " << c.flow;
  }
}

// Modes 3 and 4 send only once CTS is up; the others never look at it.
TEST(VirtualLineTest, ModemModesWaitForCtsUpToTheWriteTimeOutAndSendNothingWithout) {
  auto a = OpenPort("VLINE21-A", 115200);
  auto b = OpenPort("VLINE21-B", 115200);
  clVirtualLine* cable = clVirtualLines::Instance().Cable(21);
  const Bytes frame = Pattern(5, 3);
  a->SetRtsPreKeyMs(0);
  a->SetRtsPostKeyMs(0);
  a->SetWriteTimeoutMs(300);
  cable->HoldCts(0, true);
  for (int32_t flow : {0, 1, 2, 3, 4}) {
    a->SetFlowControl(flow);
    const bool gated = flow >= clSerialPort::kFlowRtsToggle;
    auto start = Clock::now();
    EXPECT_EQ(Send(*a, frame), gated ? 0 : 5) << "flow " << flow;
    if (gated) {
      EXPECT_GE(MsSince(start), 300.0) << "flow " << flow;
    }
    EXPECT_EQ(ReadOctets(*b, frame.size(), 100), gated ? Bytes{} : frame) << "flow " << flow;
  }
  // CTS coming up while the write waits lets the frame go at once.
  a->SetWriteTimeoutMs(60000);
  auto start = Clock::now();
  std::thread release([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    cable->HoldCts(0, false);
  });
  EXPECT_EQ(Send(*a, frame), 5);
  release.join();
  EXPECT_GE(MsSince(start), 100.0);
  EXPECT_EQ(ReadOctets(*b, frame.size(), 500), frame);
  cable->ClearFaults();
}

double CpuSeconds() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

#ifdef __SANITIZE_THREAD__
constexpr double kCpuShareLimit = 0.15;  // every wake-up costs far more under the sanitizer
#else
constexpr double kCpuShareLimit = 0.05;
#endif

// Monitors read with a 50 ms time-out in a loop; on a quiet line that must
// cost nothing but the wake-ups at each time-out.
TEST(VirtualLineTest, ReadersOnQuietLinesUseAlmostNoCpu) {
  constexpr int kReaders = 20;
  constexpr auto kRun = std::chrono::seconds(2);
  std::vector<std::unique_ptr<clSerialPort>> ports;
  for (int i = 0; i < kReaders; ++i) {
    ports.push_back(OpenPort("VLINE" + std::to_string(30 + i) + "-A"));
    ports.push_back(OpenPort("VLINE" + std::to_string(30 + i) + "-B-TAP"));
  }
  std::atomic<int> octets{0};
  std::atomic<int> reads{0};
  const double cpuBefore = CpuSeconds();
  const auto start = Clock::now();
  std::vector<std::thread> readers;
  for (int i = 0; i < kReaders; ++i) {
    readers.emplace_back([&, i] {
      uint8_t octet = 0;
      while (Clock::now() - start < kRun) {
        octets += ports[static_cast<size_t>(2 * i)]->Read(&octet, 1, 50) == 1 ? 1 : 0;
        octets += ports[static_cast<size_t>(2 * i + 1)]->Read(&octet, 1, 50) == 1 ? 1 : 0;
        reads += 2;
      }
    });
  }
  for (std::thread& t : readers) t.join();
  const double wallS = std::chrono::duration<double>(Clock::now() - start).count();
  const double cpuS = CpuSeconds() - cpuBefore;
  EXPECT_EQ(octets, 0);
  // 2 s of 50 ms reads is 40 per reader (fewer on a loaded machine).
  EXPECT_GE(reads, kReaders * 20);
  EXPECT_LE(reads, kReaders * 42);
  EXPECT_LT(cpuS / wallS, kCpuShareLimit);
  std::cout << "[ measured ] " << kReaders << " readers on quiet virtual lines for " << wallS
            << " s: " << cpuS * 1000 << " ms CPU (" << cpuS / wallS * 100 << " % of one core), "
            << reads << " reads\n";
}

}  // namespace

// Balanced mode: two masters bring their links up with each other on one virtual
// line, and a peer played over a pseudo-terminal checks the hold rules.
#include <gtest/gtest.h>

#include "master_test_helpers.h"
#include "runtime/serial_port.h"

namespace master_test {
namespace {

constexpr int kWait = 1500;

// Balanced frames from the peer as primary: DIR 0, PRM 1.
Octets PeerRequest(uint8_t function) { return Fixed(static_cast<uint8_t>(0x40 | function)); }

// Started together the two masters collide on their first status requests; the
// random part of the peer hold breaks the lock-step.
class MasterBalancedTest : public ::testing::TestWithParam<int> {};

TEST_P(MasterBalancedTest, TwoMastersBringTheLinkUpWithEachOtherAndExchangeTestFunctions) {
  clMasterOptions timings;
  timings.peerHoldMs = 500;
  clSerialPorts ports;
  std::string line = "VLINE" + std::to_string(41 + GetParam() / 10);
  for (std::string name : {line + "-A", line + "-B"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetBaudRate(115200);
    ports.Add(std::move(port));
  }
  clIEC101MasterDevice a, b;
  for (clIEC101MasterDevice* d : {&a, &b}) {
    d->SetBalancedMode(true);
    d->SetPollIntervalMs(100);
    d->SetReadTimeoutMs(200);
    d->SetTestPeriodSec(1);
    d->SetGiPeriodSec(0);
  }
  a.SetPortName(line + "-A");
  b.SetPortName(line + "-B");
  a.Traffic().SetConsumerRunning(true);
  b.Traffic().SetConsumerRunning(true);
  clIEC101MasterEngine ea(a, ports, timings), eb(b, ports, timings);
  auto dump = [](clIEC101MasterDevice& d) {
    std::string text;
    while (auto r = d.Traffic().Pop())
      text += std::to_string(r->secondsOfDay % 100) + "." + std::to_string(r->milliseconds) +
              (r->received ? " < " : " > ") + r->bytes + " " + r->title + "\n";
    return text;
  };
  std::string failed;
  ASSERT_TRUE(ea.Start(&failed)) << failed;
  std::this_thread::sleep_for(std::chrono::milliseconds(GetParam()));
  ASSERT_TRUE(eb.Start(&failed)) << failed;
  auto up = [](clIEC101MasterEngine& e) { return e.LinkState() == LinkUp && e.PeerLinkReset(); };
  EXPECT_TRUE(WaitFor([&] { return up(ea) && up(eb); }, 8000))
      << "A state " << ea.LinkState() << ", B state " << eb.LinkState() << "\nA:\n"
      << dump(a) << "B:\n"
      << dump(b);
  // Each sends its test function once a test period has passed; the other acknowledges.
  // Two stations that collide hold and try again, so a slow (sanitized, loaded)
  // machine may need several test periods.
  EXPECT_TRUE(WaitFor([&] { return ea.LinkVerified() && eb.LinkVerified(); }, 12000))
      << "A:\n"
      << dump(a) << "B:\n"
      << dump(b);
  eb.Stop();
  ea.Stop();
}

INSTANTIATE_TEST_SUITE_P(StartOffsetMs, MasterBalancedTest, ::testing::Values(0, 150));

class MasterPeerHoldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.ok());
    clMasterOptions timings;
    timings.peerHoldMs = 800;
    rig_ = std::make_unique<MasterRig>(peer_.Path(), timings);
    rig_->device.SetBalancedMode(true);
    ASSERT_TRUE(rig_->Start());
  }
  // Link up in both directions: the master's own start-up, then the peer's reset.
  void BringUp() {
    ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0xC9)));
    peer_.Write(StatusOfLink());
    ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0xC0)));
    peer_.Write(Ack());
    peer_.Write(PeerRequest(0));
    ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), "E5");
    ASSERT_TRUE(WaitFor([&] { return rig_->engine->PeerLinkReset(); }, kWait));
  }
  PtyPeer peer_;
  std::unique_ptr<MasterRig> rig_;
};

TEST_F(MasterPeerHoldTest, PeerStatusRequestIsAnsweredAtOnceAndHoldsTheOwnRequest) {
  // Own request status carries DIR in balanced mode.
  ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0xC9)));
  peer_.Write(PeerRequest(9));
  auto asked = Clock::now();
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0x8B))) << "status of link, DIR";
  const long answeredMs = MsSince(asked);
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0xC9))) << "own request status";
  EXPECT_GE(MsSince(asked), 750) << "held back by the peer's request";
  EXPECT_LT(answeredMs, MsSince(asked) - 500) << "the answer did not wait for the hold";
}

TEST_F(MasterPeerHoldTest, FullStartUpWithPeerResetThenTestFunctionAndUserDataAcknowledged) {
  ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0xC9)));
  peer_.Write(StatusOfLink());
  ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0xC0))) << "reset";
  peer_.Write(Ack());
  ASSERT_TRUE(WaitFor([&] { return rig_->engine->LinkState() == LinkUp; }, kWait));
  EXPECT_TRUE(peer_.Silent(300)) << "no own traffic before the peer reset the link";
  peer_.Write(PeerRequest(0));
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), "E5") << "peer's reset acknowledged";
  ASSERT_TRUE(WaitFor([&] { return rig_->engine->PeerLinkReset(); }, kWait));
  peer_.Write(PeerRequest(2));
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), "E5") << "peer's test function acknowledged";
  // Peer user data (function 3) is acknowledged with E5 once the peer reset the link.
  peer_.Write(Variable(0x73, Hex("01 01 03 01 00 05 00 01")));
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), "E5");
  EXPECT_TRUE(rig_->engine->LinkVerified());
}

// A select acknowledged at link level gets its execute at once; the later
// confirmation of the same select must not queue a second execute.
TEST_F(MasterPeerHoldTest, SelectGetsExactlyOneExecute) {
  rig_->AddSector(1);
  BringUp();
  rig_->engine->SendSingleCommand(1, 5, 1, true, true);
  Octets select = peer_.ReadFrame(kWait);
  ASSERT_EQ(select.size(), 16u);
  EXPECT_EQ(select[13], 0x85);
  peer_.Write(Ack());
  Octets execute = peer_.ReadFrame(kWait);
  ASSERT_EQ(execute.size(), 16u);
  EXPECT_EQ(execute[13], 0x05);
  peer_.Write(Ack());
  // The peer now confirms the select and then the execute, as primary.
  peer_.Write(Variable(0x73, Hex("2D 01 07 01 00 05 00 85")));
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), "E5");
  peer_.Write(Variable(0x53, Hex("2D 01 07 01 00 05 00 05")));
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), "E5");
  // Anything else now is the test function (period 5 s), not a second execute.
  Octets next = peer_.ReadFrame(700);
  EXPECT_TRUE(next.empty() || next.size() == 5) << HexText(next);
}

// The peer's own frame may come between the select and its acknowledgement; the
// late acknowledgement still completes the select.
TEST_F(MasterPeerHoldTest, LateAcknowledgementAfterAPeerFrameStillCompletesTheSelect) {
  rig_->AddSector(1);
  BringUp();
  rig_->engine->SendDoubleCommand(1, 5, 1, true, true);
  Octets select = peer_.ReadFrame(kWait);
  ASSERT_EQ(select.size(), 16u);
  EXPECT_EQ(select[13], 0x85);
  peer_.Write(PeerRequest(2));
  EXPECT_EQ(HexText(peer_.ReadFrame(kWait)), "E5") << "the peer's test function first";
  peer_.Write(Ack());
  Octets execute = peer_.ReadFrame(kWait);
  ASSERT_EQ(execute.size(), 16u) << HexText(execute);
  EXPECT_EQ(execute[13], 0x05);
}

}  // namespace
}  // namespace master_test

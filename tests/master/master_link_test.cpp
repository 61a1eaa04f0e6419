// The master's link procedure against a secondary played octet by octet over a
// pseudo-terminal: start-up, frame count bit, class 1 on ACD, retries and restart.
#include <gtest/gtest.h>

#include "master_test_helpers.h"
#include "model/sector.h"

namespace master_test {
namespace {

constexpr int kWait = 3000;  // longest wait for one expected frame

class MasterLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.ok());
    rig_ = std::make_unique<MasterRig>(peer_.Path());
  }
  // The next frame must be `expected`; answers it with `answer` (nothing when empty).
  void Exchange(const Octets& expected, const Octets& answer, const char* why) {
    Octets got = peer_.ReadFrame(kWait);
    ASSERT_EQ(HexText(got), HexText(expected)) << why;
    peer_.Write(answer);
  }
  void BringLinkUp() {
    Exchange(Fixed(0x49), StatusOfLink(), "request status of link, no FCV");
    Exchange(Fixed(0x40), Ack(), "reset of remote link");
    ASSERT_TRUE(WaitFor([&] { return rig_->engine->LinkState() == LinkUp; }, kWait));
  }

  PtyPeer peer_;
  std::unique_ptr<MasterRig> rig_;
};

// One transaction per poll interval, and a pass that only queues the
// interrogation counts as one: it goes out two intervals after the reset.
// Gaps are measured between frames as the test sees them, so they are judged
// against half an interval, far beyond any reading delay.
TEST_F(MasterLinkTest, StartsWithStatusResetThenOneInterrogationPerActiveSectorThenClass2Polls) {
  constexpr long kPollMs = 500;
  rig_->AddSector(1);
  rig_->AddSector(2);
  rig_->AddSector(3, false);
  rig_->device.SetGiPeriodSec(60);
  rig_->device.SetPollIntervalMs(kPollMs);
  ASSERT_TRUE(rig_->Start());
  EXPECT_TRUE(rig_->device.IsRunning());
  Exchange(Fixed(0x49), StatusOfLink(), "request status of link, no FCV");
  auto seenAt = Clock::now();
  Exchange(Fixed(0x40), Ack(), "reset of remote link");
  EXPECT_GE(MsSince(seenAt), kPollMs / 2) << "reset one poll interval after status";
  seenAt = Clock::now();
  // The first frame with FCV after the reset carries FCB = 1.
  Exchange(Variable(0x73, Hex("64 01 06 01 00 00 00 14")), Ack(), "interrogation, sector 1");
  EXPECT_GE(MsSince(seenAt), 3 * kPollMs / 2) << "queued one interval, sent the next";
  // While the first interrogation runs, the master polls class 2 every poll interval.
  seenAt = Clock::now();
  Exchange(Fixed(0x5B), Ack(), "class 2 poll, FCB 0");
  EXPECT_GE(MsSince(seenAt), kPollMs / 2);
  Exchange(Fixed(0x7B), UserData(Hex("64 01 07 01 00 00 00 14")), "poll, FCB 1; confirmation");
  Exchange(Fixed(0x5B), UserData(Hex("64 01 0A 01 00 00 00 14")), "poll; termination");
  Exchange(Variable(0x73, Hex("64 01 06 02 00 00 00 14")), Ack(), "interrogation, sector 2");
  Exchange(Fixed(0x5B), UserData(Hex("64 01 0A 02 00 00 00 14")), "poll; termination");
  // Sector 3 is not active: only polls follow.
  Exchange(Fixed(0x7B), Ack(), "poll");
  rig_->engine->Stop();
  EXPECT_FALSE(rig_->device.IsRunning());
}

TEST_F(MasterLinkTest, AcdSelectsClass1UntilASecondaryFrameWithoutIt) {
  ASSERT_TRUE(rig_->Start());
  BringLinkUp();
  struct Step {
    Octets expected, answer;
    const char* why;
  } steps[] = {
      {Fixed(0x7B), Fixed(0x20), "class 2; ACK with ACD"},
      {Fixed(0x5A), Fixed(0x29), "class 1; no data, ACD still set"},
      {Fixed(0x7A), UserData(Hex("01 01 03 01 00 07 00 01"), true), "class 1; data with ACD"},
      {Fixed(0x5A), Ack(), "class 1; E5 counts as ACD 0"},
      {Fixed(0x7B), Ack(), "back to class 2"},
  };
  for (const Step& step : steps) Exchange(step.expected, step.answer, step.why);
}

TEST_F(MasterLinkTest, UnansweredFrameGoesOutRetriesPlusOneTimesThenLinkRestartsWithEmptyQueue) {
  rig_->AddSector(1);
  ASSERT_TRUE(rig_->Start());
  BringLinkUp();
  Exchange(Fixed(0x7B), Ack(), "poll");
  rig_->engine->SendSingleCommand(1, 5, 1, false, true);
  rig_->engine->SendSingleCommand(1, 6, 1, false, true);
  Octets command = Variable(0x53, Hex("2D 01 06 01 00 05 00 05"));
  // The poll in flight may still be answered before the command goes out.
  Octets got = peer_.ReadFrame(kWait);
  if (HexText(got) == HexText(Fixed(0x5B))) {
    peer_.Write(Ack());
    command = Variable(0x73, Hex("2D 01 06 01 00 05 00 05"));
    got = peer_.ReadFrame(kWait);
  }
  ASSERT_EQ(HexText(got), HexText(command));
  auto last = Clock::now();
  for (int repeat = 1; repeat <= 3; ++repeat) {
    got = peer_.ReadFrame(kWait);
    EXPECT_EQ(HexText(got), HexText(command)) << "repetition " << repeat << ", same FCB";
    // Read time-out (200 ms) and then the poll interval (100 ms) between attempts.
    EXPECT_GE(MsSince(last), 250) << repeat;
    last = Clock::now();
  }
  Exchange(Fixed(0x49), StatusOfLink(), "after 4 transmissions: request status again");
  Exchange(Fixed(0x40), Ack(), "reset");
  EXPECT_EQ(rig_->engine->QueuedRequests(), 0u);
  Exchange(Fixed(0x7B), Ack(), "the second command was discarded: a poll");
  Exchange(Fixed(0x5B), Ack(), "poll");
}

TEST_F(MasterLinkTest, UnansweredStatusRequestIsRepeatedAndNegativeAckOfResetStartsAgain) {
  rig_->device.SetRetries(1);
  ASSERT_TRUE(rig_->Start());
  Exchange(Fixed(0x49), {}, "first status request, unanswered");
  Exchange(Fixed(0x49), {}, "repetition");
  Exchange(Fixed(0x49), StatusOfLink(), "after the restart");
  Exchange(Fixed(0x40), Fixed(0x01), "reset; negative acknowledgement");
  Exchange(Fixed(0x49), StatusOfLink(), "status again");
  Exchange(Fixed(0x40), Ack(), "reset");
  EXPECT_TRUE(WaitFor([&] { return rig_->engine->LinkState() == LinkUp; }, kWait));
}

TEST_F(MasterLinkTest, BadChecksumCountsAsFailedAttemptAndGarbageBeforeAFrameIsSkipped) {
  rig_->device.Traffic().SetConsumerRunning(true);
  ASSERT_TRUE(rig_->Start());
  Octets bad = StatusOfLink();
  bad[3] ^= 0xFF;
  Exchange(Fixed(0x49), bad, "status with a wrong checksum");
  Octets garbage = {0x00, 0x42};
  Octets status = StatusOfLink();
  garbage.insert(garbage.end(), status.begin(), status.end());
  Exchange(Fixed(0x49), garbage, "repeated; garbage, then the status");
  Exchange(Fixed(0x40), Ack(), "reset");
  std::vector<std::string> titles = rig_->LoggedTitles();
  EXPECT_NE(std::find(titles.begin(), titles.end(), "Invalid CRC"), titles.end());
  EXPECT_NE(std::find(titles.begin(), titles.end(), "Invalid Message"), titles.end());
}

TEST_F(MasterLinkTest, StopIsPromptDuringALongPollIntervalAndMarksTagsUncertain) {
  clSector& sector = rig_->AddSector(1);
  clTag& tag = rig_->AddTag(sector, clTag::kSinglePoint, 7);
  rig_->device.SetPollIntervalMs(60000);
  ASSERT_TRUE(rig_->Start());
  // The first request goes out at once, not a poll interval after the start.
  Exchange(Fixed(0x49), {}, "status, unanswered: the worker now sleeps a poll interval");
  tag.SetQuality(0);
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  auto begin = Clock::now();
  rig_->engine->Stop();
  EXPECT_LT(MsSince(begin), 10000) << "not the minute of the poll interval";
  EXPECT_FALSE(rig_->device.IsRunning());
  EXPECT_EQ(tag.Quality(), clTag::kQualityUncertain);
}

TEST_F(MasterLinkTest, StopEndsAnRtsPreKeyWaitInTheMiddleOfARequest) {
  clSerialPort& port = *rig_->ports.At(0);
  port.SetFlowControl(clSerialPort::kFlowRtsToggle);
  port.SetRtsPreKeyMs(60000);
  ASSERT_TRUE(rig_->Start());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the status request is keyed
  auto begin = Clock::now();
  rig_->engine->Stop();
  EXPECT_LT(MsSince(begin), 10000);
  EXPECT_FALSE(rig_->device.IsRunning());
}

TEST_F(MasterLinkTest, StartFailsWithThePortNameWhenThePortIsMissing) {
  rig_->device.SetPortName("NOPORT");
  std::string failed;
  EXPECT_FALSE(rig_->engine->Start(&failed));
  EXPECT_EQ(failed, "NOPORT");
  EXPECT_FALSE(rig_->device.IsRunning());
}

}  // namespace
}  // namespace master_test

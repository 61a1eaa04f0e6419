// The slave's link layer driven over a pseudo-terminal and a virtual line by a
// test that plays the master; answers are compared octet by octet.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "tests/slave/slave_test_helpers.h"

namespace {
using slave_test::SlaveRig;
using Clock = std::chrono::steady_clock;

using slave_test::kAck;
using slave_test::kNoData;
using slave_test::kNoDataAcd;
using slave_test::kStatus;

long ElapsedMs(Clock::time_point begin) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
}

struct Step {
  const char* request;
  const char* answer;  // "" for silence
  const char* reason;
};

// From start-up: polls are ignored until the link is reset; status is answered in
// both states; the slave answers every link address with its own.
constexpr Step kLinkStateTable[] = {
    {"10 5B 01 5C 16", "", "class 2 before reset of remote link"},
    {"10 7A 01 7B 16", "", "class 1 before reset of remote link"},
    {"10 49 01 4A 16", kStatus, "request status of link while idle"},
    {"10 40 01 41 16", kAck, "reset of remote link"},
    {"10 7B 01 7C 16", kNoData, "class 2, nothing to send"},
    {"10 5A 01 5B 16", kNoData, "class 1 with an empty queue"},
    {"10 49 01 4A 16", kStatus, "request status of link while active"},
    {"10 42 01 43 16", "", "test function is not answered"},
    {"10 44 01 45 16", "", "user data without confirm in a fixed frame"},
    {"10 49 05 4E 16", kStatus, "another link address gets the slave's own"},
    {"E5", kAck, "single character heard as reset"},
    {"10 5B 01 5C 16", kNoData, "first poll after that reset is new"},
    {"10 00 01 01 16", kAck, "fixed frame PRM 0 function 0 resets too"},
    {"10 41 01 42 16", "", "reset of user process is not answered"},
};

class SlaveLinkOverLine : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    rig_.AddSector(1);
    ASSERT_TRUE(GetParam() ? rig_.StartOnVirtualLine(7) : rig_.StartOnPty());
  }
  SlaveRig rig_;
};

TEST_P(SlaveLinkOverLine, AnswersTheLinkStateTable) {
  for (const Step& step : kLinkStateTable) {
    const bool silent = step.answer[0] == '\0';
    EXPECT_EQ(silent ? rig_.SendExpectingSilence(step.request) : rig_.Send(step.request),
              step.answer)
        << step.reason;
  }
}

TEST_P(SlaveLinkOverLine, InterrogationIsAcknowledgedAndFetchedByPolls) {
  clSector& sector = *rig_.device.Sectors()->First();
  rig_.AddTag(sector, clTag::kSinglePoint, 5, 1);
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.UserData("64 01 06 01 00 00 00 14"), kAck);
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x28, "64 01 07 01 00 00 00 14"));
  EXPECT_EQ(rig_.Class1(), rig_.Variable(0x08, "01 81 14 01 00 05 00 01"));
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "64 01 0A 01 00 00 00 14"));
  EXPECT_EQ(rig_.Class2(), kNoData);
}

INSTANTIATE_TEST_SUITE_P(PtyAndVirtualLine, SlaveLinkOverLine, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "VirtualLine" : "Pty"; });

class SlaveLink : public ::testing::Test {
 protected:
  void SetUp() override { sector_ = &rig_.AddSector(1); }
  void Start() { ASSERT_TRUE(rig_.StartOnPty()); }
  // Queues two spontaneous records (one per sector) and returns after the
  // class 2 poll that built them.
  void QueueTwoSpontaneousRecords() {
    clSector& second = rig_.AddSector(2);
    rig_.AddTag(*sector_, clTag::kSinglePoint, 1, 0);
    rig_.AddTag(second, clTag::kSinglePoint, 1, 0);
    Start();
    EXPECT_EQ(rig_.ResetLink(), kAck);
    EXPECT_TRUE(rig_.engine->SetTagValue(1, 1, 1));
    EXPECT_TRUE(rig_.engine->SetTagValue(2, 1, 1));
    EXPECT_EQ(rig_.Class2(), kNoDataAcd);
  }
  // A command whose confirmation and termination are class 2 records.
  void QueueCommandAnswers() {
    rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
    Start();
    EXPECT_EQ(rig_.ResetLink(), kAck);
    EXPECT_EQ(rig_.UserData("2D 01 06 01 00 05 00 01"), kAck);
  }
  SlaveRig rig_;
  clSector* sector_ = nullptr;
};

TEST_F(SlaveLink, Class2PollIsAnsweredWithFunction9AndAcdWhileClass1DataWaits) {
  QueueTwoSpontaneousRecords();
  EXPECT_EQ(rig_.Class2(), kNoDataAcd) << "class 2 never fetches class 1 data";
  EXPECT_EQ(rig_.Send("10 49 01 4A 16"), "10 2B 01 2C 16") << "status shows ACD too";
  std::string first = rig_.Class1();
  EXPECT_EQ(first.substr(0, 15), "68 11 11 68 28 ") << "function 8, ACD: one more waits";
  std::string second = rig_.Class1();
  EXPECT_EQ(second.substr(0, 15), "68 11 11 68 08 ") << "the last class 1 record clears ACD";
  EXPECT_EQ(rig_.Class1(), kNoData);
}

TEST_F(SlaveLink, CommandConfirmationAtTheHeadIsFetchedByEitherClass) {
  QueueCommandAnswers();
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2D 01 07 01 00 05 00 01"));
  EXPECT_EQ(rig_.Class1(), rig_.Variable(0x08, "2D 01 0A 01 00 05 00 01"));
  EXPECT_EQ(rig_.Class2(), kNoData);
}

TEST_F(SlaveLink, ResetOfRemoteLinkDiscardsQueuedAnswersButKeepsChanges) {
  rig_.AddTag(*sector_, clTag::kSinglePoint, 1, 0);
  Start();
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.UserData("64 01 06 01 00 00 00 14"), kAck);
  EXPECT_TRUE(rig_.engine->SetTagValue(1, 1, 1));
  EXPECT_EQ(rig_.ResetLink(), kAck) << "ACD 0: the interrogation answer is gone";
  EXPECT_EQ(rig_.Class1(), kNoData);
  EXPECT_EQ(rig_.Class2(), kNoDataAcd) << "the change survived and is now built";
}

TEST_F(SlaveLink, TwoOctetLinkAddressGivesSixOctetAnswersAndKeepsRunning) {
  rig_.SetSizes(2, 2, 2, 1);
  rig_.device.SetLinkAddress(0x012C);
  Start();
  EXPECT_EQ(rig_.Send("10 40 34 12 86 16"), "10 00 2C 01 2D 16");
  EXPECT_EQ(rig_.Send(rig_.Fixed(0x7B, 0x012C)), "10 09 2C 01 36 16");
  EXPECT_TRUE(rig_.engine->IsRunning());
}

TEST_F(SlaveLink, RequestWrittenOctetByOctetIsAnswered) {
  Start();
  for (uint8_t octet : slave_test::Octets("10 40 01 41 16")) {
    ASSERT_TRUE(rig_.line->Write({octet}));
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  EXPECT_EQ(rig_.ReadAnswer(SlaveRig::kAnswerWaitMs), kAck);
}

// ---- repetitions: FCB not toggled means the answer was lost ----

TEST_F(SlaveLink, RepeatedClass1PollGetsTheSameRecordAgain) {
  QueueTwoSpontaneousRecords();
  const std::string first = rig_.Class1();
  ASSERT_FALSE(first.empty());
  EXPECT_EQ(rig_.Send(rig_.Fixed(rig_.RepeatFcvControl(0x0A))), first);
  EXPECT_EQ(rig_.Send(rig_.Fixed(rig_.RepeatFcvControl(0x0A))), first) << "and again";
  const std::string second = rig_.Class1();
  EXPECT_NE(second, first);
  EXPECT_EQ(second.substr(0, 15), "68 11 11 68 08 ");
  EXPECT_EQ(rig_.Class1(), kNoData);
}

TEST_F(SlaveLink, RepeatedClass2PollGetsTheSameConfirmationAgain) {
  QueueCommandAnswers();
  const std::string confirmation = rig_.Variable(0x08, "2D 01 07 01 00 05 00 01");
  EXPECT_EQ(rig_.Class2(), confirmation);
  EXPECT_EQ(rig_.Send(rig_.Fixed(rig_.RepeatFcvControl(0x0B))), confirmation);
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2D 01 0A 01 00 05 00 01"));
  EXPECT_EQ(rig_.Class2(), kNoData);
}

TEST_F(SlaveLink, RepeatedCommandIsAcknowledgedAgainButAppliedOnce) {
  clTag& position = rig_.AddTag(*sector_, clTag::kStepPosition, 9, 5);
  clTag& command = rig_.AddTag(*sector_, clTag::kRegulatingStep, 6, 0);
  rig_.Link(command, position);
  Start();
  EXPECT_EQ(rig_.ResetLink(), kAck);
  const std::string asdu = "2F 01 06 01 00 06 00 02";
  EXPECT_EQ(rig_.UserData(asdu), kAck);
  EXPECT_EQ(rig_.Send(rig_.Variable(rig_.RepeatFcvControl(0x03), asdu)), kAck);
  EXPECT_EQ(position.Value(), 6) << "raised once, not twice";
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2F 01 07 01 00 06 00 02"));
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2F 01 0A 01 00 06 00 02"));
  EXPECT_EQ(rig_.Class2(), kNoDataAcd);
  std::string report = rig_.Class1();
  EXPECT_EQ(report.substr(0, 21), "68 12 12 68 08 01 20 ") << "one type 32 object";
  EXPECT_EQ(rig_.Class1(), kNoData);
}

TEST_F(SlaveLink, RequestsWithoutFcvAndTheFirstAfterResetAreNeverRepetitions) {
  QueueCommandAnswers();
  // FCV 0: the FCB carries no meaning, each poll takes the next record.
  EXPECT_EQ(rig_.Send("10 4B 01 4C 16"), rig_.Variable(0x08, "2D 01 07 01 00 05 00 01"));
  EXPECT_EQ(rig_.Send("10 4B 01 4C 16"), rig_.Variable(0x08, "2D 01 0A 01 00 05 00 01"));
  // The same FCB as the poll before the reset is new after it.
  EXPECT_EQ(rig_.UserData("2D 01 06 01 00 05 00 01"), kAck);
  const uint8_t before = rig_.RepeatFcvControl(0x0B);
  EXPECT_EQ(rig_.Send(rig_.Fixed(before)), rig_.Variable(0x08, "2D 01 07 01 00 05 00 01"));
  EXPECT_EQ(rig_.Send("10 40 01 41 16"), kAck);
  EXPECT_EQ(rig_.UserData("2D 01 06 01 00 05 00 01"), kAck);
  EXPECT_EQ(rig_.Send(rig_.Fixed(before)), rig_.Variable(0x08, "2D 01 07 01 00 05 00 01"));
  EXPECT_EQ(rig_.Send(rig_.Fixed(before)), rig_.Variable(0x08, "2D 01 07 01 00 05 00 01"))
      << "the next one with that FCB is a repetition again";
}

// ---- link supervision ----

TEST_F(SlaveLink, ThirtySecondsOfSilenceReturnTheLinkToIdle) {
  rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  Start();
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.UserData("2D 01 06 01 00 05 00 01"), kAck);
  rig_.clock.Advance(29000);
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));  // one receive time-out
  EXPECT_EQ(rig_.engine->LinkState(), clIEC101SlaveEngine::LinkActive);
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2D 01 07 01 00 05 00 01"));
  rig_.clock.Advance(30001);
  auto begin = Clock::now();
  while (rig_.engine->LinkState() != clIEC101SlaveEngine::LinkIdle && ElapsedMs(begin) < 2500)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(rig_.engine->LinkState(), clIEC101SlaveEngine::LinkIdle);
  EXPECT_GE(ElapsedMs(begin), 800) << "only a receive time-out tests the timer";
  EXPECT_EQ(rig_.SendExpectingSilence(rig_.Fixed(rig_.NextFcvControl(0x0B))), "");
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.Class2(), kNoData) << "the termination was discarded";
}

// ---- line errors ----

TEST_F(SlaveLink, LineErrorsAreLoggedAndResetTheLinkWhereDue) {
  Start();
  rig_.device.Traffic().SetConsumerRunning(true);
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.SendExpectingSilence("10 40 01 42 16"), "") << "bad checksum: dropped";
  EXPECT_EQ(rig_.SendExpectingSilence("00"), "") << "bad start";
  EXPECT_EQ(rig_.SendExpectingSilence(rig_.Fixed(rig_.NextFcvControl(0x0B))), "")
      << "the bad start reset the link";
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.Send("10 40 01", 1400), "") << "a partial frame times out";
  EXPECT_EQ(rig_.Class2(), kNoData) << "the link timer had not expired: still active";
  std::string overflow = "68 00 00 68";  // L 0 never completes
  for (int i = 0; i < 1021; ++i) overflow += " 00";
  EXPECT_EQ(rig_.SendExpectingSilence(overflow), "");
  EXPECT_EQ(rig_.SendExpectingSilence(rig_.Fixed(rig_.NextFcvControl(0x0B))), "")
      << "the overflow reset the link";

  std::vector<std::string> events;
  for (const clTrafficRecord& record : rig_.TakeRecords())
    if (record.kind == clTrafficRecord::kEventKind)
      events.push_back(record.title + " [" + record.bytes.substr(0, 11) + "]");
  const std::vector<std::string> expected = {"INVALID MESSAGE [00]", "Read Timeout [10 40 01]",
                                             "BUFFER OVERFLOW [68 00 00 68]"};
  EXPECT_EQ(events, expected);
}

TEST_F(SlaveLink, LineNoiseNeverStopsTheSlaveAndAResetRecoversTheLink) {
  Start();
  rig_.device.Traffic().SetConsumerRunning(true);
  std::vector<uint8_t> noise(3000);
  uint32_t state = 12345;
  for (uint8_t& octet : noise) {
    state = state * 1103515245u + 12345u;
    octet = static_cast<uint8_t>(state >> 16);
  }
  noise[0] = 0x68;  // start with a long frame that swallows part of the noise
  ASSERT_TRUE(rig_.line->Write(noise));
  // Whatever the noise happened to ask is answered; let it end and drain it.
  std::this_thread::sleep_for(std::chrono::milliseconds(1200));
  while (!rig_.ReadAnswer(SlaveRig::kSilenceWaitMs).empty()) {
  }
  EXPECT_TRUE(rig_.engine->IsRunning());
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.Class2(), kNoData);
  EXPECT_LE(rig_.device.Traffic().Size(), clTrafficQueue::kCapacity);
}

TEST_F(SlaveLink, TrafficRecordsNameRequestsAndResponses) {
  Start();
  rig_.device.Traffic().SetConsumerRunning(true);
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.Class2(), kNoData);
  std::this_thread::sleep_for(std::chrono::milliseconds(1100));  // silence logs nothing
  std::vector<clTrafficRecord> records = rig_.TakeRecords();
  ASSERT_EQ(records.size(), 4u);
  EXPECT_TRUE(records[0].received);
  EXPECT_EQ(records[0].title, "Reset remote link Request");
  EXPECT_EQ(records[0].detail, "Link Control: Reset remote link [PRM:1 FCV:0 FCB:0] LinkAdr: 1");
  EXPECT_EQ(records[0].bytes, "10 40 01 41 16");
  EXPECT_FALSE(records[1].received);
  EXPECT_EQ(records[1].title, "ACK Response");
  EXPECT_EQ(records[1].detail, "Link Control: Acknowledge [PRM:0 ACD:0 DFC:0] LinkAdr: 1");
  EXPECT_EQ(records[2].title, "Class 2 Request");
  EXPECT_EQ(records[2].detail, "Link Control: User Data Class 2 [PRM:1 FCV:1 FCB:1] LinkAdr: 1");
  EXPECT_EQ(records[3].title, "Data Not Available Response");
  EXPECT_EQ(records[3].kind, 0);
}

TEST_F(SlaveLink, NothingIsLoggedWithoutATrafficConsumer) {
  Start();
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.SendExpectingSilence("00"), "");
  EXPECT_EQ(rig_.device.Traffic().Size(), 0u);
}

// ---- start and stop ----

TEST_F(SlaveLink, StartFailsOnAPortThatDoesNotOpen) {
  rig_.device.SetPortName("NOSUCHPORT");
  clIEC101SlaveEngine engine(rig_.device, rig_.ports, &rig_.clock);
  std::string failed;
  EXPECT_FALSE(engine.Start(&failed));
  EXPECT_EQ(failed, "NOSUCHPORT");
  EXPECT_FALSE(engine.IsRunning());
  EXPECT_FALSE(rig_.device.IsRunning());
}

TEST_F(SlaveLink, StopClosesOnlyThePortItOpenedAndARestartedSlaveWaitsForAReset) {
  Start();
  EXPECT_TRUE(rig_.device.IsRunning());
  std::string failed;
  EXPECT_FALSE(rig_.engine->Start(&failed)) << "already running";
  EXPECT_EQ(rig_.ResetLink(), kAck);
  rig_.engine->Stop();
  EXPECT_FALSE(rig_.device.IsRunning());
  clSerialPort& port = *rig_.ports.At(0);
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(rig_.engine->LinkState(), clIEC101SlaveEngine::LinkIdle);
  // Another device takes the port; stopping the stopped slave leaves it alone.
  ASSERT_EQ(port.Open(), 0);
  rig_.engine->Stop();
  EXPECT_TRUE(port.IsOpen());
  port.Close();
  ASSERT_TRUE(rig_.engine->Start(&failed)) << "restartable";
  EXPECT_EQ(rig_.SendExpectingSilence(rig_.Fixed(rig_.NextFcvControl(0x0B))), "")
      << "a restarted slave waits for a reset of remote link";
  EXPECT_EQ(rig_.ResetLink(), kAck);
}

TEST_F(SlaveLink, StopEndsAnRtsPreKeyWaitInTheMiddleOfAnAnswer) {
  Start();
  clSerialPort& port = *rig_.ports.At(0);
  port.SetFlowControl(clSerialPort::kFlowRtsToggle);
  port.SetRtsPreKeyMs(60000);
  rig_.line->Write(slave_test::Octets("10 49 01 4A 16"));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));  // the answer is keyed
  auto begin = Clock::now();
  rig_.engine->Stop();
  EXPECT_LT(ElapsedMs(begin), 10000);
  EXPECT_FALSE(rig_.device.IsRunning());
}

}  // namespace

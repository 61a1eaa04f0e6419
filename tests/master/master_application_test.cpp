// Commands, interrogation supervision and the processing of monitor data, with a
// secondary played over a pseudo-terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "master/master_write.h"
#include "master_test_helpers.h"
#include "model/sector.h"

namespace master_test {
namespace {

constexpr int kWait = 1500;
constexpr uint32_t kShortSupervisionMs = 600;

clMasterOptions ShortSupervision() {
  clMasterOptions t;
  t.requestTimeoutMs = kShortSupervisionMs;
  return t;
}

// A master with its link up; tracks the frame count bit so that each expected
// frame can be written as control function plus data.
class MasterApplicationTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(peer_.ok()); }
  void StartLinkedUp(int32_t cotSize = 1) {
    rig_ = std::make_unique<MasterRig>(peer_.Path(), options_);
    rig_->device.SetCotSize(cotSize);
    sector_ = &rig_->AddSector(1);
    Configure();
    rig_->device.Traffic().SetConsumerRunning(true);
    ASSERT_TRUE(rig_->Start());
    ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0x49)));
    peer_.Write(StatusOfLink());
    ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(0x40)));
    peer_.Write(Ack());
    fcb_ = 1;
  }
  virtual void Configure() {}
  // Control octet of the next frame with FCV for a function.
  uint8_t Next(uint8_t function) {
    uint8_t control = static_cast<uint8_t>(0x50 | function | (fcb_ ? 0x20 : 0));
    fcb_ ^= 1;
    return control;
  }
  void ExpectPoll(const Octets& answer, const char* why) {
    ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Fixed(Next(11)))) << why;
    peer_.Write(answer);
  }
  void ExpectData(const std::string& asdu, const Octets& answer, const char* why) {
    ASSERT_EQ(HexText(peer_.ReadFrame(kWait)), HexText(Variable(Next(3), Hex(asdu)))) << why;
    peer_.Write(answer);
  }
  std::vector<std::string> Titles() {
    std::vector<std::string> now = rig_->LoggedTitles();
    titles_.insert(titles_.end(), now.begin(), now.end());
    return titles_;
  }
  bool Logged(const std::string& title) {
    std::vector<std::string> all = Titles();
    return std::find(all.begin(), all.end(), title) != all.end();
  }

  PtyPeer peer_;
  clMasterOptions options_ = ShortSupervision();
  std::unique_ptr<MasterRig> rig_;
  clSector* sector_ = nullptr;
  uint8_t fcb_ = 1;
  std::vector<std::string> titles_;
};

TEST_F(MasterApplicationTest, SelectBeforeOperateRunsSelectConfirmExecuteConfirmTerminate) {
  StartLinkedUp();
  clTag& command = rig_->AddTag(*sector_, clTag::kSingleCommand, 5, true);
  clMasterWriteMemory memory;
  clMasterWrite write;
  write.value = 1;
  ASSERT_EQ(WriteMasterTag(rig_->engine.get(), *sector_, command, write, &memory), "");
  EXPECT_EQ(memory.singleCommand, 1);
  EXPECT_EQ(command.Quality(), 0);
  EXPECT_EQ(command.Value(), 1.0);
  ExpectData("2D 01 06 01 00 05 00 85", Ack(), "select ON is 0x85");
  EXPECT_EQ(command.CommandState(), 1);
  EXPECT_EQ(command.Cause(), 6);
  // An interrogation queued before the confirmation waits behind the execute.
  rig_->engine->SendInterrogation(1, 0, true);
  ExpectPoll(UserData(Hex("2D 01 07 01 00 05 00 85")), "confirmation of the select");
  ExpectData("2D 01 06 01 00 05 00 05", Ack(), "execute ON is 0x05, ahead of the interrogation");
  EXPECT_EQ(command.CommandState(), 2);
  ExpectPoll(UserData(Hex("2D 01 07 01 00 05 00 05")), "confirmation of the execute");
  ExpectPoll(UserData(Hex("2D 01 0A 01 00 05 00 05")), "termination");
  EXPECT_TRUE(WaitFor([&] { return command.Cause() == 10; }, kWait));
  ExpectData("64 01 06 01 00 00 00 14", Ack(), "now the interrogation");
  EXPECT_TRUE(Logged("Single Command Select Request"));
  EXPECT_TRUE(Logged("Single Command Execute Response"));
}

// The type identification is read by its low 7 bits everywhere, and in
// unbalanced mode every positive confirmation of a select queues its execute.
TEST_F(MasterApplicationTest, EachConfirmationOfASelectQueuesItsExecuteWhateverBit7OfTheType) {
  StartLinkedUp();
  rig_->engine->SendSingleCommand(1, 5, 1, true, true);
  ExpectData("2D 01 06 01 00 05 00 85", Ack(), "select ON");
  ExpectPoll(UserData(Hex("AD 01 07 01 00 05 00 85")), "confirmation, type octet with bit 7");
  ExpectData("2D 01 06 01 00 05 00 05", Ack(), "its execute");
  ExpectPoll(UserData(Hex("2D 01 07 01 00 05 00 85")), "the select confirmed once more");
  ExpectData("2D 01 06 01 00 05 00 05", Ack(), "another execute");
}

TEST_F(MasterApplicationTest, NegativeConfirmationEndsTheCommandAtOnce) {
  options_.requestTimeoutMs = 60000;  // the supervision would take a minute
  StartLinkedUp();
  rig_->engine->SendDoubleCommand(1, 9, 2, true, true);
  rig_->engine->SendInterrogation(1, 0, true);
  ExpectData("2E 01 06 01 00 09 00 86", Ack(), "double command select CLOSE");
  ExpectPoll(UserData(Hex("2E 01 47 01 00 09 00 86")), "negative confirmation");
  auto begin = Clock::now();
  ExpectData("64 01 06 01 00 00 00 14", Ack(), "the next request follows, no execute");
  EXPECT_LT(MsSince(begin), 10000);
}

TEST_F(MasterApplicationTest, TwoOctetCauseWithOriginatorMatchesNoCauseAndWaitsForSupervision) {
  StartLinkedUp(2);
  rig_->engine->SendSingleCommand(1, 5, 0, true, true);
  rig_->engine->SendInterrogation(1, 0, true);
  ExpectData("2D 01 06 00 01 00 05 00 84", Ack(), "select OFF 0x84, cause 6 in two octets");
  auto begin = Clock::now();
  ExpectPoll(UserData(Hex("2D 01 07 03 01 00 05 00 84")), "confirmation from originator 3");
  // No execute: polls go on until the supervision ends the request.
  Octets got;
  while (MsSince(begin) < 3000) {
    got = peer_.ReadFrame(kWait);
    if (got.size() == 5) {
      ASSERT_EQ(HexText(got), HexText(Fixed(Next(11))));
      peer_.Write(Ack());
      continue;
    }
    break;
  }
  EXPECT_EQ(HexText(got), HexText(Variable(Next(3), Hex("64 01 06 00 01 00 00 00 14"))));
  EXPECT_GE(MsSince(begin), static_cast<long>(kShortSupervisionMs) - 150);
}

// The request supervision text depends on how far the request came.
TEST_F(MasterApplicationTest, SupervisionTimeOutLogsTheMissingStep) {
  struct Case {
    Octets answerToRequest;
    Octets answerToPoll;
    const char* text;
  } cases[] = {
      {Fixed(0x0B), Ack(), "Request Timeout (No data link acknowledge)"},
      {Ack(), Ack(), "Request Timeout (No Activation Confirmation)"},
      {Ack(), UserData(Hex("64 01 07 01 00 00 00 14")),
       "Request Timeout (No Activation Termination)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    titles_.clear();
    StartLinkedUp();
    rig_->engine->SendInterrogation(1, 0, true);
    rig_->engine->SendSingleCommand(1, 4, 1, false, true);
    ExpectData("64 01 06 01 00 00 00 14", c.answerToRequest, "interrogation");
    ExpectPoll(c.answerToPoll, "first poll");
    Octets got;
    while ((got = peer_.ReadFrame(kWait)).size() == 5) {
      ASSERT_EQ(HexText(got), HexText(Fixed(Next(11))));
      peer_.Write(Ack());
    }
    EXPECT_EQ(HexText(got), HexText(Variable(Next(3), Hex("2D 01 06 01 00 04 00 05"))))
        << "the next request follows the time-out";
    EXPECT_TRUE(Logged(c.text));
    rig_.reset();
  }
}

TEST_F(MasterApplicationTest, InterrogationEndedByTerminationLogsNoTimeOut) {
  StartLinkedUp();
  rig_->engine->SendInterrogation(1, 0, true);
  ExpectData("64 01 06 01 00 00 00 14", Ack(), "interrogation");
  ExpectPoll(UserData(Hex("64 01 07 01 00 00 00 14")), "confirmation");
  ExpectPoll(UserData(Hex("64 01 0A 01 00 00 00 14")), "termination");
  EXPECT_TRUE(WaitFor([&] { return !rig_->engine->RequestBusy(); }, kWait));
  std::this_thread::sleep_for(std::chrono::milliseconds(kShortSupervisionMs + 200));
  for (const std::string& t : Titles()) EXPECT_EQ(t.find("Request Timeout"), std::string::npos);
}

class MasterAutoCreateTest : public MasterApplicationTest {
  void Configure() override {
    rig_->device.SetAutoCreateTags(true);
    rig_->engine->SetTagIdSource([this] { return nextId_++; });
  }

 protected:
  int32_t nextId_ = 500;
};

TEST_F(MasterAutoCreateTest, CreatesNamedTagsForKnownSectorsOnly) {
  StartLinkedUp();
  ExpectPoll(UserData(Hex("01 01 03 01 00 64 00 01")), "single point 100 of sector 1");
  ExpectPoll(UserData(Hex("0B 01 03 01 00 C8 00 39 30 00")), "scaled 200 = 12345");
  ExpectPoll(UserData(Hex("01 01 03 09 00 65 00 01")), "sector 9 is unknown");
  ExpectPoll(Ack(), "");
  clTag* sp = rig_->engine->FindTag(1, clTag::kSinglePoint, 100);
  ASSERT_NE(sp, nullptr);
  EXPECT_EQ(sp->Name(), "SP100");
  EXPECT_EQ(sp->Id(), 500);
  EXPECT_EQ(sp->SectorId(), sector_->Id());
  EXPECT_EQ(sp->Value(), 1.0);
  EXPECT_EQ(sp->Cause(), 3);
  clTag* meb = rig_->engine->FindTag(1, clTag::kMeasuredScaled, 200);
  ASSERT_NE(meb, nullptr);
  EXPECT_EQ(meb->Name(), "MEB200");
  EXPECT_EQ(meb->Value(), 12345.0);
  EXPECT_EQ(rig_->engine->FindTag(9, clTag::kSinglePoint, 101), nullptr);
  EXPECT_EQ(sector_->Tags().Count(), 2u);
}

TEST_F(MasterAutoCreateTest, CreationStopsAtTheLimitOfCreatedTags) {
  options_.maxCreatedTags = 2;
  StartLinkedUp();
  // SQ = 1: single points 1, 2 and 3 of sector 1.
  ExpectPoll(UserData(Hex("01 83 14 01 00 01 00 01 00 01")), "three new addresses");
  ExpectPoll(Ack(), "");
  EXPECT_EQ(sector_->Tags().Count(), 2u);
  EXPECT_NE(rig_->engine->FindTag(1, clTag::kSinglePoint, 2), nullptr);
  EXPECT_EQ(rig_->engine->FindTag(1, clTag::kSinglePoint, 3), nullptr);
}

TEST_F(MasterApplicationTest, SequenceOfElementsUpdatesConsecutiveAddressesAndNoTagIsCreated) {
  StartLinkedUp();
  clTag& a = rig_->AddTag(*sector_, clTag::kMeasuredScaled, 10);
  clTag& b = rig_->AddTag(*sector_, clTag::kMeasuredScaled, 11);
  clTag& c = rig_->AddTag(*sector_, clTag::kMeasuredScaled, 12);
  // SQ = 1, three elements from address 10; the last carries IV.
  ExpectPoll(UserData(Hex("0B 83 14 01 00 0A 00 01 00 00 02 00 00 FF FF 80")), "sequence");
  ExpectPoll(Ack(), "");
  EXPECT_EQ(a.Value(), 1.0);
  EXPECT_EQ(b.Value(), 2.0);
  EXPECT_EQ(c.Value(), -1.0);
  EXPECT_EQ(a.Quality(), 0);
  EXPECT_EQ(c.Quality(), clTag::kQualityInvalid);
  EXPECT_EQ(a.Cause(), 20);
  EXPECT_EQ(sector_->Tags().Count(), 3u) << "auto-create is off";
}

// A value that arrives again unchanged with good quality keeps its time stamp.
TEST_F(MasterApplicationTest, KeepTimeRuleForRepeatedValues) {
  StartLinkedUp();
  clTag& tag = rig_->AddTag(*sector_, clTag::kMeasuredScaled, 30);
  // Type 35 with CP56Time2a: ms within minute, minute, hour, day, month, year.
  auto frame = [](int value, int quality, int second) {
    char asdu[96];
    int ms = second * 1000;
    std::snprintf(asdu, sizeof asdu, "23 01 03 01 00 1E 00 %02X 00 %02X %02X %02X 0A 0C 06 0C 1A",
                  value, quality, ms & 0xFF, ms >> 8);
    return UserData(Hex(asdu));
  };
  struct Step {
    int value, quality, second;
    int expectSecond;
    int expectQuality;
  } steps[] = {
      {5, 0x00, 1, 1, 0},  // first value: time taken
      {5, 0x00, 2, 1, 0},  // same value, good: time kept
      {6, 0x00, 3, 3, 0},  // changed value: time replaced
      {6, 0x80, 4, 3, 8},  // same value, stored quality good: time kept, IV stored
      {6, 0x00, 5, 5, 0},  // same value, stored quality IV: time replaced
  };
  for (const Step& s : steps) {
    ExpectPoll(frame(s.value, s.quality, s.second), "measured value");
    ExpectPoll(Ack(), "");
    EXPECT_EQ(tag.Value(), s.value);
    EXPECT_EQ(tag.TimeStamp().second, s.expectSecond) << "second " << s.second;
    EXPECT_EQ(tag.Quality(), s.expectQuality) << "second " << s.second;
  }
  EXPECT_EQ(tag.TimeStamp().minute, 10);
  EXPECT_EQ(tag.TimeStamp().hour, 12);
  EXPECT_EQ(tag.TimeStamp().year, 2026);
}

class MasterClockSyncTest : public MasterApplicationTest {
  void Configure() override { rig_->device.SetTimeSyncPeriodSec(1); }
};

// GI period 0 sends no interrogation; the clock synchronisation period runs from
// the link coming up; an on-demand interrogation goes out at once.
TEST_F(MasterClockSyncTest, CyclicClockSyncThenInterrogationOnDemand) {
  StartLinkedUp();
  clTag& sync = rig_->AddTag(*sector_, clTag::kClockSync, 0);
  auto up = Clock::now();
  Octets got;
  while ((got = peer_.ReadFrame(kWait)).size() == 5) {
    ASSERT_EQ(HexText(got), HexText(Fixed(Next(11))));
    peer_.Write(Ack());
  }
  EXPECT_GE(MsSince(up), 900) << "one clock synchronisation period after the link came up";
  ASSERT_EQ(got.size(), 22u) << HexText(got);
  EXPECT_EQ(got[4], Next(3));
  EXPECT_EQ(HexText(Octets(got.begin() + 6, got.begin() + 13)), "67 01 06 01 00 00 00");
  clDateTime now = LocalNow();
  EXPECT_EQ(got[16], now.hour);
  EXPECT_EQ(got[19] + 2000, now.year);
  EXPECT_EQ(sync.Cause(), 6);
  peer_.Write(Ack());
  Octets asdu(got.begin() + 6, got.end() - 2);
  asdu[2] = 7;
  ExpectPoll(UserData(asdu), "clock synchronisation confirmed");
  ExpectPoll(UserData(Hex("46 01 04 01 00 00 00 00")), "end of initialisation");
  EXPECT_TRUE(WaitFor([&] { return !rig_->engine->RequestBusy(); }, kWait));
  EXPECT_EQ(sync.Cause(), 7);
  rig_->engine->RequestGeneralInterrogation();
  // The poll in flight comes first when the request arrives during its interval.
  got = peer_.ReadFrame(kWait);
  if (got.size() == 5) {
    ASSERT_EQ(HexText(got), HexText(Fixed(Next(11))));
    peer_.Write(Ack());
    got = peer_.ReadFrame(kWait);
  }
  EXPECT_EQ(HexText(got), HexText(Variable(Next(3), Hex("64 01 06 01 00 00 00 14"))));
  EXPECT_TRUE(Logged("End of initialisation Request"));
  EXPECT_TRUE(Logged("Clock Synchronization Request"));
}

TEST(MasterWriteTest, RefusalsLeaveTheTagUnchanged) {
  clIEC101MasterDevice device;
  clSerialPorts ports;
  clIEC101MasterEngine engine(device, ports);
  clSector active, disabled;
  disabled.SetActive(false);
  clTag command, measured;
  command.SetType(clTag::kSingleCommand);
  measured.SetType(clTag::kMeasuredFloat);
  clTag normalized;
  normalized.SetType(clTag::kSetpointNormalized);
  clMasterWrite write;
  write.value = 1;
  clMasterWriteMemory memory;
  EXPECT_EQ(WriteMasterTag(&engine, disabled, command, write, &memory), kWriteSectorDisabled);
  EXPECT_EQ(WriteMasterTag(&engine, active, measured, write, &memory), kWriteNotImplemented);
  EXPECT_EQ(WriteMasterTag(&engine, active, command, write, &memory), kWriteDeviceNotRunning);
  EXPECT_EQ(WriteMasterTag(nullptr, active, command, write, &memory), kWriteDeviceNotRunning);
  write.value = 0.5;
  EXPECT_EQ(WriteMasterTag(&engine, active, normalized, write, &memory), kWriteDeviceNotConnected);
  EXPECT_EQ(memory.singleCommand, 1) << "the value is kept for the next dialog";
  EXPECT_EQ(memory.setpointNormalized, 0.5);
  EXPECT_EQ(command.Quality(), clTag::kQualityUncertain);
  EXPECT_EQ(command.Value(), 0.0);
  EXPECT_EQ(engine.QueuedRequests(), 0u);
}

// A value the command's element cannot carry is refused before anything is
// kept, stored or sent; the largest values that fit go out exactly.
TEST_F(MasterApplicationTest, WriteRefusesValuesOutsideTheElementAndSendsTheEdgesExactly) {
  StartLinkedUp();
  struct Case {
    int32_t type;
    int32_t ioa;
    double value;
    const char* sent;  // the data unit, or null when refused
  };
  const Case cases[] = {
      {clTag::kSingleCommand, 5, 2, nullptr},
      {clTag::kSetpointScaled, 6, 40000, nullptr},
      {clTag::kSetpointScaled, 6, 12.5, nullptr},
      {clTag::kSetpointNormalized, 7, 1.5, nullptr},
      {clTag::kSetpointFloat, 8, 1e39, nullptr},
      {clTag::kDoubleCommand, 9, -1, nullptr},
      {clTag::kSetpointFloat, 8, 3e9, "32 01 06 01 00 08 00 5E D0 32 4F 00"},
      {clTag::kSetpointScaled, 6, -32768, "31 01 06 01 00 06 00 00 80 00"},
      {clTag::kSingleCommand, 5, 1, "2D 01 06 01 00 05 00 05"},
  };
  clMasterWriteMemory memory;
  for (const Case& c : cases) {
    clTag* tag = rig_->engine->FindTag(1, c.type, c.ioa);
    if (tag == nullptr) tag = &rig_->AddTag(*sector_, c.type, c.ioa);
    clMasterWrite write;
    write.value = c.value;
    const std::string refusal = WriteMasterTag(rig_->engine.get(), *sector_, *tag, write, &memory);
    if (c.sent == nullptr) {
      EXPECT_NE(refusal.find("is out of range: "), std::string::npos) << refusal;
      EXPECT_EQ(tag->Quality(), clTag::kQualityUncertain) << c.value;
      EXPECT_EQ(rig_->engine->QueuedRequests(), 0u) << c.value;
      continue;
    }
    ASSERT_EQ(refusal, "") << c.value;
    EXPECT_EQ(tag->Value(), c.value);
  }
  // One request at a time, in the order written.
  for (const Case& c : cases) {
    if (c.sent == nullptr) continue;
    ExpectData(c.sent, Ack(), "the value as written");
    ExpectPoll(UserData(Hex(std::string(c.sent).replace(3, 5, "01 0A"))), "termination");
  }
  EXPECT_EQ(memory.singleCommand, 1);
  EXPECT_EQ(memory.setpointScaled, -32768);
}

}  // namespace
}  // namespace master_test

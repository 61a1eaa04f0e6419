// Interrogation, spontaneous data and clock synchronisation of the slave,
// checked octet by octet on a pseudo-terminal.
#include <gtest/gtest.h>

#include <cstdio>

#include "tests/slave/slave_test_helpers.h"

namespace {
using slave_test::Hex;
using slave_test::SlaveRig;

using slave_test::kAck;
using slave_test::kNoData;
using slave_test::kNoDataAcd;
constexpr const char* kInterrogation = "64 01 06 01 00 00 00 14";
constexpr clDateTime kBase{2026, 12, 6, 10, 20, 30, 0};

std::string TimeHex(const clDateTime& time) {
  std::vector<uint8_t> octets(kCP56Time2aSize);
  EncodeCP56Time2a(time, octets.data());
  return Hex(octets);
}

clDateTime Plus(clDateTime time, int32_t ms) {
  time.millisecond += ms;
  time.second += time.millisecond / 1000;
  time.millisecond %= 1000;
  return time;
}

std::string Two(uint32_t value) {
  char text[8];
  std::snprintf(text, sizeof text, "%02X %02X", value & 0xFF, (value >> 8) & 0xFF);
  return text;
}

class SlaveReporting : public ::testing::Test {
 protected:
  void SetUp() override { sector_ = &rig_.AddSector(1); }
  void StartAndReset() {
    ASSERT_TRUE(rig_.StartOnPty());
    ASSERT_EQ(rig_.ResetLink(), kAck);
  }
  // Interrogates sector 1 and returns the data unit of every class 1 answer,
  // after checking the confirmation before and the termination after them.
  std::vector<std::string> Interrogate(const std::string& request = kInterrogation) {
    EXPECT_EQ(rig_.UserData(request), kAck);
    std::string confirmation = request;
    confirmation.replace(6, 2, "07");
    std::string first = rig_.Class2();
    EXPECT_TRUE(first == rig_.Variable(0x28, confirmation) ||
                first == rig_.Variable(0x08, confirmation))
        << first;
    std::vector<std::string> data;
    for (const std::string& answer : rig_.DrainWithClass1()) data.push_back(answer);
    std::string termination = request;
    termination.replace(6, 2, "0A");
    // The termination is the last record; the class 1 drain fetched it too.
    EXPECT_FALSE(data.empty());
    if (!data.empty()) {
      EXPECT_EQ(data.back(), rig_.Variable(0x08, termination));
      data.pop_back();
    }
    return data;
  }
  SlaveRig rig_;
  clSector* sector_ = nullptr;
};

TEST_F(SlaveReporting, InterrogationSendsRunsOfConsecutiveAddressesAsSequences) {
  rig_.AddTag(*sector_, clTag::kSinglePoint, 10, 0);
  rig_.AddTag(*sector_, clTag::kSinglePoint, 2, 0);
  rig_.AddTag(*sector_, clTag::kSinglePoint, 1, 1);
  rig_.AddTag(*sector_, clTag::kSinglePoint, 11, 1, clTag::kQualityBlocked);
  rig_.AddTag(*sector_, clTag::kSinglePoint, 3, 1, clTag::kQualityInvalid);
  StartAndReset();
  const std::vector<std::string> expected = {
      rig_.Variable(0x28, "01 83 14 01 00 01 00 01 00 81"),  // 1..3, more class 1 waits
      rig_.Variable(0x08, "01 82 14 01 00 0A 00 00 11"),     // 10..11
  };
  EXPECT_EQ(Interrogate(), expected);
  EXPECT_EQ(rig_.Class2(), kNoData);
}

TEST_F(SlaveReporting, InterrogationGroupsFollowTheTypeOrderWithTheirElements) {
  rig_.AddTag(*sector_, clTag::kIntegratedTotals, 7, 100);
  rig_.AddTag(*sector_, clTag::kMeasuredFloat, 6, 1.5);
  rig_.AddTag(*sector_, clTag::kMeasuredScaled, 5, -1);
  rig_.AddTag(*sector_, clTag::kMeasuredNormalized, 4, 0.5, clTag::kQualityOverflow);
  rig_.AddTag(*sector_, clTag::kStepPosition, 3, -1);
  rig_.AddTag(*sector_, clTag::kDoublePoint, 2, 2, clTag::kQualityNotTopical);
  rig_.AddTag(*sector_, clTag::kSinglePoint, 1, 1, clTag::kQualitySubstituted);
  rig_.AddTag(*sector_, clTag::kSingleCommand, 8, 1);  // commands are not reported
  StartAndReset();
  const std::vector<std::string> expected = {
      rig_.Variable(0x28, "01 81 14 01 00 01 00 21"),
      rig_.Variable(0x28, "03 81 14 01 00 02 00 42"),
      rig_.Variable(0x28, "05 81 14 01 00 03 00 7F 00"),
      rig_.Variable(0x28, "09 81 14 01 00 04 00 00 40 01"),
      rig_.Variable(0x28, "0B 81 14 01 00 05 00 FF FF 00"),
      rig_.Variable(0x28, "0D 81 14 01 00 06 00 00 00 C0 3F 00"),
      rig_.Variable(0x08, "0F 81 14 01 00 07 00 64 00 00 00 00"),
  };
  EXPECT_EQ(Interrogate(), expected);
}

TEST_F(SlaveReporting, InterrogationSplitsLongRunsAtTheObjectLimits) {
  for (int32_t ioa = 1; ioa <= 40; ++ioa) {
    rig_.AddTag(*sector_, clTag::kSinglePoint, ioa, ioa % 2);
    rig_.AddTag(*sector_, clTag::kMeasuredFloat, ioa, 0);
  }
  StartAndReset();
  std::vector<std::string> data = Interrogate();
  ASSERT_EQ(data.size(), 5u);
  // Qualifier and first address of each: 32 + 8 single points, 16 + 16 + 8 floats.
  const char* heads[] = {"01 A0 14 01 00 01 00", "01 88 14 01 00 21 00", "0D 90 14 01 00 01 00",
                         "0D 90 14 01 00 11 00", "0D 88 14 01 00 21 00"};
  for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(data[i].substr(18, 20), heads[i]) << i;
  // Lengths: header 7, first address 2, then the elements.
  const char* lengths[] = {"68 29 29 68", "68 11 11 68", "68 59 59 68", "68 59 59 68",
                           "68 31 31 68"};
  for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(data[i].substr(0, 11), lengths[i]) << i;
}

TEST_F(SlaveReporting, InterrogationReportsAddressZeroFirstAndSkipsDuplicates) {
  rig_.AddTag(*sector_, clTag::kSinglePoint, 1, 1);
  rig_.AddTag(*sector_, clTag::kSinglePoint, 0, 0);
  rig_.AddTag(*sector_, clTag::kSinglePoint, 1, 0);  // same address: not sent
  StartAndReset();
  const std::vector<std::string> expected = {rig_.Variable(0x08, "01 82 14 01 00 00 00 00 01")};
  EXPECT_EQ(Interrogate(), expected);
}

TEST_F(SlaveReporting, GroupInterrogationIsAnsweredLikeStationInterrogation) {
  rig_.AddTag(*sector_, clTag::kDoublePoint, 4, 1);
  StartAndReset();
  const std::vector<std::string> expected = {rig_.Variable(0x08, "03 81 14 01 00 04 00 01")};
  EXPECT_EQ(Interrogate("64 01 06 01 00 00 00 15"), expected);
}

TEST_F(SlaveReporting, InterrogationOfAnInactiveOrUnknownSectorIsRefused) {
  rig_.AddTag(rig_.AddSector(2, false), clTag::kSinglePoint, 1, 1);
  StartAndReset();
  EXPECT_EQ(rig_.UserData("64 01 06 02 00 00 00 14"), kNoData);
  EXPECT_EQ(rig_.UserData("64 01 06 FF FF 00 00 14"), kNoData) << "broadcast address";
  EXPECT_EQ(rig_.Class1(), kNoData) << "nothing queued, no confirmation";
  EXPECT_EQ(rig_.Class2(), kNoData);
}

TEST_F(SlaveReporting, TwentyChangesLeaveAsSixteenAndFourInRecordedOrder) {
  rig_.clock.SetNow(kBase, 1);
  for (int32_t ioa = 1; ioa <= 20; ++ioa) rig_.AddTag(*sector_, clTag::kSinglePoint, ioa, 0);
  StartAndReset();
  for (int32_t i = 0; i < 20; ++i) {
    int32_t ioa = i % 2 == 0 ? 20 - i / 2 : 1 + i / 2;  // 20, 1, 19, 2, ...
    ASSERT_TRUE(rig_.engine->SetTagValue(1, static_cast<uint32_t>(ioa), 1));
  }
  EXPECT_EQ(rig_.Class2(), kNoDataAcd);
  std::string first = "1E 10 03 01 00", second = "1E 04 03 01 00";
  for (int32_t i = 0; i < 20; ++i) {
    int32_t ioa = i % 2 == 0 ? 20 - i / 2 : 1 + i / 2;
    std::string object = " " + Two(static_cast<uint32_t>(ioa)) + " 01 " + TimeHex(Plus(kBase, i));
    (i < 16 ? first : second) += object;
  }
  EXPECT_EQ(rig_.Class1(), rig_.Variable(0x28, first));
  EXPECT_EQ(rig_.Class1(), rig_.Variable(0x08, second));
  EXPECT_EQ(rig_.Class1(), kNoData);
}

TEST_F(SlaveReporting, EachChangeOfAFloatIsSentWithItsOwnValueAndTime) {
  rig_.clock.SetNow(kBase, 5);
  rig_.AddTag(*sector_, clTag::kMeasuredFloat, 3, 0, clTag::kQualityInvalid);
  clTag& point = rig_.AddTag(*sector_, clTag::kSinglePoint, 4, 0);
  StartAndReset();
  ASSERT_TRUE(rig_.engine->SetTagValue(1, 4, 1));
  ASSERT_TRUE(rig_.engine->SetTagValue(1, 3, 1.5));
  ASSERT_TRUE(rig_.engine->SetTagValue(1, 3, -2));
  EXPECT_TRUE(rig_.engine->SetTagValue(1, 3, -2)) << "set, but unchanged: no report";
  EXPECT_FALSE(rig_.engine->SetTagValue(1, 99, 1));
  EXPECT_FALSE(rig_.engine->SetTagValue(9, 3, 1));
  EXPECT_EQ(rig_.engine->PendingChanges(), 3u);
  EXPECT_EQ(point.TimeStamp().millisecond, 0);
  EXPECT_EQ(rig_.Class2(), kNoDataAcd);
  EXPECT_EQ(rig_.Class1(), rig_.Variable(0x28, "1E 01 03 01 00 04 00 01 " + TimeHex(kBase)));
  EXPECT_EQ(rig_.Class1(),
            rig_.Variable(0x08, "24 02 03 01 00 03 00 00 00 C0 3F 80 " + TimeHex(Plus(kBase, 5)) +
                                    " 03 00 00 00 00 C0 80 " + TimeHex(Plus(kBase, 10))));
}

TEST_F(SlaveReporting, ChangesOfAStoppedSlaveAreNotReportedButShowInTheNextInterrogation) {
  clTag& tag = rig_.AddTag(*sector_, clTag::kMeasuredScaled, 2, 0);
  StartAndReset();
  rig_.StopEngine();
  EXPECT_TRUE(rig_.engine->SetTagValue(1, 2, 300));
  EXPECT_EQ(tag.Value(), 300);
  EXPECT_EQ(rig_.engine->PendingChanges(), 0u);
  std::string failed;
  ASSERT_TRUE(rig_.engine->Start(&failed));
  EXPECT_EQ(rig_.ResetLink(), kAck);
  EXPECT_EQ(rig_.Class2(), kNoData);
  const std::vector<std::string> expected = {rig_.Variable(0x08, "0B 81 14 01 00 02 00 2C 01 00")};
  EXPECT_EQ(Interrogate(), expected);
}

TEST_F(SlaveReporting, ChangesOfAnInactiveSectorAreDropped) {
  clSector& off = rig_.AddSector(2, false);
  rig_.AddTag(off, clTag::kSinglePoint, 1, 0);
  StartAndReset();
  EXPECT_TRUE(rig_.engine->SetTagValue(2, 1, 1));
  EXPECT_EQ(rig_.engine->PendingChanges(), 0u);
  EXPECT_EQ(rig_.Class2(), kNoData);
}

TEST_F(SlaveReporting, ClockSynchronisationIsConfirmedWithTheSlavesOwnTime) {
  const clDateTime own{2026, 12, 6, 10, 20, 30, 123};
  rig_.clock.SetNow(own, 0);
  StartAndReset();
  const std::string request = "67 01 06 01 00 00 00 " + TimeHex({2001, 2, 3, 4, 5, 6, 7});
  EXPECT_EQ(rig_.UserData(request), kAck);
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "67 01 07 01 00 00 00 AB 75 14 0A 06 0C 1A"));
  EXPECT_EQ(rig_.Class2(), kNoData) << "no termination follows";
  EXPECT_EQ(rig_.UserData("67 01 06 05 00 00 00 " + TimeHex(own)), kNoData) << "unknown sector";
}

TEST_F(SlaveReporting, ClockSynchronisationAnswersAnInactiveSector) {
  rig_.AddSector(3, false);
  StartAndReset();
  EXPECT_EQ(rig_.UserData("67 01 06 03 00 00 00 " + TimeHex(kBase)), kAck);
}

TEST_F(SlaveReporting, LargestSizesKeepSpontaneousDataWithinOneFrame) {
  rig_.SetSizes(2, 2, 3, 2);
  for (int32_t ioa = 1; ioa <= 17; ++ioa) rig_.AddTag(*sector_, clTag::kMeasuredFloat, ioa, 0);
  ASSERT_TRUE(rig_.StartOnPty());
  ASSERT_EQ(rig_.Send("10 40 01 00 41 16"), "10 00 01 00 01 16");
  for (uint32_t ioa = 1; ioa <= 17; ++ioa) ASSERT_TRUE(rig_.engine->SetTagValue(1, ioa, 2.0));
  EXPECT_EQ(rig_.Send(rig_.Fixed(rig_.NextFcvControl(0x0B))), "10 29 01 00 2A 16");
  std::string full = rig_.Send(rig_.Fixed(rig_.NextFcvControl(0x0A)));
  // 16 objects of 3 + 12 octets after a 9-octet header: L = 249.
  EXPECT_EQ(full.substr(0, 27), "68 F9 F9 68 28 01 00 24 10 ");
  std::string rest = rig_.Send(rig_.Fixed(rig_.NextFcvControl(0x0A)));
  EXPECT_EQ(rest.substr(0, 27), "68 18 18 68 08 01 00 24 01 ");
}

TEST_F(SlaveReporting, RecordsUseTheRequestAndResponseTexts) {
  rig_.AddTag(*sector_, clTag::kSinglePoint, 5, 1);
  StartAndReset();
  rig_.device.Traffic().SetConsumerRunning(true);
  EXPECT_EQ(rig_.UserData(kInterrogation), kAck);
  EXPECT_EQ(rig_.Class2().substr(12, 2), "28");
  EXPECT_EQ(rig_.Class1().substr(12, 2), "08");
  EXPECT_EQ(rig_.UserData("67 01 06 01 00 00 00 " + TimeHex(kBase)), kAck);
  std::vector<clTrafficRecord> records = rig_.TakeRecords();
  ASSERT_EQ(records.size(), 8u);
  EXPECT_EQ(records[0].title, "Interrogation Request");
  EXPECT_EQ(records[0].asdu, "ASDU: 100 <Interrogation Command> Count:1 SQ:0");
  EXPECT_EQ(records[0].cause, "COT: 6 <activation> Sector 1");
  ASSERT_EQ(records[0].elements.size(), 1u);
  EXPECT_EQ(records[0].elements[0].value, "QOI: 20 <Station Interrogation>");
  EXPECT_EQ(records[3].title, "Interrogation Response");
  EXPECT_EQ(records[3].detail, "Link Control: User Data Confirm [PRM:0 ACD:1 DFC:0] LinkAdr: 1");
  EXPECT_EQ(records[3].cause, "COT: 7 <activation confirmation> Sector 1");
  EXPECT_EQ(records[5].title, "Single Point Response");
  EXPECT_EQ(records[5].asdu, "ASDU: 1 <Single Point> Length:10 Count:1 SQ:1");
  EXPECT_EQ(records[5].cause, "COT: 20 <interrogated by general interrogation> Sector 1");
  EXPECT_EQ(records[5].kind, 1);
  EXPECT_EQ(records[6].title, "Clock Synchronization Request");
  EXPECT_EQ(records[6].kind, 103);
}

}  // namespace

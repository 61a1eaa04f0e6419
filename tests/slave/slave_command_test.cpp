// Commands to the slave: confirmation, termination, and the effect on the
// command tag and its linked tag, checked octet by octet on a pseudo-terminal.
#include <gtest/gtest.h>

#include "tests/slave/slave_test_helpers.h"

namespace {
using slave_test::Hex;
using slave_test::SlaveRig;

using slave_test::kAck;
using slave_test::kNoData;
using slave_test::kNoDataAcd;
constexpr clDateTime kBase{2026, 12, 6, 10, 20, 30, 0};

std::string TimeHex(const clDateTime& time) {
  std::vector<uint8_t> octets(kCP56Time2aSize);
  EncodeCP56Time2a(time, octets.data());
  return Hex(octets);
}

// The request's data unit with another cause (one-octet cause at index 2).
std::string WithCause(std::string asdu, const char* cause) {
  asdu.replace(6, 2, cause);
  return asdu;
}

class SlaveCommands : public ::testing::Test {
 protected:
  void SetUp() override {
    rig_.clock.SetNow(kBase, 0);
    sector_ = &rig_.AddSector(1);
  }
  void StartAndReset() {
    ASSERT_TRUE(rig_.StartOnPty());
    ASSERT_EQ(rig_.ResetLink(), kAck);
  }
  // Sends an execute and fetches its confirmation and termination.
  void Execute(const std::string& asdu) {
    EXPECT_EQ(rig_.UserData(asdu), kAck);
    EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, WithCause(asdu, "07")));
    EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, WithCause(asdu, "0A")));
  }
  SlaveRig rig_;
  clSector* sector_ = nullptr;
};

struct LinkCase {
  int32_t commandType;
  const char* request;
  int32_t linkedType;
  double linkedBefore;
  double commandAfter;
  double linkedAfter;
  const char* report;  // the spontaneous object after address 20, or "" for none
  const char* reason;
};

constexpr LinkCase kLinkCases[] = {
    {clTag::kSingleCommand, "2D 01 06 01 00 05 00 01", clTag::kSinglePoint, 0, 1, 1, "1E:01",
     "single command on: single point on"},
    {clTag::kSingleCommand, "2D 01 06 01 00 05 00 00", clTag::kDoublePoint, 2, 0, 1, "1F:01",
     "single command off: double point open"},
    {clTag::kSingleCommand, "2D 01 06 01 00 05 00 01", clTag::kDoublePoint, 2, 1, 2, "",
     "already closed: no change, no report"},
    {clTag::kDoubleCommand, "2E 01 06 01 00 05 00 01", clTag::kSinglePoint, 1, 1, 0, "1E:00",
     "DCS 1: single point off"},
    {clTag::kDoubleCommand, "2E 01 06 01 00 05 00 02", clTag::kDoublePoint, 1, 2, 2, "1F:02",
     "DCS 2: double point close"},
    {clTag::kDoubleCommand, "2E 01 06 01 00 05 00 03", clTag::kSinglePoint, 1, 3, 1, "",
     "DCS 3 leaves the point alone"},
    {clTag::kDoubleCommand, "2E 01 06 01 00 05 00 00", clTag::kDoublePoint, 2, 0, 2, "",
     "DCS 0 leaves the point alone"},
    {clTag::kRegulatingStep, "2F 01 06 01 00 05 00 02", clTag::kStepPosition, 63, 2, -64,
     "20:40 00", "raising 63 wraps to -64"},
    {clTag::kRegulatingStep, "2F 01 06 01 00 05 00 01", clTag::kStepPosition, -64, 1, 63,
     "20:3F 00", "lowering -64 wraps to 63"},
    {clTag::kRegulatingStep, "2F 01 06 01 00 05 00 00", clTag::kStepPosition, 10, 0, 10, "20:0A 00",
     "RCS 0: unchanged but reported"},
    {clTag::kRegulatingStep, "2F 01 06 01 00 05 00 03", clTag::kStepPosition, 10, 3, 10, "20:0A 00",
     "RCS 3: unchanged but reported"},
    {clTag::kSetpointScaled, "31 01 06 01 00 05 00 FF FF 00", clTag::kMeasuredScaled, 7, -1, -1, "",
     "scaled -1 into the measured value, no report"},
    {clTag::kSetpointNormalized, "30 01 06 01 00 05 00 00 40 00", clTag::kMeasuredNormalized, 0,
     0.5, 0.5, "", "normalized 0.5"},
    {clTag::kSetpointFloat, "32 01 06 01 00 05 00 00 00 C0 3F 00", clTag::kMeasuredFloat, 0, 1.5,
     1.5, "", "float 1.5"},
    {clTag::kSingleCommand, "2D 01 06 01 00 05 00 01", clTag::kMeasuredFloat, 4, 1, 4, "",
     "a linked tag of another type is left alone"},
    {clTag::kSetpointFloat, "32 01 06 01 00 05 00 00 00 C0 3F 00", clTag::kSinglePoint, 0, 1.5, 0,
     "", "set-point linked to a point: point left alone"},
};

TEST(SlaveCommandLinks, ExecutedCommandsChangeTheLinkedTagByTheTable) {
  for (const LinkCase& c : kLinkCases) {
    SCOPED_TRACE(c.reason);
    SlaveRig rig;
    rig.clock.SetNow(kBase, 0);
    clSector& sector = rig.AddSector(1);
    clTag& linked = rig.AddTag(sector, c.linkedType, 20, c.linkedBefore);
    linked.SetTimeStamp({2001, 1, 1, 0, 0, 0, 0});
    clTag& command = rig.AddTag(sector, c.commandType, 5, 0);
    rig.Link(command, linked);
    ASSERT_TRUE(rig.StartOnPty());
    ASSERT_EQ(rig.ResetLink(), kAck);
    EXPECT_EQ(rig.UserData(c.request), kAck);
    EXPECT_EQ(rig.Class2(), rig.Variable(0x08, WithCause(c.request, "07")));
    EXPECT_EQ(rig.Class2(), rig.Variable(0x08, WithCause(c.request, "0A")));
    EXPECT_EQ(command.Value(), c.commandAfter);
    EXPECT_EQ(command.TimeStamp().year, 2026);
    EXPECT_EQ(linked.Value(), c.linkedAfter);
    std::string report = c.report;
    if (report.empty()) {
      EXPECT_EQ(rig.Class2(), kNoData);
      continue;
    }
    EXPECT_EQ(rig.Class2(), kNoDataAcd);
    std::string object = report.substr(0, 2) + " 01 03 01 00 14 00 " + report.substr(3);
    EXPECT_EQ(rig.Class1(), rig.Variable(0x08, object + " " + TimeHex(kBase)));
    EXPECT_EQ(linked.TimeStamp().year, 2026) << "takes the command's time stamp";
  }
}

TEST_F(SlaveCommands, SameCommandAgainConfirmsWithoutSpontaneousData) {
  clTag& point = rig_.AddTag(*sector_, clTag::kDoublePoint, 20, 1);
  clTag& command = rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  rig_.Link(command, point);
  StartAndReset();
  Execute("2D 01 06 01 00 05 00 01");
  EXPECT_EQ(rig_.Class2(), kNoDataAcd);
  EXPECT_EQ(rig_.Class1(), rig_.Variable(0x08, "1F 01 03 01 00 14 00 02 " + TimeHex(kBase)));
  Execute("2D 01 06 01 00 05 00 01");
  EXPECT_EQ(rig_.Class2(), kNoData);
  EXPECT_EQ(point.Value(), 2);
}

TEST_F(SlaveCommands, SelectIsConfirmedOnlyAndChangesNothing) {
  clTag& point = rig_.AddTag(*sector_, clTag::kSinglePoint, 20, 0);
  clTag& command = rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  rig_.Link(command, point);
  StartAndReset();
  for (int repeat = 0; repeat < 2; ++repeat) {
    EXPECT_EQ(rig_.UserData("2D 01 06 01 00 05 00 81"), kAck);
    EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2D 01 07 01 00 05 00 81"));
    EXPECT_EQ(rig_.Class2(), kNoData) << "no termination after a select";
  }
  EXPECT_EQ(command.Value(), 0);
  EXPECT_EQ(point.Value(), 0);
  EXPECT_EQ(command.TimeStamp().year, 2000);
}

TEST_F(SlaveCommands, CommandTagWithoutLinkOrWithAVanishedLinkChangesAlone) {
  clTag& plain = rig_.AddTag(*sector_, clTag::kSetpointScaled, 5, 0);
  clTag& dangling = rig_.AddTag(*sector_, clTag::kDoubleCommand, 6, 0);
  dangling.SetLinkEnabled(true);
  dangling.SetLinkTarget(9999);
  clTag& disabled = rig_.AddTag(*sector_, clTag::kSingleCommand, 7, 0);
  clTag& point = rig_.AddTag(*sector_, clTag::kSinglePoint, 20, 0);
  disabled.SetLinkTarget(point.Id());
  StartAndReset();
  Execute("31 01 06 01 00 05 00 E8 03 00");
  Execute("2E 01 06 01 00 06 00 02");
  Execute("2D 01 06 01 00 07 00 01");
  EXPECT_EQ(plain.Value(), 1000);
  EXPECT_EQ(dangling.Value(), 2);
  EXPECT_EQ(disabled.Value(), 1);
  EXPECT_EQ(point.Value(), 0) << "link not enabled";
  EXPECT_EQ(rig_.Class2(), kNoData);
}

TEST_F(SlaveCommands, ConfirmationKeepsTheSequenceBitOfTheRequest) {
  rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  StartAndReset();
  Execute("2D 81 06 01 00 05 00 01");
}

TEST_F(SlaveCommands, UnknownAddressWrongTypeOrTruncatedObjectIsRefusedWithFunction9) {
  rig_.AddTag(*sector_, clTag::kDoubleCommand, 5, 0);
  rig_.AddTag(rig_.AddSector(2, false), clTag::kSingleCommand, 5, 0);
  StartAndReset();
  EXPECT_EQ(rig_.UserData("2D 01 06 01 00 05 00 01"), kNoData) << "double command tag at 5";
  EXPECT_EQ(rig_.UserData("2D 01 06 03 00 05 00 01"), kNoData) << "no sector 3";
  EXPECT_EQ(rig_.UserData("2E 01 06 01 00 05"), kNoData) << "object cut short";
  EXPECT_EQ(rig_.UserData("2D 01 06 02 00 05 00 01"), kAck) << "an inactive sector commands";
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2D 01 07 02 00 05 00 01"));
}

TEST_F(SlaveCommands, CommandsAreAcceptedBeforeTheLinkIsReset) {
  clTag& command = rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  ASSERT_TRUE(rig_.StartOnPty());
  EXPECT_EQ(rig_.UserData("2D 01 06 01 00 05 00 01"), kAck);
  EXPECT_EQ(command.Value(), 1);
}

TEST_F(SlaveCommands, CauseOtherThanActivationGetsNoAnswerAtAll) {
  rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  StartAndReset();
  rig_.device.Traffic().SetConsumerRunning(true);
  const char* requests[] = {"2D 01 08 01 00 05 00 01", "2D 01 86 01 00 05 00 01",
                            "2D 01 46 01 00 05 00 01"};
  for (const char* request : requests)
    EXPECT_EQ(rig_.UserData(request, SlaveRig::kSilenceWaitMs), "") << request;
  // A repetition (the FCB not toggled) of a refused request is refused as it was.
  EXPECT_EQ(
      rig_.Send(rig_.Variable(rig_.RepeatFcvControl(0x03), requests[2]), SlaveRig::kSilenceWaitMs),
      "");
  EXPECT_EQ(rig_.Class2(), kNoData);
  std::vector<clTrafficRecord> records = rig_.TakeRecords();
  ASSERT_GE(records.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(records[i].title, "Invalid Cause Of Transmission");
    EXPECT_EQ(records[i].kind, 45);
  }
}

TEST_F(SlaveCommands, TwoOctetCauseNeedsOriginatorZero) {
  rig_.SetSizes(1, 2, 2, 2);
  rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  StartAndReset();
  EXPECT_EQ(rig_.UserData("2D 01 06 05 01 00 05 00 01", SlaveRig::kSilenceWaitMs), "");
  EXPECT_EQ(rig_.UserData("2D 01 06 00 01 00 05 00 01"), kAck);
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2D 01 07 00 01 00 05 00 01"));
  EXPECT_EQ(rig_.Class2(), rig_.Variable(0x08, "2D 01 0A 00 01 00 05 00 01"));
}

TEST_F(SlaveCommands, UnsupportedRequestsAreRefusedAndLoggedAsNotImplemented) {
  StartAndReset();
  rig_.device.Traffic().SetConsumerRunning(true);
  const char* requests[] = {"65 01 06 01 00 00 00 05", "68 01 06 01 00 00 00 AA 55",
                            "66 01 06 01 00 00 00",    "69 01 06 01 00 00 00 01",
                            "3A 01 06 01 00 05 00 01", "01 01 06 01 00 05 00 01"};
  for (const char* request : requests) EXPECT_EQ(rig_.UserData(request), kNoData) << request;
  EXPECT_EQ(rig_.Class1(), kNoData) << "nothing queued";
  std::vector<clTrafficRecord> records = rig_.TakeRecords();
  ASSERT_GE(records.size(), 4u);
  EXPECT_EQ(records[0].title, "ASDU 101 <not implemented> not yet implemented");
  EXPECT_EQ(records[0].kind, clTrafficRecord::kEventKind);
  EXPECT_EQ(records[1].title, "Data Not Available Response");
  EXPECT_EQ(records[2].title, "ASDU 104 <Test command> not yet implemented");
}

TEST_F(SlaveCommands, CommandRecordsUseTheCommandTitles) {
  rig_.AddTag(*sector_, clTag::kSingleCommand, 5, 0);
  StartAndReset();
  rig_.device.Traffic().SetConsumerRunning(true);
  Execute("2D 01 06 01 00 05 00 01");
  std::vector<clTrafficRecord> records = rig_.TakeRecords();
  ASSERT_EQ(records.size(), 6u);
  EXPECT_EQ(records[0].title, "Single Command Execute Request");
  EXPECT_EQ(records[0].kind, 45);
  EXPECT_EQ(records[0].cause, "COT: 6 <activation> Sector 1");
  EXPECT_EQ(records[1].title, "ACK Response");
  EXPECT_EQ(records[3].title, "Single Command Execute Response");
  EXPECT_EQ(records[3].cause, "COT: 7 <activation confirmation> Sector 1");
  EXPECT_EQ(records[5].cause, "COT: 10 <activation termination> Sector 1");
}

}  // namespace

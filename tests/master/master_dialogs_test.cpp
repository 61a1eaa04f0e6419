#include "master/master_dialogs.h"

#include <gtest/gtest.h>

#include "master/master_settings.h"
#include "master/master_tag_settings.h"
#include "model/tag.h"

namespace {

TEST(MasterDialogsTest, CommandListShowsTheLastValueAndHandsOnTheChoice) {
  struct Case {
    int32_t type, lastValue, index;
  } cases[] = {
      {8, 0, 0},   {8, 1, 1},  {8, 2, -1},   // single: Off, On
      {9, 1, 0},   {9, 2, 1},  {9, 0, -1},   // double: Open, Close
      {13, 1, 0},  {13, 2, 1}, {13, 3, -1},  // step: Lower, Higher
      {10, 1, -1},                           // a setpoint has no list
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CommandChoiceIndex(c.type, c.lastValue), c.index) << c.type << "/" << c.lastValue;
    if (c.index >= 0) {
      EXPECT_EQ(CommandChoiceValue(c.type, c.index, -7), c.lastValue);
    }
  }
  EXPECT_EQ(CommandChoiceValue(9, 0, 2), 1) << "double command: Open hands on 1";
  EXPECT_EQ(CommandChoiceValue(9, -1, 2), 2) << "no selection keeps the value";
}

TEST(MasterDialogsTest, TypeListOrderAndEnablingRules) {
  EXPECT_EQ(MasterTagTypeAt(2), 7) << "Step Position comes third";
  EXPECT_EQ(MasterTagTypeAt(9), 13);
  EXPECT_EQ(MasterTagTypeAt(15), 0);
  for (int32_t i = 0; i < 15; ++i) EXPECT_EQ(MasterTagTypeIndex(MasterTagTypeAt(i)), i);
  EXPECT_FALSE(SboEnabled(3));
  EXPECT_FALSE(SboEnabled(14));
  EXPECT_TRUE(SboEnabled(13));
  EXPECT_TRUE(ScaleEnabled(6));
  EXPECT_FALSE(ScaleEnabled(7));
}

TEST(MasterDialogsTest, RunningMasterOffersOnlyNameAndModemAndTestFunctionFollowsBalancedMode) {
  const clMasterField all[] = {
      clMasterField::kName,        clMasterField::kPort,         clMasterField::kLinkAddress,
      clMasterField::kFieldSizes,  clMasterField::kRetries,      clMasterField::kPollInterval,
      clMasterField::kReadTimeout, clMasterField::kGiPeriod,     clMasterField::kTimeSyncPeriod,
      clMasterField::kTestPeriod,  clMasterField::kBalancedMode, clMasterField::kAutoCreateTags,
      clMasterField::kModem,
  };
  for (clMasterField field : all) {
    const bool always = field == clMasterField::kName || field == clMasterField::kModem;
    EXPECT_EQ(MasterFieldEnabled(field, true, true), always) << static_cast<int>(field);
    EXPECT_TRUE(MasterFieldEnabled(field, false, true)) << static_cast<int>(field);
  }
  EXPECT_FALSE(MasterFieldEnabled(clMasterField::kTestPeriod, false, false));
  clMasterSettings s;
  s.name = "Stati\xE2\x82\xACon";  // the euro sign is in the file's code page
  s.linkAddressSize = 1;
  s.linkAddress = 256;  // goes on the line as 0
  EXPECT_NE(s.Check(false), "");
  EXPECT_EQ(s.Check(true), "") << "a running master keeps its link address";
  s.linkAddressSize = 2;
  EXPECT_EQ(s.Check(false), "");
  s.name = "\xE2\x86\x92";  // an arrow is not
  EXPECT_NE(s.Check(true), "");
}

TEST(MasterDialogsTest, TagSettingsStoreWhatTheTypeAllows) {
  clTag tag;
  tag.SetType(clTag::kMeasuredScaled);
  tag.SetSelectBeforeOperate(true);
  clMasterTagSettings s = clMasterTagSettings::From(tag);
  EXPECT_FALSE(s.SboEnabled());
  EXPECT_TRUE(s.ScaleEnabled());
  EXPECT_FALSE(s.LinearEnabled()) << "scaling is off";
  s.selectBeforeOperate = false;
  s.scaleEnabled = true;
  s.scaleType = clMasterTagSettings::kScaleFactor;
  s.factor = 0.5;
  EXPECT_TRUE(s.FactorEnabled());
  s.ApplyTo(tag);
  EXPECT_TRUE(tag.IsSelectBeforeOperate()) << "SBO of a measured value is left as it was";
  EXPECT_EQ(tag.ScaleType(), 4);
  EXPECT_EQ(tag.ScaleFactor(), 0.5);

  // An interrogation tag saved with address 12 ends with address 0, whatever
  // the size; a command tag's address must fit the device's IOA size.
  s.type = clTag::kInterrogation;
  s.address.ioa = 12;
  EXPECT_EQ(s.Check(1), "");
  s.ApplyTo(tag);
  EXPECT_EQ(tag.TagType(), clTag::kInterrogation);
  EXPECT_EQ(tag.Ioa(), 0);
  s.type = clTag::kDoubleCommand;
  s.address.ioa = 256;
  EXPECT_NE(s.Check(1), "");
  EXPECT_EQ(s.Check(2), "");
  s.selectBeforeOperate = true;
  s.address = {true, 0, 1, 2, 3};
  EXPECT_NE(s.Check(2), "") << "1/2/3 needs three octets";
  s.ApplyTo(tag);
  EXPECT_EQ(tag.Ioa(), 0x010203);
  EXPECT_TRUE(tag.StructuredIoa());
  EXPECT_TRUE(tag.IsSelectBeforeOperate());

  // Linear scaling over an empty raw range is refused.
  s.type = clTag::kMeasuredFloat;
  s.scaleType = clMasterTagSettings::kScaleLinear;
  s.rawMin = s.rawMax = 7;
  EXPECT_NE(s.Check(3), "");
  s.scaleEnabled = false;
  EXPECT_EQ(s.Check(3), "");
}

TEST(MasterDialogsTest, SetpointValueRefusedOutsideWhatTheCommandCarries) {
  struct Case {
    int32_t type;
    const char* text;
    bool taken;
  } cases[] = {
      {10, "-1", true},     {10, "0.5", true},  {10, "1.5", false}, {11, "-32768", true},
      {11, "32768", false}, {11, "2.5", false}, {12, "1e30", true}, {12, "1e39", false},
      {12, "abc", false},   {12, "", false},
  };
  for (const Case& c : cases) {
    double value = 99;
    const std::string bad = ReadSetpointValue(c.type, c.text, &value);
    EXPECT_EQ(bad.empty(), c.taken) << c.type << " " << c.text << ": " << bad;
    if (!c.taken) {
      EXPECT_EQ(value, 99) << "a refused value is not handed on";
    }
  }
  EXPECT_TRUE(TimePickersEnabled(kCustomTime));
  EXPECT_FALSE(TimePickersEnabled(kCurrentTime));
}

}  // namespace

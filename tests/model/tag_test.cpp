#include "model/tag.h"

#include <gtest/gtest.h>

#include <cmath>

#include "model/tag_range.h"

namespace {

TEST(Tag, NewTagIsUncertainAtTheEpochWithLinearFlagButScalingOff) {
  clTag tag;
  EXPECT_EQ(tag.GetProperty("quality"), "Uncertain");
  EXPECT_EQ(tag.GetProperty("timestamp"), "2000-01-01 00:00:00.000");
  EXPECT_EQ(tag.GetProperty("value"), "0");
  EXPECT_EQ(tag.Flags(), 0x2);
  EXPECT_EQ(tag.GetProperty("scale_type"), "linear");
  EXPECT_EQ(tag.GetProperty("scale_state"), "disable");
  tag.SetValue(5);
  EXPECT_EQ(tag.Value(), 5);
  EXPECT_EQ(tag.TagType(), 1);
  EXPECT_EQ(tag.Ioa(), 1);
}

TEST(Tag, ScalingByFlagsWithFactorWinningAndEmptyRawRangeGivingEngMin) {
  struct Case {
    const char* why;
    int32_t flags;
    double rawMin, rawMax, engMin, engMax, factor, raw, expected;
  } cases[] = {
      {"linear full range", 0x2, 0, 32767, 0, 100, 0, 32767, 100},
      {"linear midpoint with offsets", 0x2, 10, 20, -50, 50, 0, 15, 0},
      {"factor", 0x4, 0, 0, 0, 0, 0.1, 250, 25},
      {"factor wins over linear", 0x6, 0, 10, 0, 1000, 2, 3, 6},
      {"no scaling flag keeps raw", 0x0, 0, 10, 0, 1000, 2, 3, 3},
      {"empty raw range gives eng min", 0x2, 7, 7, -4, 9, 0, 123, -4},
      {"empty raw range at zero", 0x2, 0, 0, 0, 0, 0, 1, 0},
  };
  for (const Case& c : cases) {
    clTag tag;
    tag.SetFlags(c.flags);
    tag.SetRawMin(c.rawMin);
    tag.SetRawMax(c.rawMax);
    tag.SetEngMin(c.engMin);
    tag.SetEngMax(c.engMax);
    tag.SetScaleFactor(c.factor);
    tag.SetScalingEnabled(true);
    tag.SetValue(c.raw);
    EXPECT_DOUBLE_EQ(tag.Value(), c.expected) << c.why;
    EXPECT_TRUE(std::isfinite(tag.Scale(c.raw))) << c.why;
  }
}

TEST(Tag, QualityTextListsFlagsThenUncertainWithoutSeparator) {
  struct Case {
    int32_t quality;
    const char* text;
  } cases[] = {
      {0x09, "BLK,INV"},          {0x101, "BLKUncertain"}, {0, "Good"},     {0x100, "Uncertain"},
      {0x1F, "BLK,ST,NT,INV,OV"}, {0x12, "ST,OV"},         {0x200, "Good"},
  };
  for (const Case& c : cases) {
    clTag tag;
    tag.SetQuality(c.quality);
    EXPECT_EQ(tag.GetProperty("quality"), c.text) << c.quality;
  }
}

TEST(Tag, QualityByteEncodesOverflowOnlyForMeasurandTypes) {
  struct Case {
    int32_t type, quality;
    uint8_t octet;
  } cases[] = {
      {3, 0x18, 0x81}, {1, 0x18, 0x80},  {7, 0x10, 0x01},
      {8, 0x10, 0x00}, {2, 0x107, 0x70}, {6, 0x1F, 0x80},  // a counter: IV only
  };
  for (const Case& c : cases) {
    clTag tag;
    tag.SetType(c.type);
    tag.SetQuality(c.quality);
    EXPECT_EQ(tag.QualityByte(), c.octet) << c.type << " " << c.quality;
  }
}

TEST(Tag, EngValueTextByType) {
  struct Case {
    int32_t type;
    double value;
    const char* text;
  } cases[] = {
      {1, 0, "Off"},       {1, 1, "On"},      {8, 2, "On"},          {2, 0, "Intransit"},
      {2, 1, "Open"},      {9, 2, "Close"},   {2, 3, "Invalid"},     {13, 0, "Not Permit"},
      {13, 1, "Lower"},    {13, 2, "Higher"}, {13, 3, "Not Permit"}, {5, 1.5, "1.5"},
      {4, -0.25, "-0.25"}, {6, 2.0, "2"},     {3, 1e-7, "0"},
  };
  for (const Case& c : cases) {
    clTag tag;
    tag.SetType(c.type);
    tag.SetRawValue(c.value);
    EXPECT_EQ(tag.GetProperty("engvalue"), c.text) << c.type << " " << c.value;
  }
}

TEST(Tag, IoaBytesAndStructuredText) {
  clTag tag;
  tag.SetIoa(658188);
  EXPECT_EQ(tag.IoaLow(), 12);
  EXPECT_EQ(tag.IoaMiddle(), 11);
  EXPECT_EQ(tag.IoaHigh(), 10);
  EXPECT_EQ(tag.GetProperty("ioastructure"), "10/11/12");
  for (const char* ignored : {"1/2", "1/2/300", "1/2/3/4", "a/b/c", "1//3", "-1/2/3", ""}) {
    tag.SetProperty("ioastructure", ignored);
    EXPECT_EQ(tag.Ioa(), 658188) << ignored;
  }
  tag.SetProperty("IOASTRUCTURE", "1/2/3");
  EXPECT_EQ(tag.Ioa(), 0x010203);
  tag.SetIOA(0xFF, 0, 1);
  EXPECT_EQ(tag.Ioa(), 0x0100FF);
}

TEST(Tag, SetPropertyValueRulesByType) {
  struct Case {
    int32_t type;
    const char* key;
    const char* text;
    double expected;  // starting from 7
  } cases[] = {
      {1, "value", "0.5", 1},       {1, "value", "-2", 0},
      {1, "value", "0", 0},         {2, "value", "9", 3},
      {2, "value", "-1", 0},        {2, "value", "2", 2},
      {4, "value", "-12.5", -12.5}, {8, "value", "1", 7},
      {13, "value", "1", 7},        {1, "value", "abc", 7},
      {1, "engvalue", "off", 0},    {1, "engvalue", "xyz", 1},
      {2, "engvalue", "OPEN", 1},   {2, "engvalue", "close", 2},
      {2, "engvalue", "junk", 3},   {2, "engvalue", "intransit", 0},
      {13, "engvalue", "2", 2},     {5, "engvalue", "3.25", 3.25},
      {5, "engvalue", "3.x", 7},    {9, "engvalue", "Open", 7},
      {5, "Value", "1e3", 1000},    {5, "value", "nan", 7},
      {5, "value", "inf", 7},
  };
  for (const Case& c : cases) {
    clTag tag;
    tag.SetType(c.type);
    tag.SetRawValue(7);
    tag.SetProperty(c.key, c.text);
    EXPECT_EQ(tag.Value(), c.expected) << c.type << " " << c.key << "=" << c.text;
  }
}

TEST(Tag, SetPropertyConfigurationKeys) {
  clTag tag;
  tag.SetProperty("type", "setpoint FLOAT command");
  EXPECT_EQ(tag.TagType(), 12);
  tag.SetProperty("type", "Single");
  EXPECT_EQ(tag.TagType(), 12);
  tag.SetProperty("ioa", " 4711 ");
  EXPECT_EQ(tag.Ioa(), 4711);
  tag.SetProperty("ioa", "12x");
  EXPECT_EQ(tag.Ioa(), 4711);
  tag.SetProperty("scale", "ENABLE");
  EXPECT_TRUE(tag.ScalingEnabled());
  tag.SetProperty("scale", "maybe");
  EXPECT_TRUE(tag.ScalingEnabled());
  tag.SetProperty("scale_type", "Factor");
  EXPECT_EQ(tag.Flags() & 0x6, 0x4);
  EXPECT_EQ(tag.GetProperty("scale_type"), "factor");
  tag.SetProperty("scale_type", "linear");
  EXPECT_EQ(tag.Flags() & 0x6, 0x2);
  tag.SetProperty("rawmin", "-10");
  tag.SetProperty("rawmax", "10.5");
  tag.SetProperty("engmin", "1");
  tag.SetProperty("engmax", "2");
  tag.SetProperty("scale_factor", "0.001");
  EXPECT_EQ(tag.GetProperty("rawmin"), "-10");
  EXPECT_EQ(tag.GetProperty("RAWMAX"), "10.5");
  EXPECT_EQ(tag.GetProperty("engmin"), "1");
  EXPECT_EQ(tag.GetProperty("engmax"), "2");
  EXPECT_EQ(tag.GetProperty("scale_factor"), "0.001");
  tag.SetProperty("name", "Pump Ä");
  EXPECT_EQ(tag.GetProperty("Name"), "Pump Ä");
  EXPECT_EQ(tag.GetProperty("type"), "SetPoint Float Command");
  EXPECT_EQ(tag.GetProperty("no such key"), "");
  tag.SetProperty("no such key", "1");  // ignored
}

TEST(Tag, CauseAndCommandTexts) {
  clTag tag;
  const std::pair<int32_t, const char*> causes[] = {
      {1, "Periodic"},
      {3, "Spontaneous"},
      {7, "Activation Confirmation"},
      {11, "Return information caused by a remote command"},
      {13, "File transfer"},
      {20, "Interrogation"},
      {0, "Not Defined"},
      {14, "Not Defined"},
      {21, "Not Defined"},
  };
  for (const auto& [cause, text] : causes) {
    tag.SetCause(cause);
    EXPECT_EQ(tag.GetProperty("cot"), text) << cause;
  }
  const std::pair<int32_t, const char*> states[] = {
      {0, ""}, {1, "Select"}, {2, "Execute"}, {3, ""}};
  for (const auto& [state, text] : states) {
    tag.SetCommandState(state);
    EXPECT_EQ(tag.GetProperty("command"), text) << state;
  }
}

TEST(Tag, KindPredicatesAndFlagSetters) {
  clTag tag;
  for (int32_t type = 1; type <= 15; ++type) {
    tag.SetType(type);
    EXPECT_EQ(tag.IsPointType(), type <= 2) << type;
    EXPECT_EQ(tag.IsCommandType(), type >= 8 && type <= 13) << type;
  }
  tag.SetFlags(0x6);
  EXPECT_EQ(tag.ScaleType(), 4);
  tag.SetScaleType(2);
  EXPECT_EQ(tag.Flags(), 0x2);
  tag.SetFlags(0);
  EXPECT_EQ(tag.ScaleType(), 0);
  tag.SetSelectBeforeOperate(true);
  EXPECT_TRUE(tag.IsSelectBeforeOperate());
  EXPECT_EQ(tag.Flags(), 0x1);
  tag.SetSelectBeforeOperate(false);
  EXPECT_EQ(tag.Flags(), 0);
  tag.SetRawValue(-2.9);
  EXPECT_EQ(tag.ValueAsInteger(), -2);
  tag.SetRawValue(1e300);
  EXPECT_EQ(tag.ValueAsInteger(), INT64_MAX);
  tag.SetQuality(0);
  EXPECT_TRUE(tag.IsGood());
}

TEST(Tag, ValueRangesFollowTheElementEachTypeIsSentIn) {
  struct Case {
    int32_t type;
    double inside, outside;
  };
  const Case cases[] = {
      {clTag::kSinglePoint, 1, 2},
      {clTag::kDoublePoint, 3, 4},
      {clTag::kMeasuredNormalized, -1, 1.001},
      {clTag::kMeasuredScaled, 32767, 32768},
      {clTag::kMeasuredFloat, 3e38, 4e38},
      {clTag::kIntegratedTotals, -2147483648.0, 2147483648.0},
      {clTag::kStepPosition, -64, -65},
      {clTag::kSingleCommand, 0, -1},
      {clTag::kDoubleCommand, 2, 2.5},
      {clTag::kSetpointNormalized, 1, -1.5},
      {clTag::kSetpointScaled, -32768, 40000},
      {clTag::kSetpointFloat, -3e9, -1e39},
      {clTag::kRegulatingStep, 3, 0.5},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(CheckTagValue(c.type, c.inside), "") << c.type;
    EXPECT_NE(CheckTagValue(c.type, c.outside), "") << c.type;
    EXPECT_NE(CheckTagValue(c.type, std::nan("")), "") << c.type;
  }
  EXPECT_EQ(CheckTagValue(clTag::kSetpointScaled, 40000),
            "Value 40000 is out of range: SetPoint Scaled Command takes a whole number from "
            "-32768 to 32767");
  EXPECT_EQ(CheckTagValue(clTag::kClockSync, 1e300), "") << "carries no value";
  clTagValueRange range;
  EXPECT_FALSE(TagValueRange(clTag::kInterrogation, &range));
  ASSERT_TRUE(TagValueRange(clTag::kStepPosition, &range));
  EXPECT_TRUE(range.whole);
  EXPECT_EQ(range.min, -64);
}

TEST(Tag, NumberTextDropsTrailingZerosAndSeparator) {
  const std::pair<double, const char*> cases[] = {
      {1.5, "1.5"},
      {2.0, "2"},
      {-0.25, "-0.25"},
      {0, "0"},
      {-0.0, "0"},
      {100, "100"},
      {0.000001, "0.000001"},
      {-0.0000001, "0"},
      {1234567.125, "1234567.125"},
  };
  for (const auto& [value, text] : cases) EXPECT_EQ(NumberText(value), text) << value;
}

TEST(Tag, CopyKeepsEveryField) {
  clTag tag;
  tag.SetName("x");
  tag.SetReservedB(9);
  tag.SetRawValue(3.5);
  tag.SetQuality(4);
  tag.SetTimeStamp(clTimeStamp{2001, 2, 3, 4, 5, 6, 7});
  const clTag copy(tag);
  EXPECT_EQ(copy.Name(), "x");
  EXPECT_EQ(copy.ReservedB(), 9);
  EXPECT_EQ(copy.Value(), 3.5);
  EXPECT_EQ(copy.Quality(), 4);
  EXPECT_EQ(copy.GetProperty("timestamp"), "2001-02-03 04:05:06.007");
}

}  // namespace

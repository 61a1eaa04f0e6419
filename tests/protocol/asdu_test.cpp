// Builders and readers of the application data unit, checked in both directions.
#include "protocol/asdu.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

#include "protocol/traffic_text.h"
#include "tests/protocol/frame_test_helpers.h"

namespace {

using frame_test::AsduHex;
using frame_test::Load;

const clDateTime kTime{2026, 12, 6, 13, 45, 30, 250};
constexpr const char* kTimeHex = "2A 76 2D 0D 06 0C 1A";  // 30250 ms, 45 min, 13 h, 6, 12, 26
constexpr const char* kTimeText = "2026-12-06 13:45:30.250";
const clDateTime kReception{2030, 1, 2, 3, 4, 5, 6};
constexpr uint8_t kRequest = 0x73;   // PRM, FCB, FCV, user data confirm
constexpr uint8_t kResponse = 0x08;  // user data

struct TypeVector {
  uint8_t typeId;
  uint8_t control;
  uint32_t cause;
  std::function<void(clIEC101Frame&)> build;
  std::string asduHex;  // type id up to the last data octet
  double value;
  std::string valueText;
  std::string nameText;
  std::string statusText;
  uint32_t qualityFlags;
  const char* reason;
};

std::vector<TypeVector> Vectors() {
  std::string t = kTimeHex;
  return {
      {1, kResponse, 3, [](clIEC101Frame& f) { f.AppendPointObject(0x1234, 1, 0x10); },
       "01 01 03 01 00 34 12 11", 1, "On", "", "Block", 0x01, "SPI on, blocked"},
      {3, kResponse, 3, [](clIEC101Frame& f) { f.AppendPointObject(0x1234, 2, 0x80); },
       "03 01 03 01 00 34 12 82", 2, "Close", "", "Invalid", 0x08, "DPI on, invalid"},
      {5, kResponse, 3, [](clIEC101Frame& f) { f.AppendStepObject(0x1234, -5, 0); },
       "05 01 03 01 00 34 12 7B 00", -5, "-5", "", "", 0, "negative step, 7-bit form"},
      {9, kResponse, 3, [](clIEC101Frame& f) { f.AppendNormalizedObject(0x1234, 0.25, 0x01); },
       "09 01 03 01 00 34 12 00 20 01", 0.25, "0.25", "", "Overflow", 0x10, "QDS overflow"},
      {11, kResponse, 3, [](clIEC101Frame& f) { f.AppendScaledObject(0x1234, -2, 0x20); },
       "0B 01 03 01 00 34 12 FE FF 20", -2, "-2", "", "Substituted", 0x02, "negative scaled"},
      {13, kResponse, 3, [](clIEC101Frame& f) { f.AppendFloatObject(0x1234, 1.5, 0x40); },
       "0D 01 03 01 00 34 12 00 00 C0 3F 40", 1.5, "1.5", "", "Not Topical", 0x04, "R32 low first"},
      {15, kResponse, 3, [](clIEC101Frame& f) { f.AppendCounterObject(0x1234, 100000, 0x25); },
       "0F 01 03 01 00 34 12 A0 86 01 00 25", 100000, "100000", "", "Sequence 5,Carry", 0,
       "sequence number and carry are no quality"},
      {30, kResponse, 3, [](clIEC101Frame& f) { f.AppendPointObjectTimed(0x1234, 0, 0, kTime); },
       "1E 01 03 01 00 34 12 00 " + t, 0, "Off", kTimeText, "", 0, "single point with time"},
      {31, kResponse, 3, [](clIEC101Frame& f) { f.AppendPointObjectTimed(0x1234, 3, 0x40, kTime); },
       "1F 01 03 01 00 34 12 43 " + t, 3, "Invalid", kTimeText, "Not Topical", 0x04,
       "indeterminate double point"},
      {32, kResponse, 3, [](clIEC101Frame& f) { f.AppendStepObjectTimed(0x1234, 70, 0, kTime); },
       "20 01 03 01 00 34 12 3F 01 " + t, 63, "63", kTimeText, "Overflow", 0x10,
       "step clamped with OV"},
      {34, kResponse, 3,
       [](clIEC101Frame& f) { f.AppendNormalizedObjectTimed(0x1234, -1.0, 0, kTime); },
       "22 01 03 01 00 34 12 00 80 00 " + t, -1, "-1", kTimeText, "", 0, "normalized -1"},
      {35, kResponse, 3,
       [](clIEC101Frame& f) { f.AppendScaledObjectTimed(0x1234, 32767, 0, kTime); },
       "23 01 03 01 00 34 12 FF 7F 00 " + t, 32767, "32767", kTimeText, "", 0, "largest scaled"},
      {36, kResponse, 3,
       [](clIEC101Frame& f) { f.AppendFloatObjectTimed(0x1234, -0.125, 0, kTime); },
       "24 01 03 01 00 34 12 00 00 00 BE 00 " + t, -0.125, "-0.125", kTimeText, "", 0,
       "negative float"},
      {37, kResponse, 3,
       [](clIEC101Frame& f) { f.AppendCounterObjectTimed(0x1234, -1, 0xDF, kTime); },
       "25 01 03 01 00 34 12 FF FF FF FF DF " + t, -1, "-1", kTimeText,
       "Sequence 31,Adjusted,Invalid", 0x08, "counter is signed; IV is the one quality"},
      {45, kRequest, 6,
       [](clIEC101Frame& f) { f.AppendCommandObject(0x1234, CommandOctet(1, 1, true)); },
       "2D 01 06 01 00 34 12 85", 1, "On", "", "Select <Short Pulse>", 0, "SCO select"},
      {46, kRequest, 6,
       [](clIEC101Frame& f) { f.AppendCommandObject(0x1234, CommandOctet(2, 0, false)); },
       "2E 01 06 01 00 34 12 02", 2, "Close", "", "Execute <No Pulse>", 0, "DCO execute"},
      {47, kRequest, 6,
       [](clIEC101Frame& f) { f.AppendCommandObject(0x1234, CommandOctet(1, 3, true)); },
       "2F 01 06 01 00 34 12 8D", 1, "Lower", "", "Select <Latch>", 0, "RCO lower"},
      {48, kRequest, 6, [](clIEC101Frame& f) { f.AppendNormalizedSetpoint(0x1234, -0.5, 0x80); },
       "30 01 06 01 00 34 12 00 C0 80", -0.5, "-0.5", "", "Select", 0, "normalized set-point"},
      {49, kRequest, 6, [](clIEC101Frame& f) { f.AppendScaledSetpoint(0x1234, 1000, 0x00); },
       "31 01 06 01 00 34 12 E8 03 00", 1000, "1000", "", "Execute", 0, "scaled set-point"},
      {50, kRequest, 6, [](clIEC101Frame& f) { f.AppendFloatSetpoint(0x1234, 2.5, 0x80); },
       "32 01 06 01 00 34 12 00 00 20 40 80", 2.5, "2.5", "", "Select", 0, "float set-point"},
      {100, kRequest, 6, [](clIEC101Frame& f) { f.AppendCommandObject(0, 20); },
       "64 01 06 01 00 00 00 14", 20, "QOI: 20 <Station Interrogation>", "", "", 0,
       "station interrogation"},
      {103, kRequest, 6, [](clIEC101Frame& f) { f.AppendTimeObject(0, kTime); },
       "67 01 06 01 00 00 00 " + t, 0, kTimeText, "", "", 0, "clock synchronisation"},
  };
}

TEST(Asdu_Vectors, EveryTypeBuildsItsOctetsAndDecodesBackToItsValueAndTexts) {
  for (const TypeVector& v : Vectors()) {
    SCOPED_TRACE(std::to_string(v.typeId) + ": " + v.reason);
    clIEC101Frame frame;
    frame.SetSizes(1, 2, 2, 1);
    frame.BeginAsdu(v.control, 1, v.typeId, v.cause, 1);
    v.build(frame);
    frame.Seal();
    ASSERT_EQ(frame.Check(), FrameComplete);
    EXPECT_EQ(AsduHex(frame), v.asduHex);

    std::vector<clInformationObject> objects = DecodeObjects(frame, kReception);
    ASSERT_EQ(objects.size(), 1u);
    EXPECT_EQ(objects[0].address, v.typeId >= 100 ? 0u : 0x1234u);
    EXPECT_DOUBLE_EQ(objects[0].value, v.value);
    EXPECT_EQ(objects[0].qualityFlags, v.qualityFlags);

    clTrafficRecord record;
    DecodeTrafficText(frame, clTrafficView{}, kReception, record);
    EXPECT_EQ(record.kind, v.typeId);
    ASSERT_EQ(record.elements.size(), 1u);
    EXPECT_EQ(record.elements[0].value, v.valueText);
    EXPECT_EQ(record.elements[0].name, v.nameText);
    EXPECT_EQ(record.elements[0].status, v.statusText);
  }
}

// Type 36 with every combination of field sizes, as single objects and as a sequence.
TEST(Asdu_Sizes, EveryFieldSizeCombinationPlacesAndReadsEveryField) {
  for (uint32_t la : {1u, 2u})
    for (uint32_t ca : {1u, 2u})
      for (uint32_t cot : {1u, 2u})
        for (uint32_t ioa : {1u, 2u, 3u})
          for (bool sequence : {false, true}) {
            SCOPED_TRACE(testing::Message() << "LA " << la << " CA " << ca << " COT " << cot
                                            << " IOA " << ioa << " SQ " << sequence);
            clIEC101Frame frame;
            frame.SetSizes(la, ca, ioa, cot);
            uint32_t cause = 0x0203;  // cause 3 from originator 2
            frame.BeginAsdu(0x08, 0x0102, 36, cause, 0x0304);
            uint32_t base = ioa == 1 ? 0x12 : ioa == 2 ? 0x1234 : 0x123456;
            frame.sequenceFlag = sequence ? 1 : 0;
            frame.AppendObjectAddress(base);
            for (int i = 0; i < 3; ++i) {
              if (i > 0 && !sequence) frame.AppendObjectAddress(base + 10 * i);
              frame.AppendFloatObject(1.0 + i, 0);
              frame.AppendTime(kTime);
            }
            frame.Seal();
            int32_t expected = 4 + 1 + la + 2 + cot + ca + ioa * (sequence ? 1 : 3) + 3 * 12 + 2;
            ASSERT_EQ(frame.Length(), expected);
            ASSERT_EQ(frame.Check(), FrameComplete);
            EXPECT_EQ(frame.LinkAddress(), la == 1 ? 0x02u : 0x0102u);
            EXPECT_EQ(frame.At(5 + la), 36);
            EXPECT_EQ(frame.TypeId(), 36);
            EXPECT_EQ(frame.ObjectCount(), 3u);
            EXPECT_EQ(frame.IsSequence(), sequence);
            EXPECT_EQ(frame.Cause(), cot == 1 ? 0x03u : 0x0203u);
            EXPECT_EQ(frame.CommonAddress(), ca == 1 ? 0x04u : 0x0304u);
            EXPECT_EQ(frame.FirstObjectAddress(), base);
            std::vector<clInformationObject> objects = DecodeObjects(frame, kReception);
            ASSERT_EQ(objects.size(), 3u);
            for (uint32_t i = 0; i < 3; ++i) {
              EXPECT_EQ(objects[i].address, base + (sequence ? i : 10 * i));
              EXPECT_DOUBLE_EQ(objects[i].value, 1.0 + i);
              EXPECT_EQ(objects[i].time, kTime);
            }
          }
}

TEST(Asdu_Normalized, EncodingRoundsAndClampsTo32766AndMinus32768) {
  const struct {
    double value;
    uint16_t word;
  } cases[] = {
      {0.5, 0x4000},
      {-0.5, 0xC000},
      {-1.0, 0x8000},
      {1.0, 32766},
      {2.0, 32766},
      {-3.0, 0x8000},
      {0.0, 0},
      {32767.0 / 32768, 0x7FFF},
      {1.0 / 65536, 1},
      {-1.0 / 65536, 0},
      {std::numeric_limits<double>::quiet_NaN(), 0},
      {std::numeric_limits<double>::infinity(), 32766},
  };
  for (const auto& c : cases) EXPECT_EQ(NormalizedWord(c.value), c.word) << c.value;

  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  frame.BeginAsdu(0x08, 1, 9, 3, 1);
  frame.AppendNormalizedObject(1, 1.0, 0);
  EXPECT_EQ(frame.At(frame.Length() - 3), 0xFE);
  EXPECT_EQ(frame.At(frame.Length() - 2), 0x7F);
}

TEST(Asdu_Normalized, DecodingIsTwosComplementOver32768) {
  EXPECT_DOUBLE_EQ(NormalizedValue(0x8000), -1.0);
  EXPECT_DOUBLE_EQ(NormalizedValue(0x7FFF), 0.999969482421875);
  EXPECT_DOUBLE_EQ(NormalizedValue(0xC000), -0.5);
  EXPECT_EQ(ScaledValue(0xFFFF), -1);
  EXPECT_EQ(ScaledValue(0x8000), -32768);
}

TEST(Asdu_Step, OutOfRangeValuesClampWithOverflowAndBit7IsIgnored) {
  const struct {
    int32_t value;
    uint8_t vti;
    bool overflow;
  } cases[] = {{70, 0x3F, true}, {-70, 0x40, true},  {-1, 0x7F, false}, {63, 0x3F, false},
               {64, 0x3F, true}, {-64, 0x40, false}, {-65, 0x40, true}, {0, 0, false}};
  for (const auto& c : cases) {
    bool overflow = !c.overflow;
    EXPECT_EQ(StepOctet(c.value, overflow), c.vti) << c.value;
    EXPECT_EQ(overflow, c.overflow) << c.value;
  }
  EXPECT_EQ(StepValue(0xFF), -1) << "transient bit ignored";
  EXPECT_EQ(StepValue(0xBF), 63);
  EXPECT_EQ(StepValue(0x40), -64);

  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  frame.BeginAsdu(0x08, 1, 5, 3, 1);
  frame.AppendStepObject(1, -70, 0x10);
  EXPECT_EQ(frame.At(frame.Length() - 2), 0x40);
  EXPECT_EQ(frame.At(frame.Length() - 1), 0x11) << "OV is added to the caller's quality";
}

TEST(Asdu_Fields, CauseAddressesAndSetCauseFollowTheirSizes) {
  clIEC101Frame frame;
  frame.SetSizes(1, 2, 3, 2);
  frame.Reset();
  frame.AppendObjectAddress(0x12345);
  EXPECT_EQ(frame.HexText(), "45 23 01");
  frame.SetSizes(1, 2, 4, 2);
  frame.AppendObjectAddress(0x12345);
  EXPECT_EQ(frame.Length(), 3) << "an object-address size of 4 writes nothing";

  frame.SetSizes(1, 2, 2, 2);
  frame.BeginAsdu(0x08, 1, 1, 0x0503, 0x0102);
  frame.AppendPointObject(7, 1, 0);
  frame.Seal();
  EXPECT_EQ(frame.Cause(), 0x0503u) << "originator is the high octet of the number";
  frame.SetCause(0x0007);
  EXPECT_EQ(frame.Cause(), 7u);
  EXPECT_EQ(frame.CommonAddress(), 0x0102u) << "SetCause leaves the next field alone";

  frame.SetSizes(1, 2, 2, 3);
  EXPECT_EQ(frame.Cause(), 0u) << "unsupported cause size reads as 0";
  EXPECT_EQ(frame.TypeId(), 0);
  clIEC101Frame fixed = Load("10 49 01 4A 16", 1, 2, 2, 1);
  EXPECT_EQ(fixed.TypeId(), 0);
  EXPECT_EQ(fixed.Cause(), 0u);
  EXPECT_TRUE(DecodeObjects(fixed, kReception).empty());
}

TEST(Asdu_Readers, ValueReadersNeverReadBeyondTheHeldLength) {
  clIEC101Frame frame = Load("68 04 04 68 08 01 0D 01 00 16", 1, 2, 2, 1, false);
  uint16_t word = 0xAAAA;
  uint8_t quality = 0xBB;
  EXPECT_FALSE(frame.WordAt(8, word, quality)) << "word and quality need octets 8 to 10";
  EXPECT_EQ(word, 0xAAAA);
  EXPECT_EQ(quality, 0xBB);
  int32_t counter = 7;
  float f = 7;
  EXPECT_FALSE(frame.CounterAt(6, counter, quality));
  EXPECT_FALSE(frame.FloatAt(6, f, quality));
  EXPECT_TRUE(frame.WordAt(7, word, quality));
  EXPECT_EQ(word, 0x0001);
  EXPECT_EQ(quality, 0x16) << "the last held octet may be read, nothing past it";
  uint8_t value = 9;
  EXPECT_FALSE(frame.PointAt(10, false, value, quality));
  EXPECT_FALSE(frame.PointAt(-1, false, value, quality));
  EXPECT_EQ(value, 9);
  EXPECT_EQ(frame.ObjectAddressAt(7), 0u) << "at or beyond length - 3";
}

// A data unit whose qualifier announces one object more than it holds: the missing
// object would end in the checksum and end octets and must not be decoded.
TEST(Asdu_Walk, ObjectsReachingIntoTheChecksumAreNotDecodedForAnyType) {
  for (const TypeVector& v : Vectors()) {
    const clElementLayout* layout = FindElementLayout(v.typeId);
    ASSERT_NE(layout, nullptr);
    if (layout->firstOnly) continue;
    SCOPED_TRACE(std::to_string(v.typeId));
    for (int missing : {2, 1}) {  // octets of the third object that are not there
      clIEC101Frame frame;
      frame.SetSizes(1, 2, 2, 1);
      frame.BeginAsdu(kResponse, 1, v.typeId, 3, 1);
      v.build(frame);
      v.build(frame);
      for (int i = 0; i < 2 + layout->objectSize - missing; ++i) frame.AppendOctet(0x11);
      frame.objectCount = 3;
      frame.Seal();
      ASSERT_EQ(frame.Check(), FrameComplete);
      EXPECT_EQ(DecodeObjects(frame, kReception).size(), 2u) << missing << " missing";
    }
    clIEC101Frame whole;
    whole.SetSizes(1, 2, 2, 1);
    whole.BeginAsdu(kResponse, 1, v.typeId, 3, 1);
    for (int i = 0; i < 3; ++i) v.build(whole);
    whole.Seal();
    EXPECT_EQ(DecodeObjects(whole, kReception).size(), 3u);
  }
}

// 123 objects of two octets in a 261-octet frame: positions run past 255.
TEST(Asdu_Walk, PositionsBeyondOctet255AreReadWhole) {
  clIEC101Frame frame;
  frame.SetSizes(2, 2, 1, 2);
  frame.BeginAsdu(kResponse, 1, 1, 3, 1);
  for (uint32_t i = 0; i < 123; ++i) frame.AppendPointObject(i, i % 2, 0);
  frame.Seal();
  ASSERT_EQ(frame.Length(), 261);
  ASSERT_EQ(frame.Check(), FrameComplete);
  std::vector<clInformationObject> objects = DecodeObjects(frame, kReception);
  ASSERT_EQ(objects.size(), 123u);
  for (uint32_t i = 0; i < 123; ++i) {
    EXPECT_EQ(objects[i].address, i);
    EXPECT_EQ(objects[i].state, static_cast<int32_t>(i % 2));
  }
}

TEST(Asdu_Walk, SequenceAddressesCountUpAndCommandsReadOnlyTheFirstObject) {
  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  frame.BeginAsdu(kResponse, 1, 11, 20, 1);
  frame.sequenceFlag = 1;
  frame.AppendObjectAddress(0x00FF);
  for (int32_t v : {10, 20, 30}) frame.AppendScaledObject(v, 0);
  frame.Seal();
  EXPECT_EQ(frame.At(7), 0x83);
  std::vector<clInformationObject> objects = DecodeObjects(frame, kReception);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[2].address, 0x0101u);
  EXPECT_EQ(objects[2].state, 30);
  EXPECT_EQ(objects[2].time, kReception) << "untimed objects take the reception time";

  frame.BeginAsdu(kRequest, 1, 45, 6, 1);
  frame.AppendCommandObject(1, 0x81);
  frame.AppendCommandObject(2, 0x00);
  frame.Seal();
  objects = DecodeObjects(frame, kReception);
  ASSERT_EQ(objects.size(), 1u);
  EXPECT_TRUE(objects[0].select);
  EXPECT_EQ(frame.FirstCommandSelect(), 1);
}

TEST(Asdu_Readers, FirstObjectReadersOfCommands) {
  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  frame.BeginAsdu(kRequest, 1, 48, 6, 1);
  frame.AppendNormalizedSetpoint(5, -0.5, 0x80);
  frame.Seal();
  EXPECT_EQ(frame.FirstSetpointSelect(2), 1);
  EXPECT_DOUBLE_EQ(frame.FirstNormalized(), -0.5);
  EXPECT_EQ(frame.FirstWord(), 0xC000);
  frame.BeginAsdu(kRequest, 1, 50, 6, 1);
  frame.AppendFloatSetpoint(5, 3.25, 0x00);
  frame.Seal();
  EXPECT_EQ(frame.FirstSetpointSelect(4), 0);
  EXPECT_DOUBLE_EQ(frame.FirstFloat(), 3.25);
}

TEST(Asdu_Time, EachTimeTagStartsFromThePreviousObjectsTime) {
  const clDateTime second{2026, 12, 6, 13, 46, 0, 0};
  clIEC101Frame frame;
  frame.SetSizes(1, 2, 2, 1);
  // First object's hour octet has a reserved bit: it keeps the reception time. The
  // second is valid, the third has month 0x13 and so keeps the second's time.
  frame.BeginAsdu(kResponse, 1, 30, 3, 1);
  frame.AppendPointObjectTimed(1, 1, 0, kTime);
  frame.AppendPointObjectTimed(2, 1, 0, second);
  frame.AppendPointObjectTimed(3, 1, 0, kTime);
  frame.Seal();
  uint8_t* data = frame.MutableData();
  int32_t first = frame.FirstObjectPosition();
  data[first + 3 + 3] = 0x2C;           // hour octet of object 1
  data[first + 2 * 10 + 3 + 5] = 0x13;  // month octet of object 3
  std::vector<clInformationObject> objects = DecodeObjects(frame, kReception);
  ASSERT_EQ(objects.size(), 3u);
  EXPECT_EQ(objects[0].time, kReception);
  EXPECT_EQ(objects[1].time, second);
  EXPECT_EQ(objects[2].time, second);
}

}  // namespace

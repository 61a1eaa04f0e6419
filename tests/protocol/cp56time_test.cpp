#include "protocol/cp56time.h"

#include <gtest/gtest.h>

namespace {

const clDateTime kStart{2030, 1, 2, 3, 4, 5, 6};

TEST(CP56Time2a, EncodesEveryFieldLowOctetFirst) {
  uint8_t octets[kCP56Time2aSize] = {};
  EncodeCP56Time2a(clDateTime{2099, 12, 31, 23, 59, 59, 999}, octets);
  const uint8_t expected[] = {0x5F, 0xEA, 59, 23, 31, 12, 99};
  for (int i = 0; i < kCP56Time2aSize; ++i) EXPECT_EQ(octets[i], expected[i]) << i;
  EncodeCP56Time2a(clDateTime{2000, 1, 1, 0, 0, 0, 0}, octets);
  EXPECT_EQ(octets[6], 0);
  // Out-of-range fields cannot reach the IV, SU or reserved bits.
  EncodeCP56Time2a(clDateTime{2026, 17, 1, 40, 70, 0, 0}, octets);
  EXPECT_EQ(octets[2] & 0x80, 0);
  EXPECT_EQ(octets[3] & 0xE0, 0);
  EXPECT_EQ(octets[5] & 0xF0, 0);
}

struct DecodeCase {
  uint8_t octets[kCP56Time2aSize];
  bool valid;
  clDateTime time;  // when valid
  const char* reason;
};

TEST(CP56Time2a, DecodesValidTimesAndKeepsTheStartOtherwise) {
  const DecodeCase cases[] = {
      {{0x5F, 0xEA, 59, 23, 31, 12, 99}, true, {2099, 12, 31, 23, 59, 59, 999}, "all maxima"},
      {{0x00, 0x00, 0x85, 0x8C, 0xE1, 1, 26},
       true,
       {2026, 1, 1, 12, 5, 0, 0},
       "IV, SU and day of week ignored"},
      {{0x00, 0x00, 0, 0x2C, 1, 1, 26}, false, {}, "reserved hour bit 5"},
      {{0x00, 0x00, 0, 0x4C, 1, 1, 26}, false, {}, "reserved hour bit 6"},
      {{0x00, 0x00, 0, 12, 1, 0x13, 26}, false, {}, "reserved month bit"},
      {{0x00, 0x00, 0, 24, 1, 1, 26}, false, {}, "hour 24"},
      {{0x00, 0x00, 60, 0, 1, 1, 26}, false, {}, "minute 60"},
      {{0x60, 0xEA, 0, 0, 1, 1, 26}, false, {}, "60000 ms is second 60"},
      {{0x00, 0x00, 0, 0, 0, 1, 26}, false, {}, "day 0"},
      {{0x00, 0x00, 0, 0, 29, 2, 25}, false, {}, "29 February 2025"},
      {{0x00, 0x00, 0, 0, 29, 2, 24}, true, {2024, 2, 29, 0, 0, 0, 0}, "leap day"},
      {{0x00, 0x00, 0, 0, 31, 4, 24}, false, {}, "31 April"},
      {{0x00, 0x00, 0, 0, 1, 0, 24}, false, {}, "month 0"},
  };
  for (const DecodeCase& c : cases) {
    clDateTime time = kStart;
    EXPECT_EQ(DecodeCP56Time2a(c.octets, time), c.valid) << c.reason;
    EXPECT_EQ(time, c.valid ? c.time : kStart) << c.reason;
  }
}

TEST(CP56Time2a, RoundTripAndText) {
  const clDateTime time{2026, 12, 6, 13, 45, 30, 250};
  uint8_t octets[kCP56Time2aSize];
  EncodeCP56Time2a(time, octets);
  clDateTime back = kStart;
  ASSERT_TRUE(DecodeCP56Time2a(octets, back));
  EXPECT_EQ(back, time);
  EXPECT_EQ(FormatTime(time), "2026-12-06 13:45:30.250");
  EXPECT_EQ(FormatTime(clDateTime{}), "2000-01-01 00:00:00.000");
}

}  // namespace

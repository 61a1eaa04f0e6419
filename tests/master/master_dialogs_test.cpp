#include "master/master_dialogs.h"

#include <gtest/gtest.h>

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
  EXPECT_EQ(StoredIoa(14, 12), 0);
  EXPECT_EQ(StoredIoa(8, 12), 12);
}

}  // namespace

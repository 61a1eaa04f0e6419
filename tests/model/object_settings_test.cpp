// Names, addresses and the sector dialog's rules.
#include "model/object_settings.h"

#include <gtest/gtest.h>

#include "model/sector.h"
#include "model/slave_device.h"

namespace {

TEST(ObjectSettingsTest, NamesMustFitTheFilesCodePage) {
  EXPECT_EQ(CheckObjectName(""), "");
  EXPECT_EQ(CheckObjectName("Sch\xC3\xA4"
                            "ffer \xC5\x92uvre"),
            "");                                                  // ä and Œ are in it
  const std::string bad = CheckObjectName("Bay \xE2\x86\x92 1");  // an arrow is not
  EXPECT_NE(bad.find("\xE2\x86\x92"), std::string::npos) << bad;
  EXPECT_NE(CheckObjectName("\xFF"), "") << "not UTF-8";
}

TEST(ObjectSettingsTest, SectorAndTagAddressesMustFitTheirFields) {
  clSector sector;
  clSectorSettings s = clSectorSettings::From(sector);
  s.commonAddress = 255;
  EXPECT_EQ(s.Check(1), "");
  s.commonAddress = 256;
  EXPECT_NE(s.Check(1), "");
  EXPECT_EQ(s.Check(2), "");
  s.commonAddress = 65536;
  EXPECT_NE(s.Check(2), "");
  s.commonAddress = 7;
  s.name = "";
  s.active = false;
  s.ApplyTo(sector);
  EXPECT_EQ(sector.Name(), "Group") << "an empty name keeps the old one";
  EXPECT_EQ(sector.CommonAddress(), 7);
  EXPECT_FALSE(sector.Active());

  clTagAddress a{false, 65536, 0, 0, 0};
  EXPECT_NE(a.Check(2), "");
  EXPECT_EQ(a.Check(3), "");
  a = {true, 0, 0, 0, 256};
  EXPECT_NE(a.Check(3), "") << "each octet of a structured address is 0..255";
  EXPECT_EQ(LargestIoa(1), 255);
  EXPECT_EQ(LargestIoa(3), 16777215);
}

TEST(ObjectSettingsTest, FieldSizesOutsideTheListsKeepTheDevicesValue) {
  clIEC101SlaveDevice device;
  clFieldSizes{3, 0, 4, 2}.ApplyTo(device);
  EXPECT_EQ(device.LinkAddressSize(), 1);
  EXPECT_EQ(device.SectorSize(), 2);
  EXPECT_EQ(device.IoaSize(), 2);
  EXPECT_EQ(device.CotSize(), 2);
}

}  // namespace

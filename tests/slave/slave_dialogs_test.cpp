// The rules of the slave's properties dialog, tag dialog and tag browser.
#include <gtest/gtest.h>

#include <memory>

#include "model/sector.h"
#include "model/slave_device.h"
#include "model/tag.h"
#include "slave/slave_settings.h"
#include "slave/slave_tag_settings.h"

namespace {

clTag* AddTag(clSector& sector, int32_t id, const char* name, int32_t type) {
  auto tag = std::make_unique<clTag>();
  tag->SetId(id);
  tag->SetName(name);
  tag->SetType(type);
  clTag* raw = tag.get();
  sector.Tags().AddSorted(std::move(tag));
  return raw;
}

clSector* AddSector(clDevice& device, const char* name) {
  auto sector = std::make_unique<clSector>();
  sector->SetName(name);
  clSector* raw = sector.get();
  device.Sectors()->AddSorted(std::move(sector));
  return raw;
}

TEST(SlaveDialogsTest, RunningSlaveTakesOnlyTheName) {
  clIEC101SlaveDevice slave;
  clSlaveSettings s = clSlaveSettings::From(slave);
  s.name = "";
  s.linkAddress = 7;
  s.port = "COM4";
  s.sizes = {2, 1, 0, 2};  // IOA without a selection keeps its size
  s.ApplyTo(slave);
  EXPECT_EQ(slave.LinkAddress(), 7);
  EXPECT_EQ(slave.PortName(), "COM4");
  EXPECT_EQ(slave.LinkAddressSize(), 2);
  EXPECT_EQ(slave.SectorSize(), 1);
  EXPECT_EQ(slave.IoaSize(), 2);
  EXPECT_EQ(slave.CotSize(), 2);
  slave.SetRunning(true);
  s.name = "Outstation";
  s.linkAddress = 9;
  s.sizes = {1, 2, 3, 1};
  s.ApplyTo(slave);
  EXPECT_EQ(slave.Name(), "Outstation");
  EXPECT_EQ(slave.LinkAddress(), 7);
  EXPECT_EQ(slave.IoaSize(), 2);
  s.linkAddress = 256;
  s.sizes.linkAddress = 1;
  EXPECT_NE(s.Check(false), "") << "256 does not fit one octet";
  EXPECT_EQ(s.Check(true), "") << "nor is it stored while the slave runs";
  EXPECT_TRUE(DeviceFieldEnabled(true, true));
  EXPECT_FALSE(DeviceFieldEnabled(false, true));
  slave.SetRunning(false);
}

TEST(SlaveDialogsTest, TagSettingsKeepTheUncertainBitAndOnlyListedTypes) {
  EXPECT_EQ(SlaveTagTypeAt(2), clTag::kStepPosition);
  EXPECT_EQ(SlaveTagTypeAt(9), clTag::kRegulatingStep);
  EXPECT_EQ(SlaveTagTypeIndex(clTag::kInterrogation), -1);
  clTag tag;
  tag.SetType(clTag::kInterrogation);  // a type the slave's list does not offer
  tag.SetQuality(clTag::kQualityUncertain | clTag::kQualityBlocked);
  clSlaveTagSettings s = clSlaveTagSettings::From(tag);
  EXPECT_EQ(s.quality, clTag::kQualityBlocked);
  s.quality = clTag::kQualityOverflow | clTag::kQualityInvalid;
  s.linkEnabled = true;
  s.linkTarget = 42;
  s.address = {true, 0, 0, 1, 2};
  s.ApplyTo(tag);
  EXPECT_EQ(tag.TagType(), clTag::kInterrogation) << "kept: not in the list";
  EXPECT_EQ(tag.Quality(),
            clTag::kQualityUncertain | clTag::kQualityOverflow | clTag::kQualityInvalid);
  EXPECT_EQ(tag.Ioa(), 0x0102);
  EXPECT_TRUE(tag.LinkEnabled());
  EXPECT_EQ(tag.LinkTarget(), 42);
  s.address.high = 1;
  EXPECT_NE(s.Check(2), "");
  EXPECT_EQ(s.Check(3), "");
}

TEST(SlaveDialogsTest, BrowserOffersOnlyTagsTheCommandCanChange) {
  clIEC101SlaveDevice slave;
  clSector* feeder = AddSector(slave, "Feeder");
  clSector* bay = AddSector(slave, "Bay");
  AddTag(*feeder, 1, "Breaker", clTag::kDoublePoint);
  AddTag(*feeder, 2, "Alarm", clTag::kSinglePoint);
  AddTag(*feeder, 3, "Tap", clTag::kStepPosition);
  AddTag(*feeder, 4, "Power", clTag::kMeasuredScaled);
  AddTag(*feeder, 5, "Command", clTag::kDoubleCommand);
  AddTag(*bay, 6, "Voltage", clTag::kMeasuredNormalized);

  const auto names = [](const std::vector<clTag*>& tags) {
    std::string joined;
    for (const clTag* t : tags) joined += t->Name() + " ";
    return joined;
  };
  EXPECT_EQ(names(LinkCandidates(*feeder, clTag::kSingleCommand)), "Alarm Breaker ");
  EXPECT_EQ(names(LinkCandidates(*feeder, clTag::kDoubleCommand)), "Alarm Breaker ");
  EXPECT_EQ(names(LinkCandidates(*feeder, clTag::kRegulatingStep)), "Tap ");
  EXPECT_EQ(names(LinkCandidates(*feeder, clTag::kSetpointScaled)), "Power ");
  EXPECT_EQ(names(LinkCandidates(*feeder, clTag::kSetpointNormalized)), "");
  EXPECT_EQ(names(LinkCandidates(*bay, clTag::kSetpointNormalized)), "Voltage ");
  EXPECT_EQ(names(LinkCandidates(*feeder, clTag::kSinglePoint)), "") << "not a command";
  EXPECT_EQ(LinkText(slave, 6), "Bay.Voltage");
  EXPECT_EQ(LinkText(slave, 99), "");
}

}  // namespace

// Template rows and the import that replaces a device's sectors and tags.
#include "model/tag_import.h"

#include <gtest/gtest.h>

#include <climits>
#include <map>

#include "model/workspace.h"

namespace {

// A worksheet held as a map from (row, column) to text.
struct Sheet {
  std::map<std::pair<int32_t, int32_t>, std::string> cells;
  void Row(int32_t row, std::vector<std::string> columns) {
    for (size_t c = 0; c < columns.size(); ++c)
      cells[{row, static_cast<int32_t>(c + 1)}] = columns[c];
  }
  std::vector<clImportRow> Rows() const {
    return ReadImportRows([this](int32_t row, int32_t column) -> std::string_view {
      auto found = cells.find({row, column});
      return found == cells.end() ? std::string_view() : std::string_view(found->second);
    });
  }
};

TEST(TagImport, ReadingStopsAtTheSixthEmptySectorCellAndBeforeRow10000) {
  Sheet gapOfFive;
  gapOfFive.Row(11, {"1", "Tag"});
  const auto one = gapOfFive.Rows();
  ASSERT_EQ(one.size(), 1u);
  EXPECT_EQ(one[0].sheetRow, 11);

  Sheet gapOfSix;
  gapOfSix.Row(12, {"1", "Tag"});
  EXPECT_TRUE(gapOfSix.Rows().empty());

  // A sector cell of a kind without text counts as empty; other columns do not count.
  Sheet unknown;
  unknown.Row(6, {"unknown:11", "x"});
  for (int32_t r = 7; r <= 11; ++r) unknown.Row(r, {"", "has a name but no sector"});
  unknown.Row(12, {"2"});
  EXPECT_TRUE(unknown.Rows().empty());

  Sheet full;
  for (int32_t r = 1; r <= 10005; ++r) full.Row(r, {std::to_string(r)});
  const auto rows = full.Rows();
  ASSERT_EQ(rows.size(), 9994u);
  EXPECT_EQ(rows.front().sheetRow, 6);
  EXPECT_EQ(rows.back().sheetRow, 9999);
  EXPECT_EQ(rows.back().sector, 9999);
}

TEST(TagImport, CellsAreStoredByKey) {
  struct Case {
    const char* key;
    const char* text;
    std::function<bool(const clImportRow&)> check;
  };
  const std::vector<Case> cases = {
      {"sector", "3.000", [](const clImportRow& r) { return r.sector == 3; }},
      {"sector", " 12abc", [](const clImportRow& r) { return r.sector == 12; }},
      {"sector", "abc", [](const clImportRow& r) { return r.sector == 0; }},
      {"sector", "99999999999", [](const clImportRow& r) { return r.sector == INT32_MAX; }},
      {"ioa", "-5", [](const clImportRow& r) { return r.ioa == -5; }},
      {"link_sector", "4.000", [](const clImportRow& r) { return r.linkSector == 4; }},
      {"tag_name", "Breaker 1", [](const clImportRow& r) { return r.tagName == "Breaker 1"; }},
      {"tag_name", "unknown:11", [](const clImportRow& r) { return r.tagName.empty(); }},
      {"link_name", "Tap", [](const clImportRow& r) { return r.linkTagName == "Tap"; }},
      {"type", "double POINT", [](const clImportRow& r) { return r.type == 2; }},
      {"type", "Regulating Step Command", [](const clImportRow& r) { return r.type == 13; }},
      {"type", "Interrogation Command", [](const clImportRow& r) { return r.type == 0; }},
      {"type", "Bogus", [](const clImportRow& r) { return r.type == 0; }},
      {"scale_state", "on", [](const clImportRow& r) { return r.scalingEnabled; }},
      {"scale_state", "yes", [](const clImportRow& r) { return r.scalingEnabled; }},  // unchanged
      {"scale_state", "OFF", [](const clImportRow& r) { return !r.scalingEnabled; }},
      {"scale_type", "Linear", [](const clImportRow& r) { return r.scaleType == 2; }},
      {"scale_type", "FACTOR", [](const clImportRow& r) { return r.scaleType == 4; }},
      {"scale_type", "log", [](const clImportRow& r) { return r.scaleType == 4; }},  // unchanged
      {"link_state", "ON", [](const clImportRow& r) { return r.linkEnabled; }},
      {"link_state", "yes", [](const clImportRow& r) { return !r.linkEnabled; }},
      {"scale_raw_min", "-1.5e3", [](const clImportRow& r) { return r.rawMin == -1500; }},
      {"scale_raw_max", "32767.000", [](const clImportRow& r) { return r.rawMax == 32767; }},
      {"scale_eng_min", ".5", [](const clImportRow& r) { return r.engMin == 0.5; }},
      {"scale_eng_max", "100 kV", [](const clImportRow& r) { return r.engMax == 100; }},
      {"scale_factor", "1e999", [](const clImportRow& r) { return r.scaleFactor == 0; }},
      {"value", "2024-03-01 12:30:15", [](const clImportRow& r) { return r.value == 2024; }},
      {"value", "12abc", [](const clImportRow& r) { return r.value == 12; }},
      {"value", "unknown:10", [](const clImportRow& r) { return r.value == 0; }},
      {"no_such_key", "1", [](const clImportRow& r) { return r == clImportRow{}; }},
  };
  clImportRow row;
  row.scalingEnabled = true;  // so that "yes" shows it is left as it was
  row.scaleType = 4;
  row.linkEnabled = true;
  for (const Case& c : cases) {
    clImportRow copy = row;
    if (std::string(c.key) == "no_such_key") copy = clImportRow{};
    StoreImportCell(copy, c.key, c.text);
    EXPECT_TRUE(c.check(copy)) << c.key << " = '" << c.text << "'";
  }
}

clImportRow MakeRow(int32_t sector, const std::string& name, int32_t type, int32_t ioa) {
  clImportRow row;
  row.sector = sector;
  row.tagName = name;
  row.type = type;
  row.ioa = ioa;
  return row;
}

struct Fixture {
  clWorkspace ws;
  clDevice* master = nullptr;
  clDevice* slave = nullptr;
  Fixture() {
    ws.InitNew();
    master = ws.CommitDevice(ws.NewMaster());
    slave = ws.CommitDevice(ws.NewSlave());
    for (clDevice* device : {master, slave}) {
      auto sector = ws.NewSector(*device).object;
      sector->SetCommonAddress(9);
      clSector* raw = sector.get();
      ws.CommitSector(*device, std::move(sector));
      ws.CommitTag(*device, *raw, ws.NewTag(*device).object);
    }
  }
  static std::vector<const clTag*> Tags(const clSector& sector) {
    std::vector<const clTag*> tags;
    for (const clTag* tag : sector.Tags().Items()) tags.push_back(tag);
    return tags;
  }
};

TEST(TagImport, SlaveImportReplacesSectorsAndResolvesBackwardLinksOnly) {
  Fixture f;
  const int32_t firstTagId = f.ws.CounterValue(clWorkspace::kTagIdCounter);
  const int32_t firstSectorId = f.ws.CounterValue(clWorkspace::kSectorIdCounter);
  std::vector<clImportRow> rows = {MakeRow(3, "Breaker", 1, 100), MakeRow(1, "Tap", 7, 300),
                                   MakeRow(3, "Close", 8, 400),   MakeRow(3, "Trip", 9, 401),
                                   MakeRow(3, "Lower", 13, 402),  MakeRow(3, "Nowhere", 8, 403)};
  rows[0].value = 1;
  rows[1].value = 5.5;
  rows[1].scalingEnabled = true;  // scaling is not imported into a slave
  rows[1].scaleType = 4;
  rows[1].scaleFactor = 10;
  rows[2].linkEnabled = true;  // backward, name in another letter case
  rows[2].linkSector = 3;
  rows[2].linkTagName = "BREAKER";
  rows[3].linkEnabled = true;  // forward: Lower does not exist yet
  rows[3].linkSector = 3;
  rows[3].linkTagName = "Lower";
  rows[5].linkEnabled = true;  // no sector 7
  rows[5].linkSector = 7;
  rows[5].linkTagName = "Breaker";
  ASSERT_EQ(ImportTags(f.ws, *f.slave, rows), "");

  const auto sectors = f.slave->Sectors()->Items();
  ASSERT_EQ(sectors.size(), 2u);  // the sector of address 9 is gone
  EXPECT_EQ(sectors[0]->Name(), "Sector1");
  EXPECT_EQ(sectors[1]->Name(), "Sector3");
  const clSector* s3 = f.slave->Sectors()->FindByCommonAddress(3);
  EXPECT_EQ(s3->Id(), firstSectorId);  // created first, by the first row
  EXPECT_EQ(sectors[0]->Id(), firstSectorId + 1);
  EXPECT_EQ(s3->DeviceId(), f.slave->Id());
  EXPECT_EQ(s3->Owner(), f.slave);
  EXPECT_EQ(f.slave->NextCommonAddress(), 2);  // after the sector created last
  EXPECT_EQ(f.ws.CounterValue(clWorkspace::kTagIdCounter), firstTagId + 6);

  const auto tags = Fixture::Tags(*s3);  // sorted by name
  ASSERT_EQ(tags.size(), 5u);
  EXPECT_EQ(tags[0]->Name(), "Breaker");
  EXPECT_EQ(tags[1]->Name(), "Close");
  EXPECT_EQ(tags[2]->Name(), "Lower");
  const clTag* breaker = tags[0];
  EXPECT_EQ(breaker->Id(), firstTagId);
  EXPECT_EQ(breaker->SectorId(), s3->Id());
  EXPECT_EQ(breaker->Value(), 1);
  EXPECT_EQ(breaker->Ioa(), 100);
  EXPECT_TRUE(tags[1]->LinkEnabled());
  EXPECT_EQ(tags[1]->LinkTarget(), breaker->Id());
  const clTag* trip = s3->Tags().FindByName("Trip");
  EXPECT_TRUE(trip->LinkEnabled());
  EXPECT_EQ(trip->LinkTarget(), 0);
  EXPECT_EQ(s3->Tags().FindByName("Nowhere")->LinkTarget(), 0);
  const clTag* tap = f.slave->Sectors()->FindByCommonAddress(1)->Tags().FindByName("Tap");
  EXPECT_EQ(tap->TagType(), 7);
  EXPECT_FALSE(tap->ScalingEnabled());
  EXPECT_EQ(tap->Value(), 5.5);

  // The master's sectors are untouched.
  EXPECT_EQ(f.master->Sectors()->Items()[0]->CommonAddress(), 9);
}

TEST(TagImport, EqualNamesKeepRowOrderAndLinksFindTheFirst) {
  Fixture f;
  std::vector<clImportRow> rows = {MakeRow(1, "b", 1, 1), MakeRow(1, "a", 1, 2),
                                   MakeRow(1, "B", 1, 3), MakeRow(1, "Link", 8, 4)};
  rows[3].linkEnabled = true;
  rows[3].linkSector = 1;
  rows[3].linkTagName = "B";
  ASSERT_EQ(ImportTags(f.ws, *f.slave, rows), "");
  const auto tags = Fixture::Tags(*f.slave->Sectors()->First());
  ASSERT_EQ(tags.size(), 4u);
  EXPECT_EQ(tags[0]->Name(), "a");
  EXPECT_EQ(tags[1]->Name(), "b");
  EXPECT_EQ(tags[2]->Name(), "B");
  EXPECT_EQ(tags[3]->LinkTarget(), tags[1]->Id());
}

TEST(TagImport, MasterImportTakesScalingAndLeavesTheValue) {
  Fixture f;
  clImportRow linear = MakeRow(2, "Voltage", 3, 200);
  linear.scalingEnabled = true;
  linear.scaleType = 2;
  linear.rawMin = 0;
  linear.rawMax = 32767;
  linear.engMin = -10;
  linear.engMax = 100;
  linear.value = 99;
  linear.linkEnabled = true;
  linear.linkSector = 2;
  linear.linkTagName = "Voltage";
  clImportRow none = MakeRow(2, "Plain", 5, 201);
  none.scaleFactor = 0.5;
  ASSERT_EQ(ImportTags(f.ws, *f.master, {linear, none}), "");
  const clSector* sector = f.master->Sectors()->FindByCommonAddress(2);
  ASSERT_NE(sector, nullptr);
  const clTag* voltage = sector->Tags().FindByName("Voltage");
  EXPECT_TRUE(voltage->ScalingEnabled());
  EXPECT_EQ(voltage->ScaleType(), 2);
  EXPECT_EQ(voltage->RawMax(), 32767);
  EXPECT_EQ(voltage->EngMin(), -10);
  EXPECT_EQ(voltage->EngMax(), 100);
  EXPECT_EQ(voltage->Value(), 0);
  EXPECT_FALSE(voltage->LinkEnabled());
  const clTag* plain = sector->Tags().FindByName("Plain");
  EXPECT_EQ(plain->ScaleType(), 0);  // no scale type in the row: neither flag
  EXPECT_EQ(plain->ScaleFactor(), 0.5);
  EXPECT_FALSE(plain->ScalingEnabled());
}

TEST(TagImport, RefusalsChangeNothing) {
  Fixture f;
  const auto before = [&] {
    return std::make_pair(f.slave->Sectors()->Count(),
                          f.ws.CounterValue(clWorkspace::kTagIdCounter));
  };
  const auto initial = before();
  EXPECT_EQ(ImportTags(f.ws, *f.slave, {}), kNoItemSelected);
  EXPECT_EQ(before(), initial);
  f.slave->SetRunning(true);
  EXPECT_EQ(ImportTags(f.ws, *f.slave, {MakeRow(1, "T", 1, 1)}), kImportRefused);
  f.slave->SetRunning(false);
  EXPECT_EQ(before(), initial);
  clDevice* monitor = f.ws.CommitDevice(f.ws.NewMonitor());
  EXPECT_NE(ImportTags(f.ws, *monitor, {MakeRow(1, "T", 1, 1)}), "");
}

TEST(TagImport, ChecklistTextsOfARow) {
  clImportRow row = MakeRow(3, "Voltage", 3, 200);
  row.scalingEnabled = true;
  row.scaleType = 4;
  row.rawMax = 32767;
  row.engMin = -0.125;
  row.scaleFactor = 0.1;
  row.linkSector = 2;
  row.linkTagName = "Other";
  row.value = 2.50;
  EXPECT_EQ(ImportRowCells(row, true),
            (std::vector<std::string>{"3", "Voltage", "Measured Normalized", "200", "On", "Factor",
                                      "0.00", "32767.00", "-0.12", "0.00", "0.10"}));
  EXPECT_EQ(ImportRowCells(row, false),
            (std::vector<std::string>{"3", "Voltage", "Measured Normalized", "200", "Off", "2",
                                      "Other", "2.5"}));
  row.type = 0;
  row.scaleType = 2;
  EXPECT_EQ(ImportRowCells(row, true)[2], "");
  EXPECT_EQ(ImportRowCells(row, true)[5], "Linear");
}

}  // namespace

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "model/device_lists.h"
#include "model/sectors.h"
#include "model/tags.h"

namespace {

std::unique_ptr<clTag> MakeTag(const std::string& name, int32_t type = 1, int32_t ioa = 1) {
  auto tag = std::make_unique<clTag>();
  tag->SetName(name);
  tag->SetType(type);
  tag->SetIoa(ioa);
  return tag;
}

std::unique_ptr<clSector> MakeSector(const std::string& name, int32_t commonAddress,
                                     int32_t id = 0) {
  auto sector = std::make_unique<clSector>();
  sector->SetName(name);
  sector->SetCommonAddress(commonAddress);
  sector->SetId(id);
  return sector;
}

template <class Items>
std::string NamesOf(const Items& items) {
  std::string out;
  bool first = true;
  for (const auto* item : items) {
    out += (first ? "" : ",") + item->Name();
    first = false;
  }
  return out;
}

template <class List>
std::string Names(const List& list) {
  return NamesOf(list.Items());
}

TEST(Lists, AddSortedOrdersByCharacterWithoutCaseAndPutsEqualNamesAfter) {
  struct Case {
    std::vector<std::string> added;
    const char* order;
  } cases[] = {
      {{"b", "a", "B"}, "a,b,B"},
      {{"Tag9", "Tag10", "Tag1"}, "Tag1,Tag10,Tag9"},
      {{"b_", "B", "ba"}, "B,b_,ba"},  // '_' sorts before letters once folded to lower case
      {{"Zebra", "élan", "Eagle", "Émile"}, "Eagle,Zebra,élan,Émile"},
      {{"", "a", ""}, ",,a"},
  };
  for (const Case& c : cases) {
    clTags tags;
    for (const auto& name : c.added) tags.AddSorted(MakeTag(name));
    EXPECT_EQ(Names(tags), c.order);
  }
  // On a list that is not sorted (file order, appended tags) the new element
  // goes before the first that compares greater.
  clTags unsorted;
  for (const char* name : {"d", "b", "f", "a"}) unsorted.Append(MakeTag(name));
  unsorted.AddSorted(MakeTag("c"));
  unsorted.AddSorted(MakeTag("e"));
  EXPECT_EQ(Names(unsorted), "c,d,b,e,f,a");
}

TEST(Lists, SectorsSortLikeTagsAndCompareEqualWithoutCase) {
  clSectors sectors;
  sectors.AddSorted(MakeSector("Sector9", 9));
  sectors.AddSorted(MakeSector("Sector10", 10));
  sectors.AddSorted(MakeSector("sector9", 99));
  EXPECT_EQ(Names(sectors), "Sector10,Sector9,sector9");
  EXPECT_EQ(sectors.FindByName("SECTOR9")->CommonAddress(), 9);
  EXPECT_EQ(sectors.FindByName("Sector1"), nullptr);
}

TEST(Lists, SectorLookUps) {
  clSectors sectors;
  EXPECT_EQ(sectors.NextFreeCommonAddress(), 1);
  EXPECT_EQ(sectors.First(), nullptr);
  sectors.AddSorted(MakeSector("B", 7, 21));
  sectors.AddSorted(MakeSector("A", 1, 20));
  sectors.AddSorted(MakeSector("C", 7, 22));
  EXPECT_EQ(sectors.NextFreeCommonAddress(), 8);
  EXPECT_EQ(sectors.FindByCommonAddress(7)->Name(), "B");  // first in list order
  EXPECT_EQ(sectors.FindByCommonAddress(2), nullptr);
  EXPECT_EQ(sectors.FindById(22)->Name(), "C");
  EXPECT_EQ(sectors.FindById(23), nullptr);
  EXPECT_EQ(sectors.First()->Name(), "A");
  clSector* b = sectors.FindByName("b");
  b->Tags().Append(MakeTag("t", 3, 44));
  EXPECT_EQ(sectors.FindTag(7, 3, 44), b->Tags().Items()[0]);
  EXPECT_EQ(sectors.FindTag(1, 3, 44), nullptr);
  clSector* c = sectors.FindByName("C");  // the second sector with address 7
  clTag* inC = c->Tags().Append(MakeTag("u", 4, 44));
  EXPECT_EQ(sectors.FindTag(7, 4, 44), inC);
  b->Tags().Items().front()->SetQuality(0);
  sectors.MarkAllUncertain();
  EXPECT_EQ(b->Tags().Items().front()->Quality(), 0x100);
  EXPECT_TRUE(sectors.Remove(b));
  EXPECT_FALSE(sectors.Remove(b));
  EXPECT_EQ(Names(sectors), "A,C");
  sectors.RemoveAll();
  EXPECT_TRUE(sectors.Empty());
}

TEST(Lists, TagLookUpsByTypeAndIoaWalkInIoaOrder) {
  clTags tags;
  tags.AddSorted(MakeTag("a", 1, 30));
  tags.AddSorted(MakeTag("b", 1, 10));
  tags.AddSorted(MakeTag("c", 2, 10));
  tags.AddSorted(MakeTag("d", 1, 20));
  tags.AddSorted(MakeTag("e", 1, 10));         // same IOA as b: b comes first
  tags.AddSorted(MakeTag("f", 1, 0xFFFFFF1));  // beyond the search limit of FirstOfType
  EXPECT_EQ(tags.FindByTypeAndIoa(1, 10)->Name(), "b");
  EXPECT_EQ(tags.FindByTypeAndIoa(2, 30), nullptr);
  EXPECT_EQ(tags.FindByIoa(10)->Name(), "b");
  EXPECT_EQ(tags.FirstOfType(1)->Name(), "b");
  EXPECT_EQ(tags.FirstOfType(3), nullptr);
  std::string walk;
  for (clTag* t = tags.FirstOfType(1); t; t = tags.NextOfType(1, t->Ioa())) walk += t->Name();
  EXPECT_EQ(walk, "bdaf");
  EXPECT_EQ(tags.NextOfType(2, 10), nullptr);  // the largest IOA of its type
  EXPECT_EQ(tags.FindByName("D")->Ioa(), 20);

  clTags only;
  only.Append(MakeTag("x", 1, 0xFFFFFF1));
  EXPECT_EQ(only.FirstOfType(1), nullptr);
}

TEST(Lists, MonitorTagLookUpSeparatesCommonAddresses) {
  clTags tags;
  auto a = MakeTag("SP5", 1, 5);
  a->SetCommonAddress(1);
  auto b = MakeTag("SP5", 1, 5);
  b->SetCommonAddress(2);
  clTag* first = tags.Append(std::move(a));
  clTag* second = tags.Append(std::move(b));
  EXPECT_EQ(tags.FindMonitorTag(1, 5, 1), first);
  EXPECT_EQ(tags.FindMonitorTag(2, 5, 1), second);
  EXPECT_EQ(tags.FindMonitorTag(2, 5, 2), nullptr);
}

TEST(Lists, DeviceListsSortByName) {
  clIEC101MasterDevList masters;
  for (const char* name : {"Master2", "master1", "Master10", "Master1"}) {
    auto device = std::make_unique<clIEC101MasterDevice>();
    device->SetName(name);
    masters.AddSorted(std::move(device));
  }
  EXPECT_EQ(Names(masters), "master1,Master1,Master10,Master2");
  EXPECT_NE(masters.FindByName("MASTER10"), nullptr);
}

TEST(Lists, SnapshotIsUnchangedByLaterEdits) {
  clTags tags;
  tags.Append(MakeTag("b"));
  clTag* a = tags.AddSorted(MakeTag("a"));
  const auto before = tags.Items();
  for (int i = 0; i < 20; ++i) tags.Append(MakeTag("z" + std::to_string(i)));  // grows the block
  tags.AddSorted(MakeTag("aa"));
  const auto middle = tags.Items();
  tags.Append(MakeTag("last"));
  EXPECT_EQ(NamesOf(before), "a,b");
  EXPECT_EQ(middle.size(), 23u);
  EXPECT_EQ(middle[1]->Name(), "aa");
  EXPECT_EQ(tags.Count(), 24u);
  EXPECT_EQ(tags.Items().back()->Name(), "last");
  tags.Remove(a);
  EXPECT_EQ(tags.Items().front()->Name(), "aa");
  EXPECT_EQ(middle.size(), 23u);
}

// A reader walking snapshots while another thread appends sees a growing prefix
// of stable elements (run under ThreadSanitizer to check the absence of races).
TEST(Lists, SnapshotsStayValidWhileAnotherThreadAppends) {
  clTags tags;
  constexpr int kTags = 2000;
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < kTags; ++i) {
      clTag* tag = tags.Append(MakeTag("T" + std::to_string(i), 1, i));
      tag->SetRawValue(i);
      tag->SetTimeStamp(clTimeStamp{2020, 1, 1, 0, 0, 0, i % 1000});
    }
    done = true;
  });
  size_t lastSize = 0;
  while (!done.load() || lastSize < static_cast<size_t>(kTags)) {
    auto items = tags.Items();
    ASSERT_GE(items.size(), lastSize);
    lastSize = items.size();
    for (size_t i = 0; i < items.size(); ++i) {
      ASSERT_EQ(items[i]->Ioa(), static_cast<int32_t>(i));
      (void)items[i]->Value();
      (void)items[i]->TimeStamp();
    }
  }
  writer.join();
  EXPECT_EQ(tags.Count(), static_cast<size_t>(kTags));
}

}  // namespace

// Workspace objects on the clipboard: the encoding both ways, refusal of any
// damaged data, and the identities, names and addresses pasted objects take.
#include <gtest/gtest.h>

#include "model/object_clip.h"
#include "model/workspace_paste.h"
#include "tests/model/workspace_helpers.h"

namespace {

template <class List>
std::vector<const clDevice*> DevicesOf(const List& list) {
  std::vector<const clDevice*> devices;
  for (const clDevice* d : *list.Items()) devices.push_back(d);
  return devices;
}

// The clipboard bytes of every kind, from a workspace with every field set.
std::vector<uint8_t> Encode(const clWorkspace& ws, clClipKind kind) {
  switch (kind) {
    case clClipKind::kMasterDevices:
      return EncodeClipDevices(kind, DevicesOf(ws.Masters()));
    case clClipKind::kSlaveDevices:
      return EncodeClipDevices(kind, DevicesOf(ws.Slaves()));
    case clClipKind::kMonitorDevices:
      return EncodeClipDevices(kind, DevicesOf(ws.Monitors()));
    case clClipKind::kSectors: {
      std::vector<const clSector*> sectors;
      for (const clSector* s : *ws.Masters().Items()->front()->Sectors()->Items())
        sectors.push_back(s);
      return EncodeClipSectors(sectors);
    }
    case clClipKind::kTags:
      break;
  }
  std::vector<const clTag*> tags;
  for (const clTag* t : *ws.Slaves().Items()->front()->Sectors()->First()->Tags().Items())
    tags.push_back(t);
  return EncodeClipTags(tags);
}

TEST(Clipboard, EveryKindReadsBackToTheSameBytesAndIsOneListRecordOfTheFile) {
  clWorkspace ws;
  FillEveryField(ws);
  for (clClipKind kind : kClipKinds) {
    SCOPED_TRACE(ClipFormat(kind));
    const std::vector<uint8_t> bytes = Encode(ws, kind);
    clClipObjects objects;
    ASSERT_EQ(DecodeClip(kind, bytes.data(), bytes.size(), &objects), "");
    EXPECT_GT(objects.Count(), 0u);
    EXPECT_EQ(EncodeClipObjects(objects), bytes);
  }
  // Tags: the list version, the count, then the first class tag of the file form.
  std::vector<const clTag*> one = {ws.Slaves().Items()->front()->Sectors()->First()->Tags().Items()->front()};
  const std::vector<uint8_t> bytes = EncodeClipTags(one);
  const std::vector<uint8_t> head = Bytes().U32(1).U16(1).U16(0xFFFF).U16(0).U16(5).Raw("clTag").b;
  ASSERT_GE(bytes.size(), head.size());
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin(), bytes.begin() + head.size()), head);
}

TEST(Clipboard, DamagedDataIsRefusedAndGivesNothing) {
  clWorkspace ws;
  FillEveryField(ws);
  for (clClipKind kind : kClipKinds) {
    SCOPED_TRACE(ClipFormat(kind));
    const std::vector<uint8_t> bytes = Encode(ws, kind);
    // Every truncation, and one byte too many.
    for (size_t n = 0; n < bytes.size(); ++n) {
      clClipObjects objects;
      ASSERT_EQ(DecodeClip(kind, bytes.data(), n, &objects), kClipDamaged) << n;
      ASSERT_EQ(objects.Count(), 0u);
    }
    std::vector<uint8_t> longer = bytes;
    longer.push_back(0);
    clClipObjects objects;
    EXPECT_EQ(DecodeClip(kind, longer.data(), longer.size(), &objects), kClipDamaged);
  }
  // Objects of another class under a kind's format.
  const std::vector<uint8_t> sectors = Encode(ws, clClipKind::kSectors);
  clClipObjects objects;
  EXPECT_EQ(DecodeClip(clClipKind::kTags, sectors.data(), sectors.size(), &objects), kClipDamaged);
  // A count of four billion tags in a few bytes is refused before any allocation.
  const std::vector<uint8_t> huge = Bytes().U32(1).U16(0xFFFF).U32(0xFFFFFFF0).U16(0xFFFF).b;
  EXPECT_EQ(DecodeClip(clClipKind::kTags, huge.data(), huge.size(), &objects), kClipDamaged);
  // Back-references to one big sector may not multiply it without bound.
  std::vector<const clSector*> big;
  auto sector = std::make_unique<clSector>();
  for (int i = 0; i < 2000; ++i) sector->Tags().Append(std::make_unique<clTag>());
  big.push_back(sector.get());
  const auto repeated = [&big](uint16_t count) {
    // The count rewritten, the sector followed by back-references to it.
    std::vector<uint8_t> bytes = EncodeClipSectors(big);
    bytes[4] = static_cast<uint8_t>(count);
    bytes[5] = static_cast<uint8_t>(count >> 8);
    for (int i = 1; i < count; ++i) {
      bytes.push_back(0x02);  // object index 2: the sector itself
      bytes.push_back(0x00);
    }
    return bytes;
  };
  const std::vector<uint8_t> few = repeated(10);
  ASSERT_EQ(DecodeClip(clClipKind::kSectors, few.data(), few.size(), &objects), "");
  EXPECT_EQ(objects.sectors.size(), 10u);
  const std::vector<uint8_t> bomb = repeated(60000);
  EXPECT_EQ(DecodeClip(clClipKind::kSectors, bomb.data(), bomb.size(), &objects), kClipDamaged);
}

class Paste : public ::testing::Test {
 protected:
  void SetUp() override { ws.InitNew(); }
  clDevice* AddDevice(std::unique_ptr<clDevice> device, const std::string& name) {
    device->SetName(name);
    return ws.CommitDevice(std::move(device));
  }
  clSector* AddSector(clDevice& device, int tags) {
    auto proposal = ws.NewSector(device);
    clSector* sector = proposal.object.get();
    ws.CommitSector(device, std::move(proposal.object));
    for (int i = 0; i < tags; ++i) {
      auto tag = ws.NewTag(device);
      ws.CommitTag(device, *sector, std::move(tag.object));
    }
    return sector;
  }
  template <class T>
  static std::vector<std::unique_ptr<T>> Copies(const clOwnedList<T>& list) {
    std::vector<std::unique_ptr<T>> copies;
    for (const T* item : *list.Items()) {
      if constexpr (std::is_same_v<T, clTag>) {
        copies.push_back(std::make_unique<clTag>(*item));
      } else {
        copies.push_back(item->Clone());
      }
    }
    return copies;
  }
  clWorkspace ws;
};

TEST_F(Paste, DevicesTakeNewIdentitiesAndCopyNamesOnlyWhenTaken) {
  clDevice* slave = AddDevice(ws.NewSlave(), "Slave1");
  clSector* sector = AddSector(*slave, 2);
  clTag* point = sector->Tags().Items()[0];
  clTag* command = sector->Tags().Items()[1];
  command->SetLinkEnabled(true);
  command->SetLinkTarget(point->Id());
  std::vector<std::unique_ptr<clDevice>> copies;
  copies.push_back(slave->Clone());
  auto other = slave->Clone();
  other->SetName("Free");
  copies.push_back(std::move(other));

  const int32_t nextDevice = ws.CounterValue(clWorkspace::kDeviceIdCounter);
  const int32_t names = ws.CounterValue(clWorkspace::kSlaveNameCounter);
  const int32_t nextTag = ws.CounterValue(clWorkspace::kTagIdCounter);
  std::vector<clDevice*> pasted = PasteDevices(ws, clDevice::kSlave, std::move(copies));
  ASSERT_EQ(pasted.size(), 2u);
  EXPECT_EQ(pasted[0]->Name(), "Copy Slave1");
  EXPECT_EQ(pasted[1]->Name(), "Free");
  EXPECT_EQ(pasted[0]->Id(), nextDevice);
  EXPECT_EQ(pasted[1]->Id(), nextDevice + 1);
  EXPECT_EQ(ws.Slaves().Count(), 3u);
  EXPECT_EQ(pasted[0]->Port(), ws.Ports().Find("COM1"));
  clSector* copy = pasted[0]->Sectors()->First();
  EXPECT_NE(copy->Id(), sector->Id());
  EXPECT_EQ(copy->DeviceId(), pasted[0]->Id());
  EXPECT_EQ(copy->Owner(), pasted[0]);
  clTag* copiedPoint = copy->Tags().Items()[0];
  clTag* copiedCommand = copy->Tags().Items()[1];
  EXPECT_EQ(copiedPoint->Id(), nextTag);
  EXPECT_EQ(copiedPoint->SectorId(), copy->Id());
  // The copy's command drives the copy's point, not the original's.
  EXPECT_EQ(copiedCommand->LinkTarget(), copiedPoint->Id());
  EXPECT_EQ(command->LinkTarget(), point->Id());
  // The name counter is for new devices only.
  EXPECT_EQ(ws.CounterValue(clWorkspace::kSlaveNameCounter), names);
}

TEST_F(Paste, SectorsTakeTheNextFreeCommonAddressAndMasterValuesBecomeUncertain) {
  clDevice* master = AddDevice(ws.NewMaster(), "Master1");
  clSector* first = AddSector(*master, 3);
  first->SetCommonAddress(7);
  for (clTag* tag : *first->Tags().Items()) tag->SetQuality(0);
  clPasted<clSector> pasted = PasteSectors(ws, *master, Copies(*master->Sectors()));
  ASSERT_EQ(pasted.objects.size(), 1u);
  clSector* sector = pasted.objects[0];
  EXPECT_EQ(sector->CommonAddress(), 8);
  EXPECT_EQ(sector->Name(), "Sector8");
  EXPECT_EQ(master->NextCommonAddress(), 9);
  EXPECT_EQ(sector->DeviceId(), master->Id());
  for (const clTag* tag : *sector->Tags().Items()) {
    EXPECT_EQ(tag->SectorId(), sector->Id());
    EXPECT_EQ(tag->Quality(), clTag::kQualityUncertain);
  }
  EXPECT_EQ(first->Tags().Items()[0]->Quality(), 0);
}

TEST_F(Paste, TagsGetCopyNamesOnClashAndNothingIsPastedIntoARunningDevice) {
  clDevice* slave = AddDevice(ws.NewSlave(), "Slave1");
  clSector* sector = AddSector(*slave, 1);
  std::vector<std::unique_ptr<clTag>> tags = Copies(sector->Tags());
  auto fresh = std::make_unique<clTag>();
  fresh->SetName("Fresh");
  tags.push_back(std::move(fresh));
  const std::string existing = sector->Tags().Items()[0]->Name();
  clPasted<clTag> pasted = PasteTags(ws, *slave, *sector, std::move(tags));
  ASSERT_EQ(pasted.objects.size(), 2u);
  EXPECT_EQ(pasted.objects[0]->Name(), "Copy " + existing);
  EXPECT_EQ(pasted.objects[1]->Name(), "Fresh");
  EXPECT_EQ(pasted.objects[0]->SectorId(), sector->Id());
  EXPECT_NE(pasted.objects[0]->Id(), pasted.objects[1]->Id());
  EXPECT_EQ(sector->Tags().Count(), 3u);

  slave->SetRunning(true);
  const size_t sectors = slave->Sectors()->Count();
  EXPECT_EQ(PasteTags(ws, *slave, *sector, Copies(sector->Tags())).error, kPasteRefused);
  EXPECT_EQ(PasteSectors(ws, *slave, Copies(*slave->Sectors())).error, kPasteRefused);
  EXPECT_EQ(sector->Tags().Count(), 3u);
  EXPECT_EQ(slave->Sectors()->Count(), sectors);
  slave->SetRunning(false);
}

}  // namespace

#include "model/workspace.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

class Workspace : public ::testing::Test {
 protected:
  void SetUp() override { ws.InitNew(); }
  clIEC101MasterDevice* AddMaster() {
    return static_cast<clIEC101MasterDevice*>(ws.CommitDevice(ws.NewMaster()));
  }
  clSector* AddSector(clDevice& device) {
    auto proposal = ws.NewSector(device);
    clSector* raw = proposal.object.get();
    EXPECT_EQ(ws.CommitSector(device, std::move(proposal.object)), "");
    return raw;
  }
  clWorkspace ws;
};

TEST_F(Workspace, FirstMasterIsMaster1WithDeviceId1AndCancelGivesTheNameBack) {
  auto first = ws.NewMaster();
  EXPECT_EQ(first->Name(), "Master1");
  ws.CancelDevice(std::move(first));
  auto again = ws.NewMaster();
  EXPECT_EQ(again->Name(), "Master1");
  EXPECT_EQ(again->Kind(), 1);
  ASSERT_NE(again->Port(), nullptr);
  EXPECT_EQ(again->PortName(), "COM1");
  clDevice* committed = ws.CommitDevice(std::move(again));
  EXPECT_EQ(committed->Id(), 1);
  EXPECT_EQ(ws.CounterValue(clWorkspace::kMasterNameCounter), 2);
  EXPECT_EQ(ws.CounterValue(clWorkspace::kDeviceIdCounter), 2);
  EXPECT_EQ(ws.Masters().Count(), 1u);
}

TEST_F(Workspace, DevicesOfEachRoleTakeTheirOwnNameCounterAndOneIdCounter) {
  clDevice* slave = ws.CommitDevice(ws.NewSlave());
  clDevice* monitor = ws.CommitDevice(ws.NewMonitor());
  clDevice* master = ws.CommitDevice(ws.NewMaster());
  EXPECT_EQ(slave->Name(), "Slave1");
  EXPECT_EQ(monitor->Name(), "Monitor1");
  EXPECT_EQ(master->Name(), "Master1");
  EXPECT_EQ(slave->Id(), 1);
  EXPECT_EQ(monitor->Id(), 2);
  EXPECT_EQ(master->Id(), 3);
  auto* capture = static_cast<clIEC101CaptureDevice*>(monitor);
  EXPECT_EQ(capture->Port1Name(), "COM1");
  EXPECT_EQ(capture->Port2Name(), "COM2");
  EXPECT_NE(capture->Port2(), nullptr);
  EXPECT_EQ(ws.Slaves().Count(), 1u);
  EXPECT_EQ(ws.Monitors().Count(), 1u);
}

TEST_F(Workspace, NewDeviceDefaultsPerRole) {
  auto slave = ws.NewSlave();
  EXPECT_EQ(slave->Retries(), 3);
  EXPECT_EQ(slave->LinkAddress(), 1);
  EXPECT_EQ(slave->LinkAddressSize(), 1);
  EXPECT_EQ(slave->SectorSize(), 2);
  EXPECT_EQ(slave->CotSize(), 1);
  EXPECT_EQ(slave->IoaSize(), 2);
  EXPECT_FALSE(slave->BalancedMode());
  EXPECT_EQ(slave->GiPeriodSec(), 0);
  EXPECT_EQ(slave->TimeSyncPeriodSec(), 0);
  auto master = ws.NewMaster();
  EXPECT_EQ(master->GiPeriodSec(), 60);
  EXPECT_EQ(master->PollIntervalMs(), 1000);
  EXPECT_EQ(master->ReadTimeoutMs(), 1000);
  EXPECT_EQ(master->TestPeriodSec(), 5);
  EXPECT_EQ(master->PhoneNumber(), "ATD000000");
  EXPECT_EQ(master->DialTimeoutSec(), 30);
  EXPECT_EQ(master->NextCommonAddress(), 1);
  EXPECT_EQ(master->GetProperty("state"), "Stopped");
}

// A new device only looks its port up: the stored name keeps its spelling.
TEST_F(Workspace, NewDevicesLookTheirPortsUpWithoutRenamingThem) {
  clWorkspace bare;  // no ports at all
  auto master = bare.NewMaster();
  EXPECT_EQ(master->Port(), nullptr);
  EXPECT_EQ(master->PortName(), "COM1");
  auto monitor = bare.NewMonitor();
  EXPECT_EQ(monitor->Port2(), nullptr);
  EXPECT_EQ(monitor->Port2Name(), "COM2");
  for (const char* name : {"com1", "Com2"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    bare.Ports().Add(std::move(port));
  }
  auto slave = bare.NewSlave();
  EXPECT_EQ(slave->Port(), bare.Ports().Find("com1"));
  EXPECT_EQ(slave->PortName(), "COM1");
  monitor = bare.NewMonitor();
  EXPECT_EQ(monitor->Port2(), bare.Ports().Find("Com2"));
  EXPECT_EQ(monitor->Port1Name(), "COM1");
  EXPECT_EQ(monitor->Port2Name(), "COM2");
}

TEST_F(Workspace, NewSectorProposesTheNextFreeCommonAddress) {
  clIEC101MasterDevice* master = AddMaster();
  clSector* first = AddSector(*master);
  EXPECT_EQ(first->Name(), "Sector1");
  EXPECT_EQ(first->Id(), 1);
  EXPECT_EQ(first->DeviceId(), master->Id());
  EXPECT_EQ(first->Owner(), master);
  EXPECT_EQ(master->NextCommonAddress(), 2);
  first->SetCommonAddress(7);
  auto proposal = ws.NewSector(*master);
  EXPECT_EQ(proposal.object->CommonAddress(), 8);
  EXPECT_EQ(proposal.object->Name(), "Sector8");
  proposal.object.reset();  // cancelled: no counter moves
  EXPECT_EQ(ws.CounterValue(clWorkspace::kSectorIdCounter), 2);
}

TEST_F(Workspace, StructuralEditsAreRefusedWhileTheDeviceRuns) {
  clIEC101MasterDevice* master = AddMaster();
  clSector* sector = AddSector(*master);
  auto tagProposal = ws.NewTag(*master);
  master->SetRunning(true);
  EXPECT_EQ(ws.NewSector(*master).error, "Could not create new sector, device is running");
  EXPECT_EQ(ws.NewSector(*master).object, nullptr);
  EXPECT_EQ(ws.NewTag(*master).error, "Could not create new tag, device is still running");
  EXPECT_EQ(ws.CommitTag(*master, *sector, std::move(tagProposal.object)),
            "Could not create new tag, device is still running");
  EXPECT_EQ(ws.DeleteDevice(master), "Could not delete selected device, device is running");
  EXPECT_EQ(ws.DeleteSector(*master, sector),
            "Could not delete selected sector, device is running");
  EXPECT_EQ(master->GetProperty("state"), "Running");
  EXPECT_EQ(ws.Masters().Count(), 1u);
  EXPECT_EQ(master->Sectors()->Count(), 1u);
  EXPECT_TRUE(sector->Tags().Empty());
  master->SetRunning(false);
  EXPECT_EQ(ws.DeleteSector(*master, sector), "");
  EXPECT_EQ(ws.DeleteDevice(master), "");
  EXPECT_TRUE(ws.Masters().Empty());
}

TEST_F(Workspace, NewTagUsesTheSideCounterAndRemembersTheLastChoice) {
  clIEC101MasterDevice* master = AddMaster();
  auto* slave = static_cast<clIEC101SlaveDevice*>(ws.CommitDevice(ws.NewSlave()));
  clSector* masterSector = AddSector(*master);
  clSector* slaveSector = AddSector(*slave);

  auto proposal = ws.NewTag(*master);
  EXPECT_EQ(proposal.object->Name(), "Tag1");
  EXPECT_EQ(proposal.object->TagType(), 1);  // nothing remembered yet
  ws.CancelTag(*master, std::move(proposal.object));
  proposal = ws.NewTag(*master);
  EXPECT_EQ(proposal.object->Name(), "Tag1");
  proposal.object->SetType(5);
  proposal.object->SetStructuredIoa(true);
  clTag* tag = proposal.object.get();
  EXPECT_EQ(ws.CommitTag(*master, *masterSector, std::move(proposal.object)), "");
  EXPECT_EQ(tag->Id(), 1);
  EXPECT_EQ(tag->SectorId(), masterSector->Id());
  EXPECT_EQ(ws.MasterTagChoice().type, 5);

  auto next = ws.NewTag(*master);
  EXPECT_EQ(next.object->TagType(), 5);
  EXPECT_TRUE(next.object->StructuredIoa());
  EXPECT_EQ(next.object->Name(), "Tag2");

  auto slaveTag = ws.NewTag(*slave);  // the slave side counts on its own
  EXPECT_EQ(slaveTag.object->Name(), "Tag1");
  EXPECT_EQ(slaveTag.object->TagType(), 1);
  slaveTag.object->SetType(2);
  clTag* doublePoint = slaveTag.object.get();
  ws.CommitTag(*slave, *slaveSector, std::move(slaveTag.object));
  EXPECT_EQ(doublePoint->Value(), 1);  // a new slave double point starts "Open"
  EXPECT_EQ(doublePoint->Id(), 2);
}

TEST_F(Workspace, MonitorTagsTakeTheTagCounterAndTheirNameFormat) {
  auto* monitor = static_cast<clIEC101CaptureDevice*>(ws.CommitDevice(ws.NewMonitor()));
  struct Case {
    int32_t type;
    const char* name;
  } cases[] = {{1, "SP5"},       {2, "DP5"},       {3, "MEA5"},  {4, "MEB5"},  {5, "MEC5"},
               {6, "IT5"},       {7, "ST5"},       {8, "C_SC5"}, {9, "C_DC5"}, {10, "C_SE_NA5"},
               {11, "C_SE_NB5"}, {12, "C_SE_NC5"}, {13, "C_RC5"}};
  int32_t id = ws.CounterValue(clWorkspace::kTagIdCounter);
  for (const Case& c : cases) {
    clTag* tag = ws.CreateMonitorTag(*monitor, 3, c.type, 5);
    ASSERT_NE(tag, nullptr);
    EXPECT_EQ(tag->Name(), c.name);
    EXPECT_EQ(tag->Id(), id++);
    EXPECT_EQ(tag->SectorId(), monitor->Id());
    EXPECT_EQ(monitor->Tags()->FindMonitorTag(3, 5, c.type), tag);
  }
  EXPECT_EQ(ws.CreateMonitorTag(*monitor, 3, 14, 5), nullptr);
  EXPECT_EQ(monitor->Tags()->Count(), 13u);
}

TEST_F(Workspace, MonitorWorkerCreatesTagsWhileTheInterfaceReads) {
  auto* monitor = static_cast<clIEC101CaptureDevice*>(ws.CommitDevice(ws.NewMonitor()));
  monitor->SetRunning(true);
  std::thread worker([&] {
    for (int32_t ioa = 0; ioa < 500; ++ioa) {
      clTag* tag = ws.CreateMonitorTag(*monitor, 1, 1, ioa);
      tag->SetRawValue(1);
      tag->SetQuality(0);
      tag->SetCause(3);
      tag->SetTimeStamp(LocalTimeNow());
    }
  });
  for (int pass = 0; pass < 200; ++pass) {
    for (const clTag* tag : monitor->Tags()->Items()) {
      (void)tag->GetProperty("value");
      (void)tag->GetProperty("timestamp");
      (void)tag->GetProperty("quality");
    }
  }
  worker.join();
  monitor->SetRunning(false);
  EXPECT_EQ(monitor->Tags()->Count(), 500u);
}

// The dialog may rename a running device and change its modem settings.
TEST_F(Workspace, NameAndModemSettingsChangeSafelyWhileTheWorkerReadsThem) {
  clIEC101MasterDevice* master = AddMaster();
  master->SetRunning(true);
  std::atomic<bool> stop{false};
  std::thread worker([&] {
    size_t seen = 0;
    do {
      seen += master->Name().size() + master->PhoneNumber().size();
      seen += static_cast<size_t>(master->DialTimeoutSec() + master->ModemEnabled());
    } while (!stop.load());
    EXPECT_GT(seen, 0u);
  });
  for (int i = 0; i < 2000; ++i) {
    master->SetProperty("name", "Renamed" + std::to_string(i));
    master->SetPhoneNumber("ATD" + std::to_string(i));
    master->SetDialTimeoutSec(i);
    master->SetModemEnabled(i % 2 == 0);
  }
  stop = true;
  worker.join();
  EXPECT_EQ(master->Name(), "Renamed1999");
}

TEST_F(Workspace, ClearResetsEverythingAndSwapExchangesContents) {
  AddMaster();
  ws.NewTag(*ws.Masters().Items()[0]);
  clWorkspace other;
  ws.Swap(other);
  EXPECT_TRUE(ws.Masters().Empty());
  EXPECT_EQ(ws.Ports().Count(), 0);
  EXPECT_EQ(other.Masters().Count(), 1u);
  EXPECT_EQ(other.CounterValue(clWorkspace::kMasterTagNameCounter), 2);
  other.Clear();
  EXPECT_TRUE(other.Masters().Empty());
  EXPECT_EQ(other.Ports().Count(), 0);
  EXPECT_EQ(other.ColumnWidths().Count(), 0u);
  for (int32_t c = 0; c < clWorkspace::kCounterCount; ++c)
    EXPECT_EQ(other.CounterValue(static_cast<clWorkspace::Counter>(c)), 1);
  EXPECT_EQ(other.MasterTagChoice().type, -1);
}

TEST_F(Workspace, DevicePropertiesByKey) {
  clIEC101MasterDevice* master = AddMaster();
  master->SetProperty("LINKADDR", " 300xyz");
  master->SetProperty("size-linkaddr", "2");
  master->SetProperty("size-sector", "abc");
  master->SetProperty("size-ioa", "-3");
  master->SetProperty("size-cot", "2");
  master->SetProperty("port", "COM4");
  master->SetProperty("state", "Running");  // read only
  EXPECT_EQ(master->GetProperty("linkaddr"), "300");
  EXPECT_EQ(master->GetProperty("size-linkaddr"), "2");
  EXPECT_EQ(master->GetProperty("size-sector"), "0");
  EXPECT_EQ(master->GetProperty("size-ioa"), "-3");
  EXPECT_EQ(master->GetProperty("Size-COT"), "2");
  EXPECT_EQ(master->GetProperty("port"), "COM4");
  EXPECT_EQ(master->GetProperty("state"), "Stopped");
  EXPECT_EQ(master->GetProperty("unknown"), "");

  auto monitor = ws.NewMonitor();
  monitor->SetProperty("PORT1", "COM9");
  monitor->SetProperty("linkaddr", "5");
  monitor->SetProperty("Size-IOA", "3");
  EXPECT_EQ(monitor->GetProperty("port1"), "COM9");
  EXPECT_NE(monitor->Port1(), nullptr);              // setting the name leaves the reference
  EXPECT_EQ(monitor->GetProperty("PORT1"), "COM9");  // keys compare without case
  EXPECT_EQ(monitor->GetProperty("Size-Cot"), "1");
  EXPECT_EQ(monitor->GetProperty("linkaddr"), "");
  EXPECT_EQ(monitor->GetProperty("size-ioa"), "3");
  monitor->RefreshPortNames();
  EXPECT_EQ(monitor->Port1Name(), "COM1");

  clSector sector;
  EXPECT_EQ(sector.Name(), "Group");
  sector.SetProperty("sector", "12");
  sector.SetProperty("active", "disable");
  sector.SetProperty("ACTIVE", "perhaps");
  EXPECT_EQ(sector.GetProperty("sector"), "12");
  EXPECT_EQ(sector.GetProperty("active"), "disable");
}

TEST_F(Workspace, ColumnWidthsDefaultsAndUpdates) {
  clColumnWidths& widths = ws.ColumnWidths();
  EXPECT_EQ(widths.Count(), 7u);
  EXPECT_EQ(widths.Width("ChannelMonitor", 2), 70);
  EXPECT_EQ(widths.Width("Sector", 3), 50);
  EXPECT_EQ(widths.Width("TagMaster", 15), 80);
  EXPECT_EQ(widths.Width("NoSuchLayout", 0), 50);
  widths.SetWidth("Import", 2, 33);
  widths.SetWidth("Import", 32, 99);  // beyond the last column: ignored
  widths.SetWidth("Other", 40, 99);
  EXPECT_EQ(widths.Count(), 8u);
  EXPECT_EQ(widths.At(7).Kind(), "Import");
  EXPECT_EQ(widths.Width("Import", 2), 33);
  EXPECT_EQ(widths.Width("Import", 1), 50);
}

TEST_F(Workspace, CloneCopiesDevicesDeeply) {
  clIEC101MasterDevice* master = AddMaster();
  master->SetTestPeriodSec(9);
  clSector* sector = AddSector(*master);
  auto tag = ws.NewTag(*master);
  ws.CommitTag(*master, *sector, std::move(tag.object));
  auto copy = master->Clone();
  auto* copied = static_cast<clIEC101MasterDevice*>(copy.get());
  EXPECT_EQ(copied->TestPeriodSec(), 9);
  EXPECT_EQ(copied->Name(), "Master1");
  ASSERT_EQ(copied->Sectors()->Count(), 1u);
  EXPECT_NE(copied->Sectors()->First(), sector);
  EXPECT_EQ(copied->Sectors()->First()->Owner(), copied);
  EXPECT_EQ(copied->Sectors()->First()->Tags().Count(), 1u);

  auto* monitor = static_cast<clIEC101CaptureDevice*>(ws.CommitDevice(ws.NewMonitor()));
  ws.CreateMonitorTag(*monitor, 1, 1, 5)->SetRawValue(1);
  monitor->SetPort2Name("COM8");
  auto monitorCopy = monitor->Clone();
  auto* capture = static_cast<clIEC101CaptureDevice*>(monitorCopy.get());
  EXPECT_EQ(capture->Port2Name(), "COM8");
  EXPECT_EQ(capture->Port1(), nullptr);  // references are resolved by the workspace
  ASSERT_EQ(capture->Tags()->Count(), 1u);
  EXPECT_EQ(capture->Tags()->Items()[0]->Value(), 1);
  EXPECT_NE(capture->Tags()->Items()[0], monitor->Tags()->Items()[0]);
}

}  // namespace

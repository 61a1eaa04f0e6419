// A master, a slave and a monitor on one virtual line, started as "Start All"
// starts them: interrogation, spontaneous data and every command type end to end,
// and the monitor on the taps agreeing with the master.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/device_runners.h"
#include "master/master_engine.h"
#include "master/master_write.h"
#include "model/workspace.h"
#include "runtime/tick_clock.h"
#include "slave/slave_engine.h"
#include "tests/test_support.h"

namespace {

using test_support::WaitFor;

constexpr int32_t kCommonAddress = 1;

struct TagSpec {
  int32_t type;
  int32_t ioa;
  double slaveValue;
  int32_t slaveQuality;
  int32_t linkIoa;  // slave command tags: the monitored tag they change
  bool select;      // master command tags: select before operate
};

// Monitored tags first, then one command tag per command type.
constexpr TagSpec kTags[] = {
    {clTag::kSinglePoint, 1, 1, 0, 0, false},
    {clTag::kDoublePoint, 2, 2, 0, 0, false},
    {clTag::kMeasuredNormalized, 3, 0.25, 0, 0, false},
    {clTag::kMeasuredScaled, 4, 1234, clTag::kQualitySubstituted, 0, false},
    {clTag::kMeasuredFloat, 5, 49.5, 0, 0, false},
    {clTag::kIntegratedTotals, 6, 100000, 0, 0, false},
    {clTag::kStepPosition, 7, 63, 0, 0, false},
    {clTag::kSingleCommand, 11, 0, 0, 1, false},
    {clTag::kDoubleCommand, 12, 0, 0, 2, true},
    {clTag::kRegulatingStep, 13, 0, 0, 7, false},
    {clTag::kSetpointNormalized, 14, 0, 0, 3, true},
    {clTag::kSetpointScaled, 15, 0, 0, 4, false},
    {clTag::kSetpointFloat, 16, 0, 0, 5, true},
};

class EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    workspace_.InitNew();
    for (const char* name : {"VLINE40-A", "VLINE40-B", "VLINE40-A-TAP", "VLINE40-B-TAP"}) {
      auto port = std::make_unique<clSerialPort>();
      port->SetName(name);
      port->SetBaudRate(115200);
      workspace_.Ports().Add(std::move(port));
    }
    auto master = workspace_.NewMaster();
    master->SetPortName("VLINE40-A");
    master->SetPollIntervalMs(20);
    master_ = workspace_.CommitDevice(std::move(master));
    auto slave = workspace_.NewSlave();
    slave->SetPortName("VLINE40-B");
    slave_ = workspace_.CommitDevice(std::move(slave));
    auto monitor = workspace_.NewMonitor();
    monitor->SetPort1Name("VLINE40-A-TAP");
    monitor->SetPort2Name("VLINE40-B-TAP");
    monitor_ = static_cast<clIEC101CaptureDevice*>(workspace_.CommitDevice(std::move(monitor)));
    masterSector_ = AddSector(*master_);
    slaveSector_ = AddSector(*slave_);
    for (const TagSpec& row : kTags) {
      AddTag(*master_, *masterSector_, row, false);
      AddTag(*slave_, *slaveSector_, row, true);
    }
    workspace_.ResolveReferences();
    std::vector<std::string> failures = runners_.StartAll();
    ASSERT_TRUE(failures.empty()) << failures.front();
    masterEngine_ = dynamic_cast<clIEC101MasterEngine*>(runners_.RunnerFor(*master_));
    slaveEngine_ = dynamic_cast<clIEC101SlaveEngine*>(runners_.RunnerFor(*slave_));
    ASSERT_NE(masterEngine_, nullptr);
    ASSERT_NE(slaveEngine_, nullptr);
  }
  void TearDown() override { runners_.StopAll(); }

  clSector* AddSector(clDevice& device) {
    clWorkspace::Created<clSector> sector = workspace_.NewSector(device);
    sector.object->SetCommonAddress(kCommonAddress);
    clSector* kept = sector.object.get();
    EXPECT_EQ(workspace_.CommitSector(device, std::move(sector.object)), "");
    return kept;
  }
  void AddTag(clDevice& device, clSector& sector, const TagSpec& row, bool slave) {
    clWorkspace::Created<clTag> tag = workspace_.NewTag(device);
    tag.object->SetType(row.type);
    tag.object->SetIoa(row.ioa);
    if (slave) {
      tag.object->SetRawValue(row.slaveValue);
      tag.object->SetQuality(row.slaveQuality);
      if (row.linkIoa != 0) {
        tag.object->SetLinkEnabled(true);
        tag.object->SetLinkTarget(sector.Tags().FindByIoa(row.linkIoa)->Id());
      }
    } else {
      tag.object->SetSelectBeforeOperate(row.select);
    }
    clTag* raw = tag.object.get();
    EXPECT_EQ(workspace_.CommitTag(device, sector, std::move(tag.object)), "");
    if (slave) raw->SetRawValue(row.slaveValue);  // a new double point starts at 1
  }

  clTag* MasterTag(int32_t ioa) { return masterSector_->Tags().FindByIoa(ioa); }
  clTag* SlaveTag(int32_t ioa) { return slaveSector_->Tags().FindByIoa(ioa); }

  bool MasterShows(int32_t ioa, double value) {
    return WaitFor([&] { return MasterTag(ioa)->Value() == value; });
  }
  std::string Write(int32_t ioa, double value) {
    clMasterWrite write;
    write.value = value;
    return WriteMasterTag(masterEngine_, *masterSector_, *MasterTag(ioa), write, nullptr);
  }

  clWorkspace workspace_;
  clDeviceRunners runners_{workspace_};
  clDevice* master_ = nullptr;
  clDevice* slave_ = nullptr;
  clIEC101CaptureDevice* monitor_ = nullptr;
  clSector* masterSector_ = nullptr;
  clSector* slaveSector_ = nullptr;
  clIEC101MasterEngine* masterEngine_ = nullptr;
  clIEC101SlaveEngine* slaveEngine_ = nullptr;
};

TEST_F(EndToEnd, InterrogationSpontaneousDataAndEveryCommandReachTheOtherEnd) {
  // The start-up interrogation brings every monitored slave value to the master.
  for (const TagSpec& row : kTags) {
    if (row.type > clTag::kStepPosition) continue;
    ASSERT_TRUE(MasterShows(row.ioa, row.slaveValue)) << "type " << row.type;
    EXPECT_EQ(MasterTag(row.ioa)->Cause(), 20) << "type " << row.type;
    EXPECT_EQ(MasterTag(row.ioa)->Quality(), row.slaveQuality) << "type " << row.type;
  }

  // A user edit on the slave comes as spontaneous data with the slave's time.
  ASSERT_TRUE(slaveEngine_->SetTagValue(kCommonAddress, 1, 0));
  ASSERT_TRUE(MasterShows(1, 0));
  EXPECT_EQ(MasterTag(1)->Cause(), 3);
  EXPECT_EQ(MasterTag(1)->TimeStamp(), SlaveTag(1)->TimeStamp());

  // Commands change the linked slave tags; the points come back spontaneously.
  ASSERT_EQ(Write(11, 1), "");  // single command On → single point 1
  ASSERT_TRUE(MasterShows(1, 1));
  ASSERT_EQ(Write(12, 1), "");  // double command Open, with select → double point 1
  ASSERT_TRUE(MasterShows(2, 1));
  ASSERT_EQ(Write(13, 2), "");  // step higher from 63 wraps to -64
  ASSERT_TRUE(MasterShows(7, -64));
  EXPECT_EQ(SlaveTag(13)->Value(), 2);

  // Set-points change their measured values silently; an interrogation shows them.
  ASSERT_EQ(Write(14, 0.5), "");
  ASSERT_TRUE(WaitFor([&] { return SlaveTag(3)->Value() == 0.5; }));
  ASSERT_EQ(Write(15, -4321), "");
  ASSERT_TRUE(WaitFor([&] { return SlaveTag(4)->Value() == -4321; }));
  ASSERT_EQ(Write(16, 12.25), "");
  ASSERT_TRUE(WaitFor([&] { return SlaveTag(5)->Value() == 12.25; }));
  masterEngine_->RequestGeneralInterrogation();
  EXPECT_TRUE(MasterShows(3, 0.5));
  EXPECT_TRUE(MasterShows(4, -4321));
  EXPECT_TRUE(MasterShows(5, 12.25));

  // The monitor on the taps keeps the same values as the master.
  for (const TagSpec& row : kTags) {
    if (row.type > clTag::kStepPosition) continue;
    clTag* seen = monitor_->Tags()->FindMonitorTag(kCommonAddress, row.ioa, row.type);
    ASSERT_NE(seen, nullptr) << "type " << row.type;
    EXPECT_TRUE(WaitFor([&] { return seen->Value() == MasterTag(row.ioa)->Value(); }, 2000))
        << "type " << row.type << ": monitor " << seen->Value() << ", master "
        << MasterTag(row.ioa)->Value();
    EXPECT_EQ(seen->Quality(), MasterTag(row.ioa)->Quality()) << "type " << row.type;
  }
  // And it saw the commands as selects and executes.
  clTag* command = monitor_->Tags()->FindMonitorTag(kCommonAddress, 12, clTag::kDoubleCommand);
  ASSERT_NE(command, nullptr);
  EXPECT_EQ(command->CommandState(), 2);
}

}  // namespace

// Traffic drains on the demonstration's devices over a virtual line: records
// only while a drain runs, stopping while records flow, and drains that go with
// their device or workspace before it is freed.
#include "app/traffic_drains.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "app/demo_workspace.h"
#include "app/device_runners.h"
#include "model/workspace.h"
#include "runtime/virtual_lines.h"
#include "tests/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

using test_support::WaitFor;

// Takes pieces from the drain until one contains `text`.
bool WaitForText(clTrafficDrain& drain, const std::string& text, std::string* seen) {
  return WaitFor([&] {
    for (const clTrafficFragment& piece : drain.Take()) *seen += piece.text + "\n";
    return seen->find(text) != std::string::npos;
  }, 20000);
}

struct Demo {
  clWorkspace workspace;
  std::unique_ptr<clDeviceRunners> runners;
  clDevice* master = nullptr;
  clDevice* slave = nullptr;
  clDevice* monitor = nullptr;

  Demo() {
    BuildDemoWorkspace(workspace);
    runners = std::make_unique<clDeviceRunners>(workspace);
    master = workspace.Masters().FindByName("Master1");
    slave = workspace.Slaves().FindByName("Slave1");
    monitor = workspace.Monitors().Items()->front();
  }
  ~Demo() { runners.reset(); }
};

TEST(TrafficDrains, ADeviceBuildsRecordsOnlyWhileItsDrainRuns) {
  Demo demo;
  clTrafficDrains drains(demo.workspace);
  std::unique_ptr<clIEC101MasterDevice> proposal = demo.workspace.NewMaster();
  EXPECT_EQ(drains.DrainFor(*proposal), nullptr) << "no drain for a device outside the workspace";
  clTrafficDrain* drain = drains.DrainFor(*demo.master);
  ASSERT_NE(drain, nullptr);
  EXPECT_EQ(drains.DrainFor(*demo.master), drain);

  clVirtualLine* cable = clVirtualLines::Instance().Cable(1);
  const uint64_t sentBefore = cable->Counters(0).sent;
  ASSERT_TRUE(demo.runners->StartAll().empty());
  // The master talks, yet a drain that is not started costs it nothing.
  ASSERT_TRUE(WaitFor([&] { return cable->Counters(0).sent > sentBefore + 20; },
                      20000));
  EXPECT_FALSE(demo.master->Traffic().IsConsumerRunning());
  EXPECT_EQ(demo.master->Traffic().Size(), 0u);

  ASSERT_TRUE(drain->Start());
  std::string seen;
  EXPECT_TRUE(WaitForText(*drain, "-> ", &seen)) << seen;
  EXPECT_TRUE(WaitForText(*drain, "<- ", &seen)) << seen;
  drain->Stop();
  EXPECT_FALSE(demo.master->Traffic().IsConsumerRunning());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  drain->Take();
  EXPECT_EQ(demo.master->Traffic().Size(), 0u) << "a stopped drain's device builds nothing";
  demo.runners->StopAll();
}

TEST(TrafficDrains, StopAndDestructionWhileRecordsFlowReturnWithinFiveSeconds) {
  Demo demo;
  auto drains = std::make_unique<clTrafficDrains>(demo.workspace);
  ASSERT_TRUE(demo.runners->StartAll().empty());
  for (clDevice* device : {demo.master, demo.slave, demo.monitor}) {
    clTrafficDrain* drain = drains->DrainFor(*device);
    ASSERT_TRUE(drain->Start());
    std::string seen;
    ASSERT_TRUE(WaitForText(*drain, "Link Control", &seen)) << device->Name();
    const Clock::time_point begin = Clock::now();
    drain->Stop();
    EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(5000));
    ASSERT_TRUE(drain->Start());
  }
  // Closing every window at once while all three devices still talk.
  int dropped = 0;
  clTrafficDrains* all = drains.get();
  drains->SetDropHandler([&](const clDevice& device) {
    clTrafficDrain* drain = all->ExistingDrain(device);
    EXPECT_TRUE(drain && drain->IsStarted()) << "told before its drain stops";
    ++dropped;
  });
  const Clock::time_point begin = Clock::now();
  drains.reset();
  EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(5000));
  EXPECT_EQ(dropped, 3);
  for (clDevice* device : {demo.master, demo.slave, demo.monitor})
    EXPECT_FALSE(device->Traffic().IsConsumerRunning());
  demo.runners->StopAll();
}

TEST(TrafficDrains, ADeletedDeviceTakesItsRunningDrainAlongBeforeItIsFreed) {
  Demo demo;
  clTrafficDrains drains(demo.workspace);
  std::string dropped;
  drains.SetDropHandler([&](const clDevice& device) { dropped += device.Name() + ";"; });
  ASSERT_TRUE(demo.runners->StartAll().empty());
  clTrafficDrain* slaveDrain = drains.DrainFor(*demo.slave);
  ASSERT_TRUE(slaveDrain->Start());
  ASSERT_TRUE(drains.DrainFor(*demo.monitor)->Start());
  std::string seen;
  ASSERT_TRUE(WaitForText(*slaveDrain, "Response", &seen));

  // The slave stops; its drain keeps taking what the device queued until the
  // device is deleted, and goes first.
  demo.runners->Stop(*demo.slave);
  ASSERT_EQ(demo.workspace.DeleteDevice(demo.slave), "");
  EXPECT_EQ(dropped, "Slave1;");
  EXPECT_EQ(drains.DrainCount(), 1u);

  // Loading, clearing or destroying the workspace takes the rest, running.
  demo.runners->StopAll();
  demo.workspace.Clear();
  EXPECT_EQ(dropped, "Slave1;Monitor1;");
  EXPECT_EQ(drains.DrainCount(), 0u);

  auto gone = std::make_unique<clWorkspace>();
  BuildDemoWorkspace(*gone);
  auto late = std::make_unique<clTrafficDrains>(*gone);
  ASSERT_TRUE(late->DrainFor(*gone->Masters().FindByName("Master1"))->Start());
  gone.reset();
  EXPECT_EQ(late->DrainCount(), 0u);
  clWorkspace other;
  BuildDemoWorkspace(other);
  EXPECT_EQ(late->DrainFor(*other.Masters().FindByName("Master1")), nullptr)
      << "drains of a destroyed workspace stay inert";
}

}  // namespace

// Robustness on a bad line: noise and drops for a while with traffic flowing,
// devices stopped and started over and over, and ttys that vanish under running
// devices. The short forms run in CI; TELVANE_SOAK_LONG=1 gives the long forms.
#include <dirent.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>

#include "app/demo_workspace.h"
#include "app/device_runners.h"
#include "master/master_engine.h"
#include "master/master_write.h"
#include "model/workspace.h"
#include "monitor/capture_engine.h"
#include "runtime/tick_clock.h"
#include "runtime/virtual_line_command.h"
#include "runtime/virtual_lines.h"
#include "slave/slave_engine.h"
#include "tests/test_support.h"

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

namespace {

using test_support::SameValue;
using test_support::WaitFor;

bool LongForm() {
  const char* value = std::getenv("TELVANE_SOAK_LONG");
  return value != nullptr && value[0] == '1';
}

// Resident memory of this process in KiB.
long ResidentKiB() {
  long pages = 0, resident = 0;
  if (FILE* f = std::fopen("/proc/self/statm", "r")) {
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = 0;
    std::fclose(f);
  }
  return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

size_t ThreadCount() {
  size_t count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(dir))
      if (entry->d_name[0] != '.') ++count;
    closedir(dir);
  }
  return count;
}

bool Line(const std::string& command) {
  std::vector<std::string> words;
  size_t start = 0;
  while (start < command.size()) {
    size_t end = command.find(' ', start);
    if (end == std::string::npos) end = command.size();
    words.push_back(command.substr(start, end - start));
    start = end + 1;
  }
  std::string error;
  bool ok = ApplyLineCommand(words, &error);
  EXPECT_TRUE(ok) << error;
  return ok;
}

// The demonstration workspace (master, slave and monitor on cable 1) at line
// speed 115200 and a brisk poll.
class DemoLine : public ::testing::Test {
 protected:
  void SetUp() override {
    BuildDemoWorkspace(workspace_);
    for (int32_t i = 0; i < workspace_.Ports().Count(); ++i)
      workspace_.Ports().At(i)->SetBaudRate(115200);
    master_ = workspace_.Masters().FindByName("Master1");
    slave_ = workspace_.Slaves().FindByName("Slave1");
    monitor_ = workspace_.Monitors().FindByName("Monitor1");
    master_->SetPollIntervalMs(20);
    masterSector_ = master_->Sectors()->First();
    slaveSector_ = slave_->Sectors()->First();
  }
  void TearDown() override {
    runners_.StopAll();
    clVirtualLines::Instance().Cable(1)->ClearFaults();
    clVirtualLines::Instance().Cable(1)->SetCut(false);
  }
  void StartAll() {
    std::vector<std::string> failures = runners_.StartAll();
    ASSERT_TRUE(failures.empty()) << failures.front();
    masterEngine_ = dynamic_cast<clIEC101MasterEngine*>(runners_.RunnerFor(*master_));
    slaveEngine_ = dynamic_cast<clIEC101SlaveEngine*>(runners_.RunnerFor(*slave_));
  }
  // Every monitored master tag shows its slave tag's value.
  bool MasterMatchesSlave() {
    for (clTag* tag : slaveSector_->Tags().Items()) {
      if (tag->TagType() > clTag::kStepPosition) continue;
      clTag* seen = masterSector_->Tags().FindByIoa(tag->Ioa());
      if (seen == nullptr || !SameValue(seen->Value(), tag->Value())) return false;
    }
    return true;
  }

  clWorkspace workspace_;
  clDeviceRunners runners_{workspace_};
  clIEC101MasterDevice* master_ = nullptr;
  clIEC101SlaveDevice* slave_ = nullptr;
  clIEC101CaptureDevice* monitor_ = nullptr;
  clSector* masterSector_ = nullptr;
  clSector* slaveSector_ = nullptr;
  clIEC101MasterEngine* masterEngine_ = nullptr;
  clIEC101SlaveEngine* slaveEngine_ = nullptr;
};

TEST_F(DemoLine, Soak_NoiseAndDropsWithChangesAndCommandsThenAClearLineAgreesAgain) {
  const uint64_t seconds = LongForm() ? 60 : 10;
  clVirtualLines::SetFaultSeed(20261206);
  for (clDevice* d : {static_cast<clDevice*>(master_), static_cast<clDevice*>(slave_)})
    d->Traffic().SetConsumerRunning(true);
  StartAll();
  ASSERT_TRUE(WaitFor([&] { return MasterMatchesSlave(); }, 10000)) << "clean start-up";
  ASSERT_TRUE(Line("1 noise both 0.01"));
  ASSERT_TRUE(Line("1 drop both 0.001"));
  clVirtualLine* cable = clVirtualLines::Instance().Cable(1);
  const VirtualLineCounters before[2] = {cable->Counters(0), cable->Counters(1)};

  std::map<std::string, int> events;  // line events of master and slave, by text
  auto drain = [&] {
    for (clDevice* d : {static_cast<clDevice*>(master_), static_cast<clDevice*>(slave_)}) {
      while (auto record = d->Traffic().Pop())
        if (record->IsEventKind()) ++events[d->Name() + ": " + record->title];
    }
  };
  clTag* command = masterSector_->Tags().FindByIoa(20);
  const uint64_t start = TickNowMs();
  long rssAfter5s = 0;
  int step = 0;
  while (TickNowMs() - start < seconds * 1000) {
    ++step;
    slaveEngine_->SetTagValue(1, 1, step % 2);
    slaveEngine_->SetTagValue(1, 4, step % 30000);
    if (step % 10 == 0) {
      clMasterWrite write;
      write.value = (step / 10) % 2 + 1;
      EXPECT_EQ(WriteMasterTag(masterEngine_, *masterSector_, *command, write, nullptr), "");
    }
    drain();
    if (rssAfter5s == 0 && TickNowMs() - start >= 5000) rssAfter5s = ResidentKiB();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  const long rssEnd = ResidentKiB();
  EXPECT_TRUE(master_->IsRunning());
  EXPECT_TRUE(slave_->IsRunning());
  EXPECT_TRUE(monitor_->IsRunning());

  ASSERT_TRUE(Line("1 clear"));
  const VirtualLineCounters after[2] = {cable->Counters(0), cable->Counters(1)};
  // Once the link has settled, one interrogation brings every value across.
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  masterEngine_->RequestGeneralInterrogation();
  EXPECT_TRUE(WaitFor([&] { return MasterMatchesSlave(); }, 20000));
  drain();

  std::printf("[ soak ] %llu s with noise 0.01 and drop 0.001 both ways, seed 20261206\n",
              static_cast<unsigned long long>(seconds));
  for (int side = 0; side < 2; ++side) {
    std::printf("[ soak ] sent by %c: %llu octets, %llu corrupted, %llu dropped\n", "AB"[side],
                static_cast<unsigned long long>(after[side].sent - before[side].sent),
                static_cast<unsigned long long>(after[side].corrupted - before[side].corrupted),
                static_cast<unsigned long long>(after[side].dropped - before[side].dropped));
  }
  for (const auto& [text, count] : events) std::printf("[ soak ] %s: %d\n", text.c_str(), count);
  std::printf("[ soak ] resident memory after 5 s %ld KiB, at the end %ld KiB\n", rssAfter5s,
              rssEnd);
  EXPECT_GT(after[0].corrupted - before[0].corrupted, 0u) << "the noise did hit the line";
  if (!kSanitized) {
    EXPECT_LE(rssEnd, rssAfter5s + rssAfter5s / 10);
  }
}

TEST_F(DemoLine, StoppingAndStartingEveryDeviceRepeatedlyWhileTrafficFlows) {
  // The baseline is taken after one start and stop, so that threads a runtime
  // starts on first use (a sanitizer's own) are already there.
  StartAll();
  ASSERT_TRUE(WaitFor([&] { return MasterMatchesSlave(); }, 10000));
  runners_.StopAll();
  const size_t threadsBefore = ThreadCount();
  StartAll();
  const int rounds = 200;
  uint64_t slowestStopMs = 0;
  for (int round = 0; round < rounds; ++round) {
    for (clDevice* device : {static_cast<clDevice*>(master_), static_cast<clDevice*>(slave_),
                             static_cast<clDevice*>(monitor_)}) {
      const uint64_t asked = TickNowMs();
      runners_.Stop(*device);
      slowestStopMs = std::max(slowestStopMs, TickNowMs() - asked);
      ASSERT_FALSE(device->IsRunning());
      std::string failure;
      ASSERT_TRUE(runners_.Start(*device, &failure)) << failure;
    }
  }
  std::printf("[ soak ] %d rounds of stop and start of 3 devices; slowest stop %llu ms\n", rounds,
              static_cast<unsigned long long>(slowestStopMs));
  // A stop takes well under a second; the bound is wide for a loaded machine and
  // still catches a wait that Stop cannot end (seconds to tens of seconds).
  EXPECT_LT(slowestStopMs, 5000u);
  // Still talking: a change on the slave reaches the master.
  slaveEngine_->SetTagValue(1, 4, 777);
  EXPECT_TRUE(WaitFor([&] { return masterSector_->Tags().FindByIoa(4)->Value() == 777; }, 10000));
  runners_.StopAll();
  EXPECT_EQ(ThreadCount(), threadsBefore) << "no thread left behind";
}

// The monitor watches both lines at once and shows the line as it happened:
// every answer after the request it answers, and the records in the order of
// their time stamps, the arrival of each frame's first octet. First at a poll
// interval longer than a monitor's read time-out, so that requests come while
// it waits on either line, then thousands of exchanges as fast as they go.
TEST_F(DemoLine, TheMonitorShowsEveryRequestBeforeItsAnswerInArrivalOrder) {
  monitor_->Traffic().SetConsumerRunning(true);
  int answers = 0, answersBeforeRequests = 0, outOfTimeOrder = 0;
  bool requestOpen = false;
  int64_t lastStamp = 0;
  auto watch = [&](int exchanges) {
    const int until = answers + exchanges;
    const uint64_t deadline = TickNowMs() + 180000;
    while (answers < until && TickNowMs() < deadline) {
      while (auto record = monitor_->Traffic().Pop()) {
        if (record->IsEventKind()) continue;
        const int64_t stamp =
            (int64_t{record->date} * 86400 + record->secondsOfDay) * 1000 + record->milliseconds;
        if (stamp < lastStamp) ++outOfTimeOrder;
        lastStamp = stamp;
        if (record->received) {  // port 1, the master's line
          requestOpen = true;
          continue;
        }
        if (!requestOpen) ++answersBeforeRequests;
        requestOpen = false;
        ++answers;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return answers >= until;
  };
  master_->SetPollIntervalMs(3 * clIEC101CaptureEngine::kOctetReadMs / 2);
  StartAll();
  EXPECT_TRUE(watch(30));
  runners_.Stop(*master_);
  master_->SetPollIntervalMs(2);
  StartAll();
  EXPECT_TRUE(watch(LongForm() ? 20000 : 2000));
  std::printf("[ soak ] %d answers seen by the monitor\n", answers);
  EXPECT_EQ(monitor_->Traffic().Refused(), 0u) << "the test did not keep up with the monitor";
  EXPECT_EQ(answersBeforeRequests, 0);
  EXPECT_EQ(outOfTimeOrder, 0);
}

TEST_F(DemoLine, CutAndRestore_TheLinkComesBackWithoutAnyAction) {
  if (!LongForm()) GTEST_SKIP() << "the slave's 30 s link supervision runs in the long form";
  StartAll();
  ASSERT_TRUE(WaitFor([&] { return MasterMatchesSlave(); }, 10000));
  ASSERT_TRUE(Line("1 cut"));
  EXPECT_TRUE(WaitFor([&] { return masterEngine_->LinkState() != LinkUp; }, 10000));
  EXPECT_TRUE(
      WaitFor([&] { return slaveEngine_->LinkState() == clIEC101SlaveEngine::LinkIdle; }, 35000));
  ASSERT_TRUE(Line("1 restore"));
  EXPECT_TRUE(WaitFor([&] { return masterEngine_->LinkState() == LinkUp; }, 15000));
  slaveEngine_->SetTagValue(1, 4, 4242);
  EXPECT_TRUE(WaitFor([&] { return masterSector_->Tags().FindByIoa(4)->Value() == 4242; }, 10000));
}

// A pseudo-terminal whose far side can be closed under a running device.
struct VanishingPty {
  int master = -1, slave = -1;
  std::string name;
  VanishingPty() {
    char path[128];
    if (openpty(&master, &slave, path, nullptr, nullptr) == 0) name = path;
  }
  // The other side closed, then the device node gone.
  void Vanish() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
    master = slave = -1;
  }
  ~VanishingPty() { Vanish(); }
};

TEST(VanishingTty, TheSlaveStopsTheMasterRetriesAndTheMonitorServesItsOtherPort) {
  VanishingPty slaveLine, masterLine, monitorLine;
  ASSERT_FALSE(slaveLine.name.empty() || masterLine.name.empty() || monitorLine.name.empty());
  clWorkspace workspace;
  for (const std::string& name :
       {slaveLine.name, masterLine.name, monitorLine.name, std::string("VLINE45-B")}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetParity(clSerialPort::kParityNone);
    workspace.Ports().Add(std::move(port));
  }
  auto slave = workspace.NewSlave();
  slave->SetPortName(slaveLine.name);
  clDevice* slaveDevice = workspace.CommitDevice(std::move(slave));
  auto master = workspace.NewMaster();
  master->SetPortName(masterLine.name);
  master->SetPollIntervalMs(50);
  clDevice* masterDevice = workspace.CommitDevice(std::move(master));
  auto monitor = workspace.NewMonitor();
  monitor->SetPort1Name(monitorLine.name);
  monitor->SetPort2Name("VLINE45-B");
  auto* monitorDevice =
      static_cast<clIEC101CaptureDevice*>(workspace.CommitDevice(std::move(monitor)));
  workspace.ResolveReferences();
  clDeviceRunners runners(workspace);
  ASSERT_TRUE(runners.StartAll().empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(200));

  slaveLine.Vanish();
  masterLine.Vanish();
  monitorLine.Vanish();
  EXPECT_TRUE(WaitFor([&] { return !slaveDevice->IsRunning(); }, 3000));
  EXPECT_EQ(slaveDevice->GetProperty("state"), "Stopped");
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(masterDevice->IsRunning()) << "the master keeps retrying";
  EXPECT_TRUE(monitorDevice->IsRunning());

  // The monitor still decodes what arrives on its other port.
  clSerialPort sender;
  sender.SetName("VLINE45-A");
  ASSERT_EQ(sender.Open(), 0);
  const uint8_t frame[] = {0x68, 0x0A, 0x0A, 0x68, 0x08, 0x01, 0x01, 0x01,
                           0x03, 0x01, 0x00, 0x09, 0x00, 0x01, 0x19, 0x16};
  ASSERT_EQ(sender.Write(frame, sizeof frame), static_cast<int32_t>(sizeof frame));
  EXPECT_TRUE(WaitFor(
      [&] { return monitorDevice->Tags()->FindMonitorTag(1, 9, clTag::kSinglePoint) != nullptr; },
      3000));
  const uint64_t asked = TickNowMs();
  runners.StopAll();
  EXPECT_LT(TickNowMs() - asked, 5000u);
}

}  // namespace

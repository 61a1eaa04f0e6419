// The runners' life cycle against the workspace's, and what a failed start says.
#include "app/device_runners.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <memory>

#include "app/demo_workspace.h"
#include "model/workspace.h"
#include "model/workspace_file.h"

namespace {

TEST(DeviceRunners, RunnersGoWithTheirDeviceAndWithTheWorkspaceContents) {
  clWorkspace workspace;
  BuildDemoWorkspace(workspace);
  const std::vector<uint8_t> bytes = WorkspaceToBytes(workspace);
  clDeviceRunners runners(workspace);
  ASSERT_TRUE(runners.StartAll().empty());
  EXPECT_EQ(runners.RunnerCount(), 3u);

  clDevice* slave = workspace.Slaves().FindByName("Slave1");
  EXPECT_EQ(workspace.DeleteDevice(slave), kDeleteDeviceRefused);
  runners.Stop(*slave);
  EXPECT_EQ(workspace.DeleteDevice(slave), "");
  EXPECT_EQ(runners.RunnerCount(), 2u);
  EXPECT_TRUE(runners.AnyRunning());

  // Loading replaces ports and devices: every engine goes first, running or not,
  // and the loaded devices get engines of their own on the new port list.
  ASSERT_EQ(LoadWorkspaceBytes(bytes.data(), bytes.size(), workspace), "");
  EXPECT_EQ(runners.RunnerCount(), 0u);
  EXPECT_FALSE(runners.AnyRunning());
  ASSERT_TRUE(runners.StartAll().empty());
  EXPECT_EQ(runners.RunnerCount(), 3u);

  workspace.InitNew();
  EXPECT_EQ(runners.RunnerCount(), 0u);
  // A proposal that is not in the workspace gets no engine.
  std::unique_ptr<clIEC101MasterDevice> proposal = workspace.NewMaster();
  EXPECT_EQ(runners.RunnerFor(*proposal), nullptr);
  std::string refusal;
  EXPECT_FALSE(runners.Start(*proposal, &refusal));
  EXPECT_EQ(refusal, "not in the workspace");
  clDevice* master = workspace.CommitDevice(std::move(proposal));
  EXPECT_NE(runners.RunnerFor(*master), nullptr);
  runners.Forget(*master);
  EXPECT_EQ(runners.ExistingRunner(*master), nullptr);
}

TEST(DeviceRunners, AWorkspaceDestroyedFirstStopsItsEnginesAndLeavesTheRunnersInert) {
  auto workspace = std::make_unique<clWorkspace>();
  BuildDemoWorkspace(*workspace);
  clDeviceRunners runners(*workspace);
  ASSERT_TRUE(runners.StartAll().empty());
  workspace.reset();
  EXPECT_EQ(runners.RunnerCount(), 0u);
  EXPECT_EQ(runners.FindDevice("Master1"), nullptr);
  EXPECT_TRUE(runners.StartAll().empty());
}

TEST(DeviceRunners, AFailedStartNamesThePortWhatItOpensTheSystemsReasonAndItsHolder) {
  clWorkspace workspace;
  BuildDemoWorkspace(workspace);
  clDeviceRunners runners(workspace);
  clDevice* slave = workspace.Slaves().FindByName("Slave1");
  ASSERT_TRUE(runners.Start(*slave, static_cast<clStartFailure*>(nullptr)));

  auto second = workspace.NewSlave();
  second->SetPortName("vline1-b");
  clDevice* rival = workspace.CommitDevice(std::move(second));
  clStartFailure failure;
  EXPECT_FALSE(runners.Start(*rival, &failure));
  EXPECT_EQ(failure.kind, clStartFailure::kPortFailed);
  EXPECT_EQ(failure.device, rival->Name());
  EXPECT_EQ(failure.port, "vline1-b");
  EXPECT_EQ(failure.path, "VLINE1-B");
  EXPECT_EQ(failure.code, clSerialPort::kAlreadyOpen);
  EXPECT_EQ(failure.osError, EBUSY);
  EXPECT_EQ(failure.heldBy, "Slave1");
  EXPECT_EQ(failure.Message(), "Fail to open port 'vline1-b'");
  EXPECT_NE(failure.Detail().find("VLINE1-B: "), std::string::npos) << failure.Detail();
  EXPECT_NE(failure.Detail().find("held by Slave1"), std::string::npos) << failure.Detail();
  std::string text;
  EXPECT_FALSE(runners.Start(*slave, &text));
  EXPECT_EQ(text, "already running");

  auto missing = std::make_unique<clSerialPort>();
  missing->SetName("/nonexistent/tty");
  workspace.Ports().Add(std::move(missing));
  runners.Stop(*slave);
  for (const char* name : {"/nonexistent/tty", "COM99"}) {
    slave->SetPortName(name);
    failure = clStartFailure{};
    EXPECT_FALSE(runners.Start(*slave, &failure));
    EXPECT_EQ(failure.Message(), std::string("Fail to open port '") + name + "'");
    EXPECT_TRUE(failure.heldBy.empty());
  }
  EXPECT_EQ(failure.reason, "no port of that name in the workspace");
  slave->SetPortName("/nonexistent/tty");
  EXPECT_FALSE(runners.Start(*slave, &failure));
  EXPECT_EQ(failure.osError, ENOENT);
  EXPECT_EQ(failure.path, "/nonexistent/tty");
  std::vector<clStartFailure> all;
  runners.StartAll(&all);  // the rival now gets the slave's old port
  ASSERT_EQ(all.size(), 1u);
  EXPECT_EQ(all[0].device, "Slave1");
  EXPECT_EQ(runners.StartAll(),
            std::vector<std::string>{"Slave1: Fail to open port '/nonexistent/tty'"});
  runners.StopAll();
}

}  // namespace

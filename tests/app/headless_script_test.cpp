// The headless script language over the demonstration workspace, in process.
#include "app/headless_script.h"

#include <gtest/gtest.h>

#include <sstream>

#include "app/demo_workspace.h"
#include "app/device_runners.h"
#include "model/workspace.h"
#include "runtime/tick_clock.h"

namespace {

TEST(HeadlessScript, SetWriteGiAndWaitDriveTheDevicesAndATimedOutWaitGivesFour) {
  clWorkspace workspace;
  BuildDemoWorkspace(workspace);
  clHeadlessClock clock(60);
  clDeviceRunners runners(workspace);
  ASSERT_TRUE(runners.StartAll().empty());
  std::istringstream lines(
      "wait Master1 1 2 2 10000\n"   // the start-up interrogation brought the double point
      "set Slave1 1 1 0\n"           // a user edit on the slave...
      "wait Master1 1 1 0 10000\n"   // ...reaches the master
      "wait Monitor1 1 1 0 10000\n"  // ...and the monitor on the taps
      "write Master1 1 20 1\n"       // double command Open, linked to the double point
      "wait Slave1 1 2 1 10000\n"
      "wait Master1 1 2 1 10000\n"
      "set Slave1 1 3 0.5\n"
      "gi Master1\n"
      "wait Master1 1 3 0.5 10000\n"
      "line 1 zap\n"                 // line 11: refused, the script goes on
      "write Master1 1 20 soon\n"    // line 12
      "gi Nobody\n"                  // line 13
      "wait Master1 1 4 4321 100\n"  // line 14: never comes
      "quit\n"
      "wait Master1 1 4 4321 100000\n");
  clHeadlessScript script(workspace, runners, clock);
  const uint64_t started = TickNowMs();
  EXPECT_TRUE(script.Run(lines));
  EXPECT_LT(TickNowMs() - started, 30000u) << "the wait after quit never ran";
  EXPECT_EQ(script.ExitCode(), clHeadlessScript::kWaitTimedOutExitCode);
  clSector* slaveSector = workspace.Slaves().FindByName("Slave1")->Sectors()->First();
  EXPECT_EQ(slaveSector->Tags().FindByIoa(2)->Value(), 1);
  runners.StopAll();
}

}  // namespace

// The headless script language over the demonstration workspace, in process.
#include "app/headless_script.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "app/demo_workspace.h"
#include "app/device_runners.h"
#include "app/exit_codes.h"
#include "app/headless_clock.h"
#include "model/workspace.h"
#include "runtime/tick_clock.h"
#include "tests/app/run_telvane_helpers.h"

namespace {

TEST(HeadlessScript, SetWriteGiAndWaitDriveTheDevicesByAddressOrNameAndATimedOutWaitGivesFour) {
  clWorkspace workspace;
  BuildDemoWorkspace(workspace);
  // Interrogation and clock synchronisation share IOA 0: only a name reaches both.
  clSector* masterSector = workspace.Masters().FindByName("Master1")->Sectors()->First();
  for (const char* name : {"Interrogation", "Clock"}) {
    auto tag = std::make_unique<clTag>();
    tag->SetName(name);
    tag->SetType(name[0] == 'I' ? clTag::kInterrogation : clTag::kClockSync);
    tag->SetIoa(0);
    masterSector->Tags().Append(std::move(tag));
  }
  clHeadlessClock clock(60);
  clDeviceRunners runners(workspace);
  ASSERT_TRUE(runners.StartAll().empty());
  const std::string path = TestPath("script.txt");
  WriteWholeFile(path,
                 "wait Master1 1 2 2 10000\n"   // the start-up interrogation brought the double point
                 "set Slave1 1 1 0\n"           // a user edit on the slave...
                 "wait Master1 1 1 0 10000\n"   // ...reaches the master
                 "wait Monitor1 1 SP1 0 10000\n"  // ...and the monitor on the taps, by name
                 "write Master1 1 20 1\n"       // double command Open, linked to the double point
                 "wait Slave1 1 2 1 10000\n"
                 "wait Master1 1 2 1 10000\n"
                 "set Slave1 1 Tag3 0.5\n"      // by name
                 "write Master1 1 Interrogation 0\n"
                 "wait \"Master1\" 1 3 0.5 10000\n"
                 "write Master1 1 clock now\n"
                 "line 1 zap\n"                 // line 12: refused, the script goes on
                 "write Master1 1 20 soon\n"    // line 13
                 "gi Nobody\n"                  // line 14
                 "wait Master1 1 4 4321 100\n"  // line 15: never comes
                 "quit\n"
                 "wait Master1 1 4 4321 100000\n");
  const int fd = open(path.c_str(), O_RDONLY);
  clScriptInput input(fd, clock);
  clHeadlessScript script(workspace, runners, clock);
  const uint64_t started = TickNowMs();
  EXPECT_TRUE(script.Run(input));
  close(fd);
  EXPECT_LT(TickNowMs() - started, 30000u) << "the wait after quit never ran";
  EXPECT_EQ(script.ErrorCount(), 4);
  EXPECT_EQ(script.ExitCode(), kExitWaitTimedOut);
  clSector* slaveSector = workspace.Slaves().FindByName("Slave1")->Sectors()->First();
  EXPECT_EQ(slaveSector->Tags().FindByIoa(2)->Value(), 1);
  EXPECT_EQ(masterSector->Tags().FindByName("Clock")->Quality(), 0);
  runners.StopAll();
}

}  // namespace

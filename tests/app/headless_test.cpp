// telvane --headless run as a program: a monitor on two pseudo-terminals prints
// what it sees, says once that a line went away, stops cleanly on SIGTERM and
// saves the tags it collected.
#include <gtest/gtest.h>
#include <pty.h>
#include <signal.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "model/workspace.h"
#include "model/workspace_file.h"
#include "runtime/tick_clock.h"
#include "tests/app/run_telvane_helpers.h"

namespace {

struct Pty {
  int master = -1, slave = -1;
  std::string name;
  bool Open() {
    char path[128];
    if (openpty(&master, &slave, path, nullptr, nullptr) != 0) return false;
    name = path;
    return true;
  }
  ~Pty() {
    if (master >= 0) close(master);
    if (slave >= 0) close(slave);
  }
};

// A workspace file with one monitor whose ports are the two pseudo-terminals.
std::string WriteMonitorWorkspace(const std::string& port1, const std::string& port2) {
  clWorkspace workspace;
  workspace.InitNew();
  for (const std::string& name : {port1, port2}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    port->SetParity(clSerialPort::kParityNone);
    workspace.Ports().Add(std::move(port));
  }
  auto monitor = workspace.NewMonitor();
  monitor->SetName("Tap");
  monitor->SetPort1Name(port1);
  monitor->SetPort2Name(port2);
  workspace.CommitDevice(std::move(monitor));
  std::string path = TestPath("headless_monitor.cf1");
  EXPECT_EQ(SaveWorkspaceFile(workspace, path), "");
  return path;
}

TEST(HeadlessRunner, PrintsMonitorTrafficReportsALostLineStopsOnSigtermAndSaves) {
  Pty lines[2];
  ASSERT_TRUE(lines[0].Open() && lines[1].Open());
  const std::string file = WriteMonitorWorkspace(lines[0].name, lines[1].name);
  const std::string saved = TestPath("headless_saved.cf1");
  unlink(saved.c_str());
  clTelvaneProcess child;
  ASSERT_TRUE(child.Start({"--headless", file, "--save-as", saved}));

  // Single point, common address 1, object 5, On, spontaneous, on the slave's line.
  uint8_t frame[] = {0x68, 0x0A, 0x0A, 0x68, 0x08, 0x01, 0x01, 0x01,
                     0x03, 0x01, 0x00, 0x05, 0x00, 0x01, 0x00, 0x16};
  for (int i = 4; i < 14; ++i) frame[14] = static_cast<uint8_t>(frame[14] + frame[i]);
  // The port may not be open yet: send until the monitor shows the frame.
  bool seen = false;
  for (int attempt = 0; attempt < 25 && !seen; ++attempt) {
    ASSERT_EQ(write(lines[1].master, frame, sizeof frame), static_cast<ssize_t>(sizeof frame));
    seen = child.WaitForText("COT: 3 <spontaneous> Sector 1", 200);
  }
  ASSERT_TRUE(seen) << child.out;
  EXPECT_NE(child.out.find("[Tap] -> "), std::string::npos) << child.out;
  EXPECT_NE(child.out.find("[Tap] Single Point Response\n"), std::string::npos);
  EXPECT_NE(child.out.find("[Tap] [5] On \n"), std::string::npos) << child.out;

  // The far end of the slave's line hangs up: named once, and the run goes on.
  close(lines[1].master);
  lines[1].master = -1;
  const std::string lost = "telvane: Tap: port " + lines[1].name + " lost: ";
  const uint64_t deadline = TickNowMs() + 10000;
  while (child.Err().find(lost) == std::string::npos && TickNowMs() < deadline) usleep(10000);
  EXPECT_NE(child.Err().find(lost), std::string::npos) << child.Err();

  child.Signal(SIGTERM);
  EXPECT_EQ(child.WaitForExit(10000), 0) << "SIGTERM ends the run";
  const std::string err = child.Err();
  EXPECT_EQ(err.find(lost), err.rfind(lost)) << "told once: " << err;

  clWorkspace reloaded;
  ASSERT_EQ(LoadWorkspaceFile(saved, reloaded), "");
  ASSERT_EQ(reloaded.Monitors().Count(), 1u);
  clIEC101CaptureDevice* monitor = reloaded.Monitors().Items()[0];
  clTag* tag = monitor->Tags()->FindMonitorTag(1, 5, clTag::kSinglePoint);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->Name(), "SP5");
  EXPECT_EQ(tag->Value(), 1);
  EXPECT_EQ(tag->Cause(), 3);
}

}  // namespace

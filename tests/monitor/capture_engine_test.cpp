// The monitor over virtual lines and a pseudo-terminal: what it records for each
// port, and the tags it keeps.
#include "monitor/capture_engine.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "model/workspace.h"
#include "protocol/cp56time.h"
#include "protocol/iec101_frame.h"
#include "runtime/serial_port.h"
#include "runtime/tick_clock.h"

namespace {

std::vector<uint8_t> Hex(const std::string& text) {
  std::vector<uint8_t> octets;
  for (size_t i = 0; i + 1 < text.size() + 1; i += 3)
    octets.push_back(static_cast<uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return octets;
}

// A monitor whose port 1 is end B of one cable and port 2 end B of another; the
// test writes at the A ends as the master and the slave would.
class MonitorOnVirtualLines : public ::testing::Test {
 protected:
  void SetUpLines(int cable1, int cable2, bool watch = true) {
    workspace_.InitNew();
    for (int cable : {cable1, cable2}) {
      auto port = std::make_unique<clSerialPort>();
      port->SetName("VLINE" + std::to_string(cable) + "-B");
      port->SetBaudRate(115200);
      workspace_.Ports().Add(std::move(port));
    }
    auto monitor = workspace_.NewMonitor();
    monitor->SetPort1Name("VLINE" + std::to_string(cable1) + "-B");
    monitor->SetPort2Name("VLINE" + std::to_string(cable2) + "-B");
    monitor_ = static_cast<clIEC101CaptureDevice*>(workspace_.CommitDevice(std::move(monitor)));
    workspace_.ResolveReferences();
    for (int i = 0; i < 2; ++i) {
      writers_[i].SetName("VLINE" + std::to_string(i == 0 ? cable1 : cable2) + "-A");
      writers_[i].SetBaudRate(115200);
      ASSERT_EQ(writers_[i].Open(), 0);
    }
    monitor_->Traffic().SetConsumerRunning(watch);
    engine_ = std::make_unique<clIEC101CaptureEngine>(*monitor_, workspace_);
    std::string failed;
    ASSERT_TRUE(engine_->Start(&failed)) << failed;
    EXPECT_TRUE(monitor_->IsRunning());
  }
  void TearDown() override {
    if (engine_) engine_->Stop();
    for (clSerialPort& w : writers_) w.Close();
  }

  void Send(int port, const std::vector<uint8_t>& octets) {
    writers_[port - 1].Write(octets.data(), static_cast<int32_t>(octets.size()));
  }
  void Send(int port, const clIEC101Frame& frame) {
    writers_[port - 1].Write(frame.Data(), frame.Length());
  }
  // The next record, waiting at most timeoutMs.
  std::unique_ptr<clTrafficRecord> NextRecord(uint64_t timeoutMs = 2000) {
    const uint64_t deadline = TickNowMs() + timeoutMs;
    for (;;) {
      if (auto record = monitor_->Traffic().Pop()) return record;
      if (TickNowMs() >= deadline) return nullptr;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  }
  // Waits until the monitor holds `count` tags.
  bool WaitForTags(size_t count, uint64_t timeoutMs = 2000) {
    const uint64_t deadline = TickNowMs() + timeoutMs;
    while (monitor_->Tags()->Count() < count) {
      if (TickNowMs() >= deadline) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
  }
  clIEC101Frame NewFrame() {
    clIEC101Frame frame;
    frame.SetSizes(1, 2, 2, 1);
    return frame;
  }
  clIEC101Frame SinglePoint(uint32_t ioa, uint8_t siq, uint32_t cause = 3) {
    clIEC101Frame frame = NewFrame();
    frame.BeginAsdu(0x08, 1, 1, cause, 1);
    frame.AppendPointObject(ioa, siq, 0);
    frame.Seal();
    return frame;
  }

  clWorkspace workspace_;
  clIEC101CaptureDevice* monitor_ = nullptr;
  clSerialPort writers_[2];
  std::unique_ptr<clIEC101CaptureEngine> engine_;
};

TEST_F(MonitorOnVirtualLines, TitlesArrowsAndLinkLinesFollowThePortNotThePrmBit) {
  SetUpLines(11, 12);
  Send(1, Hex("10 49 01 4A 16"));
  auto request = NextRecord();
  ASSERT_TRUE(request);
  EXPECT_EQ(request->kind, 0);
  EXPECT_EQ(request->FormatHeader().substr(0, 3), "<- ");
  EXPECT_NE(request->FormatHeader().find("[10 49 01 4A 16]"), std::string::npos);
  EXPECT_EQ(request->title.substr(request->title.size() - 8), " Request");
  EXPECT_NE(request->detail.find("[PRM:1 FCV:0 FCB:0] LinkAdr: 1"), std::string::npos);

  Send(2, Hex("E5"));
  auto ack = NextRecord();
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->title, "Short Ack Response");
  EXPECT_EQ(ack->FormatHeader().substr(0, 3), "-> ");

  // A primary frame seen on the slave's line is still worded as a response.
  Send(2, Hex("10 49 01 4A 16"));
  auto odd = NextRecord();
  ASSERT_TRUE(odd);
  EXPECT_EQ(odd->title.substr(odd->title.size() - 9), " Response");
  EXPECT_NE(odd->detail.find("[PRM:1 ACD:0 DFC:0] LinkAdr: 1"), std::string::npos);
  EXPECT_EQ(odd->FormatHeader().substr(0, 3), "-> ");
}

TEST_F(MonitorOnVirtualLines, LineErrorsBecomeEventsAndAPartialSlaveFrameIsDroppedSilently) {
  SetUpLines(13, 14);
  Send(1, Hex("00"));
  auto bad = NextRecord();
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->title, "INVALID MESSAGE");
  EXPECT_EQ(bad->kind, clTrafficRecord::kEventKind);
  EXPECT_EQ(bad->bytes, "00");
  Send(2, Hex("00"));
  bad = NextRecord();
  ASSERT_TRUE(bad);
  EXPECT_EQ(bad->title, "INVALID MESSAGE");
  EXPECT_EQ(bad->FormatHeader().substr(0, 3), "-> ");

  // 68 05 and then silence: a time-out after 1000 ms on the master's line...
  const uint64_t sent = TickNowMs();
  Send(1, Hex("68 05"));
  auto timeout = NextRecord(3000);
  ASSERT_TRUE(timeout);
  EXPECT_EQ(timeout->title, "RECEIVE TIMEOUT");
  EXPECT_EQ(timeout->bytes, "68 05");
  EXPECT_GE(TickNowMs() - sent, 1000u);
  // ...and nothing on the slave's line, though the next frame there is decoded.
  Send(2, Hex("68 05"));
  EXPECT_FALSE(NextRecord(1400));
  Send(2, Hex("E5"));
  auto ack = NextRecord();
  ASSERT_TRUE(ack);
  EXPECT_EQ(ack->title, "Short Ack Response");

  // A variable frame of length 0 never completes: the octet after a full
  // buffer ends it.
  std::vector<uint8_t> endless(clIEC101Frame::kCapacity + 1, 0x68);
  endless[1] = 0;
  Send(1, endless);
  auto overflow = NextRecord();
  ASSERT_TRUE(overflow);
  EXPECT_EQ(overflow->title, "BUFFER OVERFLOW");
  EXPECT_EQ(overflow->bytes.size(), 3u * clIEC101Frame::kCapacity - 1);

  // A wrong checksum is dropped without a record; the frame after it is not lost.
  Send(1, Hex("10 49 01 4B 16"));
  Send(1, Hex("10 49 01 4A 16"));
  auto next = NextRecord();
  ASSERT_TRUE(next);
  EXPECT_EQ(next->bytes, "10 49 01 4A 16");
}

TEST_F(MonitorOnVirtualLines, AFrameSplitByShortSilencesIsStillGathered) {
  SetUpLines(15, 16);
  std::vector<uint8_t> frame = Hex("10 49 01 4A 16");
  for (uint8_t octet : frame) {
    Send(1, std::vector<uint8_t>{octet});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  auto record = NextRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->bytes, "10 49 01 4A 16");
}

TEST_F(MonitorOnVirtualLines, ObjectsCreateNamedTagsAndAnUnchangedGoodValueKeepsItsTime) {
  SetUpLines(17, 18);
  Send(2, SinglePoint(5, 1, 20));
  ASSERT_TRUE(WaitForTags(1));
  clTag* tag = monitor_->Tags()->FindMonitorTag(1, 5, clTag::kSinglePoint);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->Name(), "SP5");
  EXPECT_EQ(tag->SectorId(), monitor_->Id());
  EXPECT_EQ(tag->Value(), 1);
  EXPECT_EQ(tag->Quality(), 0);
  EXPECT_EQ(tag->Cause(), 20);
  EXPECT_EQ(tag->CommandState(), 0);
  ASSERT_TRUE(NextRecord());
  const clTimeStamp first = tag->TimeStamp();

  // Same value, good, no time tag: only the cause changes.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  Send(2, SinglePoint(5, 1, 3));
  ASSERT_TRUE(NextRecord());
  EXPECT_EQ(tag->Cause(), 3);
  EXPECT_EQ(tag->TimeStamp(), first);

  // A new value takes the reception time.
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  Send(2, SinglePoint(5, 0x80, 3));  // Off, invalid
  ASSERT_TRUE(NextRecord());
  EXPECT_EQ(tag->Value(), 0);
  EXPECT_EQ(tag->Quality(), 0x08);
  EXPECT_FALSE(tag->TimeStamp() == first);

  // With a time tag the object's own time is stored, even for the same value.
  clDateTime when{2024, 2, 29, 23, 59, 58, 999};
  clIEC101Frame timed = NewFrame();
  timed.BeginAsdu(0x08, 1, 30, 3, 1);
  timed.AppendPointObjectTimed(5, 1, 0, when);
  timed.Seal();
  Send(2, timed);
  ASSERT_TRUE(NextRecord());
  EXPECT_EQ(tag->Value(), 1);
  EXPECT_EQ(tag->TimeStamp(), (clTimeStamp{2024, 2, 29, 23, 59, 58, 999}));
  EXPECT_EQ(monitor_->Tags()->Count(), 1u);

  // Another common address is another tag.
  clIEC101Frame other = NewFrame();
  other.BeginAsdu(0x08, 1, 1, 3, 2);
  other.AppendPointObject(5, 1, 0);
  other.Seal();
  Send(2, other);
  ASSERT_TRUE(WaitForTags(2));
}

TEST_F(MonitorOnVirtualLines, CommandsStoreSelectOrExecuteStateAndNoQuality) {
  SetUpLines(19, 20);
  clIEC101Frame select = NewFrame();
  select.BeginAsdu(0x53, 1, 46, 6, 1);
  select.AppendCommandObject(300, 0x82);  // select, DCS 2
  select.Seal();
  Send(1, select);
  ASSERT_TRUE(WaitForTags(1));
  clTag* tag = monitor_->Tags()->FindMonitorTag(1, 300, clTag::kDoubleCommand);
  ASSERT_NE(tag, nullptr);
  EXPECT_EQ(tag->Name(), "C_DC300");
  EXPECT_EQ(tag->CommandState(), 1);
  EXPECT_EQ(tag->Value(), 2);
  EXPECT_EQ(tag->Quality(), 0);
  auto record = NextRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(record->title, "Double Command Select Request");

  clIEC101Frame execute = NewFrame();
  execute.BeginAsdu(0x73, 1, 46, 6, 1);
  execute.AppendCommandObject(300, 0x01);
  execute.Seal();
  Send(1, execute);
  record = NextRecord();
  ASSERT_TRUE(record);
  EXPECT_EQ(tag->CommandState(), 2);
  EXPECT_EQ(tag->Value(), 1);

  // An interrogation updates no tag.
  clIEC101Frame gi = NewFrame();
  gi.BeginAsdu(0x53, 1, 100, 6, 1);
  gi.AppendCommandObject(0, 20);
  gi.Seal();
  Send(1, gi);
  ASSERT_TRUE(NextRecord());
  EXPECT_EQ(monitor_->Tags()->Count(), 1u);
}

TEST_F(MonitorOnVirtualLines, WithoutAConsumerTagsAreKeptButNoRecordIsQueued) {
  SetUpLines(21, 22, /*watch=*/false);
  Send(2, SinglePoint(7, 1));
  Send(1, Hex("00"));
  ASSERT_TRUE(WaitForTags(1));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(monitor_->Traffic().Size(), 0u);
}

// Both ports must open now: a port another device holds, or one named for both
// ports, refuses the start; a failed or stopped monitor closes no port it did
// not open.
TEST(MonitorStart, OnlyPortsOpenedNowCountAndNoOtherDevicesPortIsClosed) {
  clWorkspace workspace;
  for (const char* name : {"VLINE23-A", "VLINE23-B", "/nonexistent/tty"}) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(name);
    workspace.Ports().Add(std::move(port));
  }
  clSerialPort& held = *workspace.Ports().Find("VLINE23-A");
  clSerialPort& free = *workspace.Ports().Find("VLINE23-B");
  ASSERT_EQ(held.Open(), 0);  // as a running slave holds it
  auto monitor = workspace.NewMonitor();
  auto* device = static_cast<clIEC101CaptureDevice*>(workspace.CommitDevice(std::move(monitor)));
  clIEC101CaptureEngine engine(*device, workspace);
  struct Case {
    const char *port1, *port2, *failed;
  };
  const Case cases[] = {
      {"VLINE23-A", "VLINE23-B", "VLINE23-A"},
      {"VLINE23-B", "VLINE23-A", "VLINE23-A"},
      {"VLINE23-B", "vline23-b", "vline23-b"},
      {"VLINE23-B", "/nonexistent/tty", "/nonexistent/tty"},
  };
  for (const Case& c : cases) {
    device->SetPort1Name(c.port1);
    device->SetPort2Name(c.port2);
    std::string failed;
    EXPECT_FALSE(engine.Start(&failed)) << c.port1 << " " << c.port2;
    EXPECT_EQ(failed, c.failed);
    EXPECT_FALSE(device->IsRunning());
    EXPECT_TRUE(held.IsOpen()) << "the other device's port stays open";
    EXPECT_FALSE(free.IsOpen()) << "what the monitor opened is closed again";
  }
  ASSERT_EQ(free.Open(), 0);
  engine.Stop();
  EXPECT_TRUE(free.IsOpen()) << "a stopped monitor closes nothing";
  EXPECT_TRUE(held.IsOpen());
}

TEST(MonitorOnPty, DecodesFramesWrittenToAPseudoTerminalAndStopsPromptly) {
  int masters[2], slaves[2];
  char names[2][128];
  for (int i = 0; i < 2; ++i)
    ASSERT_EQ(openpty(&masters[i], &slaves[i], names[i], nullptr, nullptr), 0);
  clWorkspace workspace;
  for (int i = 0; i < 2; ++i) {
    auto port = std::make_unique<clSerialPort>();
    port->SetName(names[i]);
    port->SetParity(clSerialPort::kParityNone);
    workspace.Ports().Add(std::move(port));
  }
  auto monitor = workspace.NewMonitor();
  monitor->SetPort1Name(names[0]);
  monitor->SetPort2Name(names[1]);
  auto* device = static_cast<clIEC101CaptureDevice*>(workspace.CommitDevice(std::move(monitor)));
  workspace.ResolveReferences();
  device->Traffic().SetConsumerRunning(true);
  clIEC101CaptureEngine engine(*device, workspace);
  std::string failed;
  ASSERT_TRUE(engine.Start(&failed)) << failed;
  EXPECT_EQ(device->GetProperty("state"), "Running");

  const std::vector<uint8_t> frame = Hex("68 0A 0A 68 08 01 01 01 03 01 00 05 00 01 16 16");
  std::vector<uint8_t> sealed = frame;
  uint8_t sum = 0;
  for (size_t i = 4; i < 14; ++i) sum = static_cast<uint8_t>(sum + frame[i]);
  sealed[14] = sum;
  ASSERT_EQ(write(masters[1], sealed.data(), sealed.size()), static_cast<ssize_t>(sealed.size()));
  std::unique_ptr<clTrafficRecord> record;
  const uint64_t deadline = TickNowMs() + 2000;
  while (!(record = device->Traffic().Pop()) && TickNowMs() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  ASSERT_TRUE(record);
  EXPECT_EQ(record->title, "Single Point Response");
  EXPECT_EQ(record->cause, "COT: 3 <spontaneous> Sector 1");
  ASSERT_EQ(record->elements.size(), 1u);
  EXPECT_EQ(record->elements[0].ioa, 5);
  EXPECT_EQ(record->elements[0].value, "On");
  ASSERT_NE(device->Tags()->FindMonitorTag(1, 5, clTag::kSinglePoint), nullptr);

  const uint64_t stopAsked = TickNowMs();
  engine.Stop();
  EXPECT_LT(TickNowMs() - stopAsked, 5000u);
  EXPECT_FALSE(device->IsRunning());
  for (int i = 0; i < 2; ++i) {
    close(masters[i]);
    close(slaves[i]);
  }
}

}  // namespace

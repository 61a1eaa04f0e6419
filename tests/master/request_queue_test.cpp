// The request queue and the frames the builders put into it.
#include <gtest/gtest.h>

#include "master/master_engine.h"
#include "master/master_settings.h"
#include "master_test_helpers.h"
#include "model/sector.h"

namespace master_test {
namespace {

std::unique_ptr<clMasterRequest> Request(uint8_t typeId) {
  auto r = std::make_unique<clMasterRequest>();
  r->typeId = typeId;
  return r;
}

TEST(RequestQueueTest, HeadInsertionGoesFirstAndTailKeepsOrder) {
  clRequestQueue queue;
  queue.Insert(Request(1), true);
  queue.Insert(Request(2), true);
  queue.Insert(Request(3), false);
  EXPECT_EQ(queue.Size(), 3u);
  std::vector<int> order, sequences;
  while (auto r = queue.TakeHead()) {
    order.push_back(r->typeId);
    sequences.push_back(static_cast<int>(r->sequence));
  }
  EXPECT_EQ(order, (std::vector<int>{3, 1, 2}));
  EXPECT_EQ(sequences, (std::vector<int>{3, 1, 2}));
  EXPECT_TRUE(queue.Empty());
}

TEST(RequestQueueTest, SequenceWrapsFromTheLastNumberToOneAndPurgeEmpties) {
  clRequestQueue queue(clRequestQueue::kLastSequence);
  queue.Insert(Request(1), true);
  queue.Insert(Request(2), true);
  EXPECT_EQ(queue.TakeHead()->sequence, clRequestQueue::kLastSequence);
  EXPECT_EQ(queue.TakeHead()->sequence, 1u);
  queue.Insert(Request(3), true);
  queue.Purge();
  EXPECT_TRUE(queue.Empty());
  EXPECT_EQ(queue.TakeHead(), nullptr);
}

TEST(RequestQueueTest, InsertionFromManyThreadsLosesNothing) {
  clRequestQueue queue;
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&queue, t] {
      for (int i = 0; i < 500; ++i) queue.Insert(Request(static_cast<uint8_t>(t)), i % 2 == 0);
    });
  size_t taken = 0;
  while (taken < 1000)
    if (queue.TakeHead()) ++taken;
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(taken + queue.Size(), 2000u);
}

// Builder frames up to the element, control field still a placeholder (sizes:
// link address 1, common address 2, cause 1, object address 2).
TEST(MasterBuilderTest, ElementsAsTheStandardLaysThemOut) {
  clIEC101MasterDevice device;
  clSerialPorts ports;
  clIEC101MasterEngine engine(device, ports);
  const std::string head = "68 00 00 68 00 01 ";
  struct Case {
    std::function<void()> build;
    std::string asdu;
    const char* why;
  } cases[] = {
      {[&] { engine.SendSingleCommand(1, 5, 1, true, true); }, "2D 01 06 01 00 05 00 85",
       "ON select"},
      {[&] { engine.SendSingleCommand(1, 5, 1, false, true); }, "2D 01 06 01 00 05 00 05",
       "ON execute"},
      {[&] { engine.SendSingleCommand(1, 5, 0, true, true); }, "2D 01 06 01 00 05 00 84",
       "OFF select"},
      {[&] { engine.SendSingleCommand(1, 5, 0, false, true); }, "2D 01 06 01 00 05 00 04",
       "OFF execute"},
      {[&] { engine.SendDoubleCommand(2, 6, 2, false, true); }, "2E 01 06 02 00 06 00 06", "CLOSE"},
      {[&] { engine.SendStepCommand(2, 7, 1, true, true); }, "2F 01 06 02 00 07 00 85",
       "LOWER select"},
      {[&] { engine.SendSetpointNormalized(1, 8, 1.0, false, true); },
       "30 01 06 01 00 08 00 FE 7F 00", "1.0 -> 32766"},
      {[&] { engine.SendSetpointNormalized(1, 8, -1.0, false, true); },
       "30 01 06 01 00 08 00 00 80 00", "-1.0"},
      {[&] { engine.SendSetpointNormalized(1, 8, -0.5, true, true); },
       "30 01 06 01 00 08 00 00 C0 80", "-0.5 select"},
      {[&] { engine.SendSetpointScaled(1, 9, -2, false, true); }, "31 01 06 01 00 09 00 FE FF 00",
       "scaled -2"},
      {[&] { engine.SendSetpointFloat(1, 10, 1.5, false, true); },
       "32 01 06 01 00 0A 00 00 00 C0 3F 00", "float 1.5"},
      {[&] { engine.SendInterrogation(3, 0, true); }, "64 01 06 03 00 00 00 14",
       "station interrogation"},
      {[&] {
         engine.SendClockSync(1, clDateTime{2026, 12, 6, 21, 5, 7, 250});
       },
       "67 01 06 01 00 00 00 52 1C 05 15 06 0C 1A", "CP56Time2a"},
  };
  for (const Case& c : cases) {
    c.build();
    std::unique_ptr<clMasterRequest> r = engine.TakeQueuedRequest();
    ASSERT_NE(r, nullptr) << c.why;
    EXPECT_EQ(HexText(r->frame), head + c.asdu) << c.why;
    EXPECT_EQ(r->function, 3);
  }
}

TEST(MasterBuilderTest, FieldSizesOfTheDeviceAreUsed) {
  clIEC101MasterDevice device;
  device.SetLinkAddress(0x0102);
  device.SetLinkAddressSize(2);
  device.SetSectorSize(1);
  device.SetIoaSize(3);
  device.SetCotSize(2);
  clSerialPorts ports;
  clIEC101MasterEngine engine(device, ports);
  engine.SendSingleCommand(7, 0x030201, 1, true, true);
  // Link address 2 octets, cause 6 with originator 0, common address 1 octet, IOA 3.
  EXPECT_EQ(HexText(engine.TakeQueuedRequest()->frame),
            "68 00 00 68 00 02 01 2D 01 06 00 07 01 02 03 85");
}

TEST(MasterBuilderTest, CyclicInterrogationOnePerActiveSectorAndClockSyncToTheFirst) {
  clIEC101MasterDevice device;
  clSerialPorts ports;
  clIEC101MasterEngine engine(device, ports);
  engine.QueueCyclicClockSync();
  EXPECT_EQ(engine.QueuedRequests(), 0u) << "no sectors, nothing queued";
  for (int ca : {4, 5, 6}) {
    auto s = std::make_unique<clSector>();
    s->SetName("S" + std::to_string(ca));
    s->SetCommonAddress(ca);
    s->SetActive(ca != 5);
    device.Sectors()->Append(std::move(s));
  }
  engine.QueueCyclicInterrogation();
  engine.QueueCyclicClockSync();
  std::vector<std::string> got;
  while (auto r = engine.TakeQueuedRequest()) got.push_back(HexText(r->frame).substr(18, 14));
  ASSERT_EQ(got.size(), 3u);
  EXPECT_EQ(got[0], "64 01 06 04 00");
  EXPECT_EQ(got[1], "64 01 06 06 00");
  EXPECT_EQ(got[2], "67 01 06 04 00");
}

TEST(MasterSettingsTest, DialogAcceptanceRules) {
  clIEC101MasterDevice device;
  clMasterSettings s = clMasterSettings::From(device);
  s.name = "";
  s.readTimeoutMs = 100;
  s.pollIntervalMs = 0;
  s.testPeriodSec = 0;
  s.dialTimeoutSec = 0;
  s.ioaSize = 4;
  s.retries = 7;
  s.ApplyTo(device);
  EXPECT_EQ(device.ReadTimeoutMs(), 1000) << "100 is refused";
  EXPECT_EQ(device.PollIntervalMs(), 1000);
  EXPECT_EQ(device.TestPeriodSec(), 5);
  EXPECT_EQ(device.DialTimeoutSec(), 30);
  EXPECT_EQ(device.IoaSize(), 2);
  EXPECT_EQ(device.Retries(), 7);
  s.name = "Outstation";
  s.readTimeoutMs = 101;
  s.ApplyTo(device);
  EXPECT_EQ(device.Name(), "Outstation");
  EXPECT_EQ(device.ReadTimeoutMs(), 101);
  // While running only the name and the modem settings change.
  device.SetRunning(true);
  s.name = "Renamed";
  s.retries = 1;
  s.modemEnabled = true;
  s.phoneNumber = "ATD42";
  s.dialTimeoutSec = 9;
  s.ApplyTo(device);
  EXPECT_EQ(device.Name(), "Renamed");
  EXPECT_EQ(device.Retries(), 7);
  EXPECT_TRUE(device.ModemEnabled());
  EXPECT_EQ(device.PhoneNumber(), "ATD42");
  EXPECT_EQ(device.DialTimeoutSec(), 9);
  device.SetRunning(false);
}

}  // namespace
}  // namespace master_test

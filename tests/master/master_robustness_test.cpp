// Untrusted line data: random answers to the master's polls never stop it.
#include <gtest/gtest.h>

#include <random>

#include "master_test_helpers.h"
#include "model/sector.h"

namespace master_test {
namespace {

constexpr int kWait = 1500;
// Every type the master decodes, so that random data reaches each decoder.
constexpr uint8_t kTypes[] = {1,  3,  5,  9,  11, 13, 15, 30, 31, 32,  34,
                              35, 36, 37, 45, 46, 47, 48, 49, 50, 100, 103};

TEST(MasterRobustnessTest, RandomAnswersNeverStopThePollCycle) {
  PtyPeer peer;
  ASSERT_TRUE(peer.ok());
  clMasterOptions options;
  options.maxCreatedTags = 300;
  MasterRig rig(peer.Path(), options);
  rig.device.SetReadTimeoutMs(120);
  rig.device.SetPollIntervalMs(20);
  rig.device.SetAutoCreateTags(true);
  rig.AddSector(1);
  rig.device.Traffic().SetConsumerRunning(true);
  ASSERT_TRUE(rig.Start());
  std::mt19937 random(20261206);
  auto byte = [&] { return static_cast<uint8_t>(random() & 0xFF); };
  int requests = 0;
  for (int round = 0; round < 100; ++round) {
    Octets got = peer.ReadFrame(kWait);
    ASSERT_FALSE(got.empty()) << "the master went silent in round " << round;
    ++requests;
    if (HexText(got) == HexText(Fixed(0x49))) {
      peer.Write(StatusOfLink());
      continue;
    }
    if (HexText(got) == HexText(Fixed(0x40))) {
      peer.Write(Ack());
      continue;
    }
    Octets asdu(3 + random() % 60);
    for (uint8_t& o : asdu) o = byte();
    asdu[0] = static_cast<uint8_t>(random() % 3 ? kTypes[random() % 22] : byte());
    asdu[2] = 1;  // sector 1 in the common address low octet half of the time
    switch (random() % 4) {
      case 0: {  // octets without any frame structure
        Octets noise(1 + random() % 20);
        for (uint8_t& o : noise) o = byte();
        peer.Write(noise);
        break;
      }
      case 1:  // a frame that claims more than it holds
        peer.Write(Hex("68 F0 F0 68 08 01 01"));
        break;
      default:  // a well-formed frame with random data
        peer.Write(UserData(asdu, random() % 2));
        break;
    }
  }
  EXPECT_EQ(requests, 100);
  // Answered properly again, the master is polling within a few frames.
  bool polling = false;
  for (int i = 0; i < 10 && !polling; ++i) {
    Octets got = peer.ReadFrame(kWait);
    ASSERT_GE(got.size(), 5u) << HexText(got);
    uint8_t function = got[got.size() == 5 ? 1 : 4] & 0x0F;  // random data may queue an execute
    polling = function == 10 || function == 11;
    peer.Write(function == 9 ? StatusOfLink() : Ack());
  }
  EXPECT_TRUE(polling);
  EXPECT_LE(rig.device.Sectors()->First()->Tags().Count(), 300u);
  while (rig.device.Traffic().Pop()) {
  }
}

}  // namespace
}  // namespace master_test

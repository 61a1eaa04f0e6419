// Dialling through a modem: a fake modem on a pseudo-terminal.
#include <gtest/gtest.h>

#include "master_test_helpers.h"

namespace master_test {
namespace {

clMasterOptions QuickModem() {
  clMasterOptions t;
  t.dialSettleMs = 200;
  t.modemReplySettleMs = 100;
  return t;
}

class MasterModemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(peer_.ok());
    rig_ = std::make_unique<MasterRig>(peer_.Path(), QuickModem());
    rig_->device.SetModemEnabled(true);
    rig_->device.SetPhoneNumber("ATD5551234");
    rig_->device.SetDialTimeoutSec(1);
    rig_->device.SetRetries(1);
  }
  PtyPeer peer_;
  std::unique_ptr<MasterRig> rig_;
};

TEST_F(MasterModemTest, ConnectReplyLeadsToRequestStatusOfLink) {
  ASSERT_TRUE(rig_->Start());
  EXPECT_EQ(peer_.ReadLine(1000), "ATD5551234\r");
  EXPECT_EQ(rig_->engine->LinkState(), Dialling);
  // The master purges the line after its settle time: answer after it.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  peer_.Write(Hex("0D 0A 43 4F 4E 4E 45 43 54 20 39 36 30 30 0D 0A"));  // "\r\nCONNECT 9600\r\n"
  EXPECT_EQ(HexText(peer_.ReadFrame(1500)), HexText(Fixed(0x49)));
  EXPECT_EQ(rig_->engine->LinkState(), RequestLinkStatus);
}

TEST_F(MasterModemTest, SilentModemIsDialledRetriesPlusOneTimesThenTheLinkIsRequested) {
  ASSERT_TRUE(rig_->Start());
  auto begin = Clock::now();
  EXPECT_EQ(peer_.ReadLine(1000), "ATD5551234\r");
  peer_.Write(Hex("4F 4B 0D 0A"));  // "OK\r\n" has no CONNECT: not a reply
  EXPECT_EQ(peer_.ReadLine(2500), "ATD5551234\r") << "second attempt after the dial time-out";
  EXPECT_GE(MsSince(begin), 1000 + 200);
  EXPECT_EQ(HexText(peer_.ReadFrame(2500)), HexText(Fixed(0x49)));
}

TEST_F(MasterModemTest, StopCutsTheDialWaitShort) {
  rig_->device.SetDialTimeoutSec(30);
  ASSERT_TRUE(rig_->Start());
  EXPECT_EQ(peer_.ReadLine(1000), "ATD5551234\r");
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  auto begin = Clock::now();
  rig_->engine->Stop();
  EXPECT_LT(MsSince(begin), 10000) << "not the 30 s of the dial time-out";
}

}  // namespace
}  // namespace master_test

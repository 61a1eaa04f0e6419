#include "protocol/frame_receiver.h"

#include <gtest/gtest.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "runtime/serial_port.h"

namespace {
using Clock = std::chrono::steady_clock;

// A port opened on the slave side of a pseudo-terminal; the test writes the line
// octets into the master side.
class FrameReceiverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[256];
    ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    tcsetattr(slave_, TCSANOW, &tio);
    port_.SetName(name);
    ASSERT_EQ(port_.Open(), 0);
    frame_.SetSizes(1, 2, 2, 1);
  }
  void TearDown() override {
    port_.Close();
    close(slave_);
    close(master_);
  }
  void Line(const std::vector<uint8_t>& octets) {
    ASSERT_EQ(write(master_, octets.data(), octets.size()), static_cast<ssize_t>(octets.size()));
  }
  long ElapsedMs(Clock::time_point begin) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin).count());
  }

  int master_ = -1, slave_ = -1;
  clSerialPort port_;
  clIEC101Frame frame_;
};

TEST_F(FrameReceiverTest, GathersAWholeFrameAndLeavesTheNextOnTheLine) {
  Line({0x10, 0x49, 0x01, 0x4A, 0x16, 0xE5});
  EXPECT_EQ(ReceiveFrame(port_, frame_, {50, 1000}), FrameComplete);
  EXPECT_EQ(frame_.HexText(), "10 49 01 4A 16");
  EXPECT_EQ(ReceiveFrame(port_, frame_, {50, 1000}), FrameComplete);
  EXPECT_EQ(frame_.HexText(), "E5");
}

TEST_F(FrameReceiverTest, SilenceReturnsEmptyAfterOneReadTimeout) {
  auto begin = Clock::now();
  EXPECT_EQ(ReceiveFrame(port_, frame_, {50, 1000}), FrameComplete);
  EXPECT_EQ(frame_.Length(), 0);
  EXPECT_GE(ElapsedMs(begin), 45);
  EXPECT_LT(ElapsedMs(begin), 150);
}

TEST_F(FrameReceiverTest, PartialFrameTimesOutCountedFromTheLastOctet) {
  Line({0x68, 0x09, 0x09});
  std::thread late([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    Line({0x68});
  });
  auto begin = Clock::now();
  FrameStatus status = ReceiveFrame(port_, frame_, {20, 300});
  long took = ElapsedMs(begin);
  late.join();
  EXPECT_EQ(status, FrameTimeout);
  EXPECT_EQ(frame_.HexText(), "68 09 09 68");
  EXPECT_GE(took, 150 + 290) << "the frame timer restarts on every octet";
  EXPECT_LT(took, 150 + 300 + 150);
}

TEST_F(FrameReceiverTest, BadStartAndBadChecksumEndTheReceive) {
  Line({0x00});
  EXPECT_EQ(ReceiveFrame(port_, frame_, {50, 1000}), FrameBadStart);
  EXPECT_EQ(frame_.HexText(), "00");
  Line({0x10, 0x49, 0x01, 0x4B, 0x16});
  EXPECT_EQ(ReceiveFrame(port_, frame_, {50, 1000}), FrameBadChecksum);
}

TEST_F(FrameReceiverTest, EndlessVariableFrameOverflowsTheBuffer) {
  std::vector<uint8_t> noise(1100, 0x68);
  noise[1] = 0;  // L = 0 never completes
  std::thread writer([&] { Line(noise); });
  EXPECT_EQ(ReceiveFrame(port_, frame_, {50, 1000}), FrameOverflow);
  writer.join();
  EXPECT_EQ(frame_.Length(), clIEC101Frame::kCapacity);
}

TEST_F(FrameReceiverTest, KeepWaitingGoesOnThroughSilenceUntilItSaysStop) {
  int asked = 0;
  std::thread late([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(80));
    Line({0xE5});
  });
  EXPECT_EQ(ReceiveFrame(port_, frame_, {20, 1000}, [&] { return ++asked < 100; }),
            FrameComplete);
  late.join();
  EXPECT_EQ(frame_.HexText(), "E5");
  EXPECT_GE(asked, 2);
}

}  // namespace

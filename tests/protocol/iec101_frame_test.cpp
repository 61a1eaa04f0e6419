#include "protocol/iec101_frame.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

clIEC101Frame MakeFrame(uint32_t linkSize = 1) {
  clIEC101Frame frame;
  frame.SetSizes(linkSize, 2, 2, 1);
  frame.Reset();
  return frame;
}

// Feeds octets one at a time as a receiver does and returns the status after each.
std::vector<FrameStatus> Feed(clIEC101Frame& frame, const std::vector<uint8_t>& octets) {
  std::vector<FrameStatus> statuses;
  for (uint8_t octet : octets) {
    frame.AppendOctet(octet);
    statuses.push_back(frame.Check());
  }
  return statuses;
}

TEST(Frame_Check, SingleCharacterIsCompleteAtOnce) {
  clIEC101Frame frame = MakeFrame();
  EXPECT_EQ(Feed(frame, {0xE5}).back(), FrameComplete);
  EXPECT_EQ(frame.ShortFunctionName(), "ACK");
  EXPECT_EQ(frame.LongFunctionName(), "Acknowledge");
}

TEST(Frame_Check, FixedFrameCompletesAtLengthOfItsAddressSize) {
  for (uint32_t linkSize : {1u, 2u}) {
    clIEC101Frame frame = MakeFrame(linkSize);
    std::vector<uint8_t> octets = {0x10, 0x49, 0x01};
    if (linkSize == 2) octets.push_back(0x02);
    uint8_t cs = FrameChecksum(octets.data(), 1, static_cast<int32_t>(octets.size()));
    octets.push_back(cs);
    octets.push_back(0x16);
    std::vector<FrameStatus> statuses = Feed(frame, octets);
    ASSERT_EQ(statuses.size(), 4 + linkSize);
    for (size_t i = 0; i + 1 < statuses.size(); ++i) EXPECT_EQ(statuses[i], FrameIncomplete) << i;
    EXPECT_EQ(statuses.back(), FrameComplete) << "link size " << linkSize;
  }
}

TEST(Frame_Check, VariableFrameCompletesOnlyAtItsLastOctetAndChecksSumAndEnd) {
  std::vector<uint8_t> good = {0x68, 0x09, 0x09, 0x68, 0x08, 0x01, 0x01, 0x01,
                               0x03, 0x01, 0x00, 0x05, 0x00};
  good.push_back(FrameChecksum(good.data(), 4, 13));
  good.push_back(0x16);
  ASSERT_EQ(good.size(), 15u);
  clIEC101Frame frame = MakeFrame();
  std::vector<FrameStatus> statuses = Feed(frame, good);
  for (size_t i = 0; i < 14; ++i) EXPECT_EQ(statuses[i], FrameIncomplete) << i;
  EXPECT_EQ(statuses[14], FrameComplete);

  std::vector<uint8_t> badSum = good;
  badSum[13] ^= 0x01;
  frame.Reset();
  EXPECT_EQ(Feed(frame, badSum).back(), FrameBadChecksum);

  std::vector<uint8_t> badEnd = good;
  badEnd[14] = 0x17;
  frame.Reset();
  EXPECT_EQ(Feed(frame, badEnd).back(), FrameBadChecksum);
}

TEST(Frame_Check, BadStartIsReportedAfterOneOctetAndOverrunStaysIncomplete) {
  clIEC101Frame frame = MakeFrame();
  EXPECT_EQ(Feed(frame, {0x00}).back(), FrameBadStart);

  // L = 0 announces less than the header: never complete, whatever follows.
  frame.Reset();
  std::vector<FrameStatus> statuses =
      Feed(frame, {0x68, 0x00, 0x00, 0x68, 0x08, 0x01, 0x09, 0x16, 0x00});
  for (FrameStatus s : statuses) EXPECT_EQ(s, FrameIncomplete);
}

TEST(Frame_Buffer, WritesBeyondCapacityAreDroppedAndLoadFromRejectsOversize) {
  clIEC101Frame frame = MakeFrame();
  for (int i = 0; i < clIEC101Frame::kCapacity; ++i) ASSERT_TRUE(frame.AppendOctet(0x68));
  EXPECT_FALSE(frame.AppendOctet(0x16));
  EXPECT_EQ(frame.Length(), clIEC101Frame::kCapacity);

  std::vector<uint8_t> small = {0x10, 0x49, 0x01, 0x4A, 0x16};
  frame.LoadFrom(small.data(), 5);
  EXPECT_EQ(frame.HexText(), "10 49 01 4A 16");
  EXPECT_EQ(frame.HexText().size(), 14u);
  std::vector<uint8_t> big(clIEC101Frame::kCapacity + 1, 0xAA);
  frame.LoadFrom(big.data(), static_cast<int32_t>(big.size()));
  EXPECT_EQ(frame.HexText(), "10 49 01 4A 16") << "oversize load must leave the frame as it was";
  frame.Reset();
  EXPECT_EQ(frame.HexText(), "");
  EXPECT_EQ(frame.At(0), 0);
}

TEST(Frame_Seal, FixedRoundTripWithBothLinkAddressSizes) {
  for (uint32_t linkSize : {1u, 2u}) {
    clIEC101Frame frame = MakeFrame(linkSize);
    frame.AppendOctet(0x10);
    frame.AppendOctet(0x7B);  // PRM, FCB, FCV, class 2
    frame.AppendLinkAddress(0x1234);
    frame.Seal();
    ASSERT_EQ(frame.Length(), static_cast<int32_t>(4 + linkSize));
    EXPECT_EQ(frame.Check(), FrameComplete);
    EXPECT_EQ(frame.LinkAddress(), linkSize == 1 ? 0x34u : 0x1234u);
    EXPECT_EQ(frame.Prm(), 1);
    EXPECT_EQ(frame.FcbOrAcd(), 1);
    EXPECT_EQ(frame.FcvOrDfc(), 1);
    EXPECT_EQ(frame.FunctionCode(), 11);
    EXPECT_EQ(frame.ShortFunctionName(), "Class 2");
  }
  clIEC101Frame frame = MakeFrame(1);
  frame.AppendOctet(0x10);
  frame.AppendOctet(0x49);
  frame.AppendLinkAddress(1);
  frame.Seal();
  EXPECT_EQ(frame.HexText(), "10 49 01 4A 16");
}

TEST(Frame_Seal, VariableRoundTripWritesLengthQualifierAndSum) {
  for (uint32_t linkSize : {1u, 2u}) {
    clIEC101Frame frame = MakeFrame(linkSize);
    for (uint8_t octet : {0x68, 0x00, 0x00, 0x68, 0x73}) frame.AppendOctet(octet);
    frame.AppendLinkAddress(0x0203);
    frame.AppendOctet(1);     // type id
    frame.AppendOctet(0);     // qualifier placeholder
    frame.AppendOctet(3);     // cause
    frame.AppendOctet(7);     // common address
    frame.AppendOctet(0);
    for (int object = 0; object < 3; ++object) {
      frame.AppendOctet(static_cast<uint8_t>(object + 1));
      frame.AppendOctet(0);
      frame.AppendOctet(1);
      ++frame.objectCount;
    }
    frame.sequenceFlag = 1;
    frame.Seal();
    EXPECT_EQ(frame.Check(), FrameComplete);
    EXPECT_TRUE(frame.IsVariable());
    EXPECT_EQ(frame.At(1), frame.Length() - 6);
    EXPECT_EQ(frame.At(2), frame.At(1));
    EXPECT_EQ(frame.At(static_cast<int32_t>(6 + linkSize)), 0x83);
    EXPECT_EQ(frame.LinkAddress(), linkSize == 1 ? 0x03u : 0x0203u);
    EXPECT_EQ(frame.FunctionCode(), 3);
    EXPECT_EQ(frame.ShortFunctionName(), "User Data (Confirm)");

    // The same octets gathered by a receiver are complete only at the end.
    clIEC101Frame received = MakeFrame(linkSize);
    std::vector<uint8_t> octets(frame.Data(), frame.Data() + frame.Length());
    std::vector<FrameStatus> statuses = Feed(received, octets);
    EXPECT_EQ(statuses.back(), FrameComplete);
    EXPECT_EQ(std::count(statuses.begin(), statuses.end(), FrameComplete), 1);
  }
}

TEST(Frame_Names, DirectionAndFunctionPickTheTableEntry) {
  struct Case {
    std::vector<uint8_t> octets;
    const char* longName;
    const char* shortName;
  } cases[] = {
      {{0x10, 0x0B, 0x01}, "Status of link", "Status of link"},
      {{0x10, 0x5B, 0x01}, "User Data Class 2", "Class 2"},
      {{0x10, 0x45, 0x01}, "not implemented", "not implemented"},
      {{0x10, 0x5A, 0x01}, "User Data Class 1", "Class 1"},
      {{0x10, 0x09, 0x01}, "NACK - Requested Data not available", "Data Not Available"},
      {{0x10, 0x01, 0x01}, "NACK - Message not accepted OR link busy", "Message not accepted"},
      {{0x10, 0x0E, 0x01}, "Link service not functioning", "Link service not functioning"},
      {{0x10, 0x0F, 0x01}, "Link service not implemented", "Link service not implemented"},
      {{0x10, 0x02, 0x01}, "not implemented", "not implemented"},
      {{0x10, 0x40, 0x01}, "Reset remote link", "Reset remote link"},
      // Too short to know the direction: named from the primary table.
      {{0x10, 0x00}, "Reset remote link", "Reset remote link"},
      {{0x68, 0x09, 0x09, 0x68, 0x08, 0x01}, "User Data Confirm", "User Data Confirm"},
      {{0x68, 0x09, 0x09, 0x68, 0x44}, "User Data (No Confirm)", "User Data (No Confirm)"},
  };
  for (const Case& c : cases) {
    clIEC101Frame frame = MakeFrame();
    frame.LoadFrom(c.octets.data(), static_cast<int32_t>(c.octets.size()));
    EXPECT_EQ(frame.LongFunctionName(), c.longName) << frame.HexText();
    EXPECT_EQ(frame.ShortFunctionName(), c.shortName) << frame.HexText();
  }
}

TEST(Frame_Fields, ReadersGiveZeroForFramesWithoutTheField) {
  clIEC101Frame frame = MakeFrame(2);
  std::vector<uint8_t> single = {0xE5};
  frame.LoadFrom(single.data(), 1);
  EXPECT_EQ(frame.FunctionCode(), 0);
  EXPECT_EQ(frame.LinkAddress(), 0u);
  EXPECT_FALSE(frame.IsVariable());
  clIEC101Frame odd;
  odd.SetSizes(3, 2, 2, 1);
  std::vector<uint8_t> fixed = {0x10, 0x49, 0x01, 0x00, 0x4A, 0x16};
  odd.LoadFrom(fixed.data(), 6);
  EXPECT_EQ(odd.LinkAddress(), 0u) << "a link-address size of 3 yields address 0";
}

}  // namespace

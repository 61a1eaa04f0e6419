#include <gtest/gtest.h>

#include <memory>

#include "runtime/traffic_queue.h"
#include "runtime/traffic_record.h"

namespace {

std::unique_ptr<clTrafficRecord> Record(int32_t kind) {
  auto record = std::make_unique<clTrafficRecord>();
  record->kind = kind;
  return record;
}

TEST(TrafficQueue_Bound, RefusesThe256thAndRefusedRecordsUseNoNumber) {
  clTrafficQueue queue;
  for (int i = 0; i < 255; ++i) ASSERT_TRUE(queue.Push(Record(i)));
  EXPECT_FALSE(queue.Push(Record(999)));
  EXPECT_EQ(queue.Size(), 255u);
  EXPECT_EQ(queue.Refused(), 1u);
  std::unique_ptr<clTrafficRecord> first = queue.Pop();
  ASSERT_TRUE(first);
  EXPECT_EQ(first->sequence, 1);
  EXPECT_EQ(first->kind, 0);
  ASSERT_TRUE(queue.Push(Record(7)));
  for (int i = 0; i < 254; ++i) queue.Pop();
  std::unique_ptr<clTrafficRecord> last = queue.Pop();
  ASSERT_TRUE(last);
  EXPECT_EQ(last->sequence, 256);
  EXPECT_EQ(last->kind, 7);
  EXPECT_EQ(queue.Pop(), nullptr);
}

TEST(TrafficRecord_Format, HeaderShowsDirectionTimeAndBytesOrEmpty) {
  clTrafficRecord record;
  record.received = true;
  EXPECT_EQ(record.FormatHeader(), "<- 00:00:00.000 [empty]\n");
  record.received = false;
  record.secondsOfDay = 86399;
  record.milliseconds = 999;
  record.bytes = "68 0A";
  EXPECT_EQ(record.FormatHeader(), "-> 23:59:59.999 [68 0A]\n");
  record.secondsOfDay = 3600 * 13 + 60 * 5 + 7;
  record.milliseconds = 42;
  EXPECT_EQ(record.FormatHeader(), "-> 13:05:07.042 [68 0A]\n");
}

TEST(TrafficRecord_Format, DescriptionOrdersDetailAsduCauseAndSkipsEmpty) {
  clTrafficRecord record;
  record.title = "T";
  EXPECT_EQ(record.FormatDescription(), "T");
  record.asdu = "A";
  record.cause = "C";
  EXPECT_EQ(record.FormatDescription(), "T\nA\nC");
  record.detail = "D";
  EXPECT_EQ(record.FormatDescription(), "T\nD\nA\nC");
}

TEST(TrafficRecord_Format, ElementsPlainAndStructured) {
  clTrafficRecord record;
  EXPECT_EQ(record.FormatElements(false), " ");
  record.AddElement(5, "ON", "", "");
  record.AddElement(66051, "12.5", "Feeder", "IV");
  record.AddElement(16777215, "1", "", "NT");
  EXPECT_EQ(record.FormatElements(false), "[5] ON \n[66051] Feeder 12.5 IV\n[16777215] 1 NT\n");
  EXPECT_EQ(record.FormatElements(true),
            "[000/000/005] ON \n[001/002/003] Feeder 12.5 IV\n[255/255/255] 1 NT\n");
}

TEST(TrafficRecord_Kinds, CommandTimeTaggedAndEventSets) {
  clTrafficRecord record;
  for (int32_t kind : {45, 46, 47, 48, 49, 50, 103}) {
    record.kind = kind;
    EXPECT_TRUE(record.IsCommandKind()) << kind;
  }
  for (int32_t kind : {30, 31, 32, 34, 35, 36, 37}) {
    record.kind = kind;
    EXPECT_TRUE(record.IsTimeTaggedKind()) << kind;
  }
  for (int32_t kind : {33, 1, 44, 51, 1001}) {
    record.kind = kind;
    EXPECT_FALSE(record.IsCommandKind() || record.IsTimeTaggedKind()) << kind;
  }
  EXPECT_TRUE(record.IsEventKind());
}

TEST(TrafficRecord_Copy, CopiesEverythingButTheSequenceAndClearKeepsNothing) {
  clTrafficRecord record;
  record.sequence = 9;
  record.kind = 36;
  record.aux = 3;
  record.received = true;
  record.bytes = "E5";
  record.title = "t";
  record.StampNow();
  record.AddElement(1, "v", "n", "s");
  clTrafficRecord copy(record);
  EXPECT_EQ(copy.sequence, 0);
  EXPECT_EQ(copy.FormatHeader(), record.FormatHeader());
  EXPECT_EQ(copy.FormatElements(false), record.FormatElements(false));
  EXPECT_EQ(copy.aux, 3);
  EXPECT_GT(copy.date, 20000101);
  record.Clear();
  EXPECT_EQ(record.kind, 0);
  EXPECT_EQ(record.FormatElements(false), " ");
  EXPECT_EQ(copy.elements.size(), 1u) << "the copy owns its own elements";
}

}  // namespace

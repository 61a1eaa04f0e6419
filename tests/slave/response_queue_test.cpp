#include "slave/response_queue.h"

#include <gtest/gtest.h>

#include "slave/change_list.h"

namespace {

std::unique_ptr<QueuedResponse> Record(int32_t typeId) {
  auto record = std::make_unique<QueuedResponse>();
  record->typeId = typeId;
  return record;
}

TEST(ResponseQueue, ClassOneIsTheMonitoringTypesTheSlaveReports) {
  const int32_t class1[] = {1, 3, 5, 9, 11, 13, 15, 30, 31, 32, 34, 35, 36, 37};
  const int32_t class2[] = {0, 2, 33, 45, 46, 47, 48, 49, 50, 100, 103};
  for (int32_t type : class1) EXPECT_TRUE(IsClass1Type(type)) << type;
  for (int32_t type : class2) EXPECT_FALSE(IsClass1Type(type)) << type;
}

TEST(ResponseQueue, AnswersLeaveInOrderAndTheTestsFollowTheHead) {
  ResponseQueue queue;
  EXPECT_FALSE(queue.HasClass1Data());
  EXPECT_FALSE(queue.HeadIsClass1());
  EXPECT_EQ(queue.Dequeue(), nullptr);
  queue.Enqueue(Record(100));
  queue.Enqueue(Record(1));
  queue.Enqueue(Record(100));
  EXPECT_TRUE(queue.HasClass1Data());
  EXPECT_FALSE(queue.HeadIsClass1());
  auto first = queue.Dequeue();
  EXPECT_EQ(first->typeId, 100);
  EXPECT_EQ(first->sequence, 1u);
  EXPECT_TRUE(queue.HeadIsClass1());
  EXPECT_EQ(queue.Dequeue()->sequence, 2u);
  EXPECT_FALSE(queue.HasClass1Data());
  queue.DeleteAll();
  EXPECT_EQ(queue.Size(), 0u);
}

TEST(ResponseQueue, SequenceNumbersWrapFromTheLastBackToOne) {
  ResponseQueue queue;
  queue.SetNextSequence(ResponseQueue::kLastSequence);
  queue.Enqueue(Record(1));
  queue.Enqueue(Record(1));
  EXPECT_EQ(queue.Dequeue()->sequence, 0x1FFFFFFFu);
  EXPECT_EQ(queue.Dequeue()->sequence, 1u);
  EXPECT_EQ(queue.NextSequence(), 2u);
}

TEST(ChangeList, TakesTheFirstChangeOfKindAndCommonAddressInRecordedOrder) {
  ChangeList list;
  int32_t n = 0;
  for (auto [kind, ca] : {std::pair{1, 1u}, {2, 1u}, {1, 2u}, {1, 1u}}) {
    auto change = std::make_unique<TagChange>();
    change->kind = kind;
    change->commonAddress = ca;
    change->ioa = static_cast<uint32_t>(++n);
    list.AddChange(std::move(change));
  }
  EXPECT_EQ(list.Count(), 4u);
  EXPECT_EQ(list.TakeChange(1, 1)->ioa, 1u);
  EXPECT_EQ(list.TakeChange(1, 1)->ioa, 4u);
  EXPECT_EQ(list.TakeChange(1, 1), nullptr);
  EXPECT_EQ(list.TakeChange(2, 2), nullptr);
  EXPECT_EQ(list.Count(), 2u);
}

}  // namespace

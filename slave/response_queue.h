#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "runtime/lock.h"

// One prepared answer of the slave: a variable frame from its first 0x68 up to
// the last octet of the data unit, without checksum and end octet. The control
// octet, the two length octets and the variable structure qualifier are written
// again when it is sent.
struct QueuedResponse {
  uint32_t sequence = 0;  // given by Enqueue
  std::vector<uint8_t> octets;
  uint32_t count = 0;  // information objects; becomes the qualifier's count
  int32_t typeId = 0;  // decides whether the record is class 1 data
  int32_t linkFunction = 8;
  uint8_t sequenceFlag = 0;  // 1 sets SQ in the qualifier

  // Monitoring data that the slave reports (interrogation groups and
  // spontaneous types) is class 1; confirmations and terminations are class 2.
  bool IsClass1() const;
};

// True for the type identifications whose records are class 1 data.
bool IsClass1Type(int32_t typeId);

// The slave's queue of prepared answers: appended at the tail, taken from the
// head, so answers leave in the order they were prepared. Every operation holds
// the queue's lock for its own duration only; the worker fills and empties it,
// the lock makes it safe for any other reader.
class ResponseQueue {
 public:
  static constexpr uint32_t kLastSequence = 0x1FFFFFFF;

  // Numbers the record (1 .. kLastSequence, then 1 again) and appends it.
  void Enqueue(std::unique_ptr<QueuedResponse> record);
  // The head record, or null when the queue is empty.
  std::unique_ptr<QueuedResponse> Dequeue();
  // True when any queued record is class 1 data; false when empty.
  bool HasClass1Data();
  // True when the head record is class 1 data; false when empty.
  bool HeadIsClass1();
  void DeleteAll();
  size_t Size();
  // The number the next Enqueue gives.
  uint32_t NextSequence();
  // Lets a test start the numbering near the wrap.
  void SetNextSequence(uint32_t next);

 private:
  clLock lock_;
  std::deque<std::unique_ptr<QueuedResponse>> records_;  // guarded by lock_
  uint32_t nextSequence_ = 1;                            // guarded by lock_
};

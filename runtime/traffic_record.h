#pragma once
#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

// One information-object line of a traffic record.
struct clTrafficElement {
  int32_t ioa = 0;
  std::string value;
  std::string name;
  std::string status;
};

// One frame sent or received, or one line event (kind 1001), as the traffic window
// shows it. Owned by one holder at a time: producer, then queue, then consumer.
class clTrafficRecord {
 public:
  static constexpr int32_t kEventKind = 1001;

  int32_t sequence = 0;  // set by the queue
  int32_t kind = 0;      // type identification, 0 for fixed frames, 1001 for events
  int32_t aux = 0;
  bool received = false;
  std::string bytes;  // "68 0A ..." or empty for events without octets
  std::string title;
  std::string asdu;
  std::string detail;
  std::string cause;
  int32_t date = 0;          // yyyymmdd, local
  int32_t secondsOfDay = 0;  // local
  int32_t milliseconds = 0;
  std::vector<clTrafficElement> elements;

  clTrafficRecord() = default;
  // Copies every field except the sequence number, which belongs to a queue.
  clTrafficRecord(const clTrafficRecord& other) { CopyFrom(other); }
  clTrafficRecord& operator=(const clTrafficRecord& other) {
    if (this != &other) CopyFrom(other);
    return *this;
  }

  void Clear();
  void AddElement(int32_t ioa, std::string value, std::string name, std::string status);
  // Fills date and time from the local wall clock, now or at `when`.
  void StampNow() { StampAt(std::chrono::system_clock::now()); }
  void StampAt(std::chrono::system_clock::time_point when);

  bool IsCommandKind() const;
  bool IsTimeTaggedKind() const;
  bool IsEventKind() const { return kind == kEventKind; }

  std::string FormatHeader() const;
  std::string FormatDescription() const;
  std::string FormatElements(bool structured) const;

 private:
  void CopyFrom(const clTrafficRecord& other);
};

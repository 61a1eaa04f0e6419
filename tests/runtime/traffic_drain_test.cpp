// What a traffic window shows of each record, how its text is trimmed, and the
// drain thread between a device's queue and the window.
#include "runtime/traffic_drain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

clTrafficRecord Record(int32_t kind, const std::string& title, int elements = 0) {
  clTrafficRecord record;
  record.kind = kind;
  record.received = true;
  record.bytes = kind == clTrafficRecord::kEventKind ? "" : "10 5B 01 5C 16";
  record.title = title;
  record.secondsOfDay = 3600;
  for (int i = 0; i < elements; ++i) record.AddElement(256 + i, "ON", "", "");
  return record;
}

// The pieces as "h:" (header) or "d:" (decoded, bold blue) texts.
std::vector<std::string> Shown(const clTrafficRecord& record, const clTrafficFilter& filter) {
  clTrafficBatch batch;
  AppendTrafficFragments(record, filter, &batch);
  std::vector<std::string> shown;
  for (const clTrafficFragment& piece : batch) {
    shown.push_back((piece.highlighted ? "d:" : "h:") + piece.text);
    EXPECT_EQ(piece.firstOfRecord, shown.size() == 1);
  }
  return shown;
}

clTrafficFilter Filter(bool raw, bool translate, bool command, bool changeOfState,
                       bool structured = false) {
  return clTrafficFilter{raw, translate, command, changeOfState, structured};
}

using Pieces = std::vector<std::string>;
const std::string kHeader = "h:<- 01:00:00.000 [10 5B 01 5C 16]";

TEST(TrafficFragments, RawAndTranslateChooseHeaderAndDecodedLines) {
  const clTrafficRecord fixed = Record(0, "RESPOND USER DATA");
  const clTrafficRecord measured = Record(1, "SINGLE POINT", 2);
  EXPECT_EQ(Shown(fixed, Filter(true, true, false, false)),
            (Pieces{kHeader, "d:RESPOND USER DATA", "d: "}))
      << "a record without objects still adds its single-space element text";
  EXPECT_EQ(Shown(measured, Filter(true, true, false, false)),
            (Pieces{kHeader, "d:SINGLE POINT", "d:[256] ON \n[257] ON "}));
  EXPECT_EQ(Shown(measured, Filter(true, true, false, false, true)),
            (Pieces{kHeader, "d:SINGLE POINT", "d:[000/001/000] ON \n[000/001/001] ON "}));
  EXPECT_EQ(Shown(fixed, Filter(true, false, false, false)), (Pieces{kHeader}));
  EXPECT_EQ(Shown(fixed, Filter(false, true, false, false)),
            (Pieces{"d:RESPOND USER DATA", "d: "}));
  EXPECT_TRUE(Shown(fixed, Filter(false, false, false, false)).empty());
}

TEST(TrafficFragments, CommandAndChangeOfStateShowOnlyTheirKindsAndLineEvents) {
  const clTrafficRecord command = Record(46, "DOUBLE COMMAND", 1);
  const clTrafficRecord privateCommand = Record(103, "CLOCK SYNC");
  const clTrafficRecord timed = Record(31, "DOUBLE POINT WITH TIME", 1);
  const clTrafficRecord bitString = Record(33, "BITSTRING WITH TIME", 1);
  const clTrafficRecord untimed = Record(3, "DOUBLE POINT", 1);
  const clTrafficRecord fixed = Record(0, "ACK");
  clTrafficRecord event = Record(clTrafficRecord::kEventKind, "RECEIVE TIMEOUT");
  event.received = false;
  const Pieces commandShown{kHeader, "d:DOUBLE COMMAND", "d:[000/001/000] ON "};
  const Pieces timedShown{kHeader, "d:DOUBLE POINT WITH TIME", "d:[000/001/000] ON "};
  // The selective boxes make "Raw Message" and "Translate" count for nothing.
  for (bool raw : {false, true}) {
    const clTrafficFilter onlyCommands = Filter(raw, !raw, true, false, true);
    EXPECT_EQ(Shown(command, onlyCommands), commandShown);
    EXPECT_EQ(Shown(privateCommand, onlyCommands).size(), 3u);
    EXPECT_TRUE(Shown(timed, onlyCommands).empty());
    EXPECT_TRUE(Shown(untimed, onlyCommands).empty());
    EXPECT_TRUE(Shown(fixed, onlyCommands).empty());
    EXPECT_EQ(Shown(event, onlyCommands),
              (Pieces{"h:-> 01:00:00.000 [empty]", "d:RECEIVE TIMEOUT"}))
        << "a line event shows no element line";

    const clTrafficFilter onlyChanges = Filter(raw, !raw, false, true, true);
    EXPECT_EQ(Shown(timed, onlyChanges), timedShown);
    EXPECT_TRUE(Shown(bitString, onlyChanges).empty()) << "type 33 is not a change of state";
    EXPECT_TRUE(Shown(command, onlyChanges).empty());
    EXPECT_TRUE(Shown(untimed, onlyChanges).empty());
    EXPECT_EQ(Shown(event, onlyChanges).size(), 2u);

    const clTrafficFilter both = Filter(raw, !raw, true, true, true);
    EXPECT_EQ(Shown(command, both), commandShown);
    EXPECT_EQ(Shown(timed, both), timedShown);
    EXPECT_TRUE(Shown(fixed, both).empty());
  }
}

TEST(TrafficFragments, CarriageReturnsGoTabsStayAndAFinalLineFeedAddsNothing) {
  clTrafficRecord record = Record(1, "TITLE\twith tab\r");
  record.detail = "detail\r\nline";
  record.AddElement(1, "a\tb", "name", "IV");
  EXPECT_EQ(Shown(record, Filter(false, true, false, false)),
            (Pieces{"d:TITLE\twith tab\ndetail\nline", "d:[1] name a\tb IV"}));
}

// Appending piece by piece as the window's rule says, on a plain string.
std::string AppendOneByOne(std::string text, int64_t limit, int64_t cut,
                           const std::vector<std::string>& pieces) {
  // A negative length counts as 0, a cut below 1 as 1.
  const size_t length = static_cast<size_t>(std::max<int64_t>(limit, 0));
  const size_t step = static_cast<size_t>(std::max<int64_t>(cut, 1));
  for (const std::string& piece : pieces) {
    while (text.size() > length) text.erase(0, std::min(step, text.size()));
    text += piece;
  }
  return text;
}

std::string AppendPlanned(const std::string& text, int64_t limit, int64_t cut,
                          const std::vector<std::string>& pieces) {
  std::vector<int64_t> lengths;
  std::string batch;
  for (const std::string& piece : pieces) {
    lengths.push_back(static_cast<int64_t>(piece.size()));
    batch += piece;
  }
  const clTrafficTrim trim = PlanTrafficTrim(static_cast<int64_t>(text.size()), limit, cut, lengths);
  return text.substr(static_cast<size_t>(trim.fromText)) +
         batch.substr(static_cast<size_t>(trim.fromBatch));
}

TEST(TrafficTrim, ABatchPlannedAtOnceEqualsAppendingPieceByPiece) {
  // One past the length: exactly the cut goes, once; at the length nothing.
  EXPECT_EQ(AppendPlanned(std::string(26, 'x'), 25, 10, {"y"}), std::string(16, 'x') + "y");
  EXPECT_EQ(AppendPlanned(std::string(25, 'x'), 25, 10, {"y"}), std::string(25, 'x') + "y");
  // A cut shorter than the excess is repeated, so the text stays bounded.
  EXPECT_EQ(AppendPlanned(std::string(100, 'x'), 25, 10, {"y"}), std::string(20, 'x') + "y");
  std::mt19937 random(7);
  for (int round = 0; round < 2000; ++round) {
    const int64_t limit = std::uniform_int_distribution<int64_t>(-2, 60)(random);
    const int64_t cut = std::uniform_int_distribution<int64_t>(0, 40)(random);
    std::string text(std::uniform_int_distribution<size_t>(0, 90)(random), 'a');
    for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>('a' + i % 26);
    std::vector<std::string> pieces(std::uniform_int_distribution<size_t>(0, 8)(random));
    char next = 'A';
    for (std::string& piece : pieces) {
      piece.assign(std::uniform_int_distribution<size_t>(0, 30)(random), next);
      next = next == 'Z' ? 'A' : static_cast<char>(next + 1);
    }
    ASSERT_EQ(AppendPlanned(text, limit, cut, pieces), AppendOneByOne(text, limit, cut, pieces))
        << "round " << round << " limit " << limit << " cut " << cut;
  }
}

std::unique_ptr<clTrafficRecord> Numbered(int n) {
  auto record = std::make_unique<clTrafficRecord>(Record(0, "R" + std::to_string(n)));
  return record;
}

// The record numbers ("R<n>" descriptions) in a batch.
std::vector<int> Numbers(const clTrafficBatch& batch) {
  std::vector<int> numbers;
  for (const clTrafficFragment& piece : batch)
    if (piece.highlighted && piece.text.rfind("R", 0) == 0) numbers.push_back(std::stoi(piece.text.substr(1)));
  return numbers;
}

using test_support::WaitFor;

TEST(TrafficDrain, ConsumesTheQueueOnlyWhileStartedAndFormatsWithTheCurrentFilter) {
  clTrafficQueue queue;
  clTrafficDrain drain(queue);
  EXPECT_FALSE(queue.IsConsumerRunning()) << "an unstarted window costs the device nothing";
  queue.Push(Numbered(0));  // left over from before: stale once started
  ASSERT_TRUE(drain.Start());
  EXPECT_FALSE(drain.Start()) << "a started drain is not started twice";
  EXPECT_TRUE(queue.IsConsumerRunning());
  for (int n = 1; n <= 3; ++n) queue.Push(Numbered(n));
  clTrafficBatch seen;
  ASSERT_TRUE(WaitFor([&] {
    for (clTrafficFragment& piece : drain.Take()) seen.push_back(std::move(piece));
    return Numbers(seen).size() == 3;
  }, 10000));
  EXPECT_EQ(Numbers(seen), (std::vector<int>{1, 2, 3}));
  EXPECT_EQ(seen.size(), 9u) << "header, description and element text each";

  drain.SetFilter(Filter(false, true, false, false));
  EXPECT_EQ(drain.Filter(), Filter(false, true, false, false));
  // A full queue at once (a fast line between two passes): every record is
  // taken, those still queued by Stop itself.
  for (int n = 4; n < 4 + static_cast<int>(clTrafficQueue::kCapacity); ++n)
    ASSERT_TRUE(queue.Push(Numbered(n)));
  drain.Stop();
  EXPECT_FALSE(queue.IsConsumerRunning());
  EXPECT_FALSE(drain.IsStarted());
  EXPECT_EQ(queue.Size(), 0u);
  const clTrafficBatch last = drain.Take();
  ASSERT_EQ(last.size(), 2 * clTrafficQueue::kCapacity) << "description and elements each";
  EXPECT_EQ(last[0].text, "R4");
  EXPECT_EQ(Numbers(last).back(), 3 + static_cast<int>(clTrafficQueue::kCapacity));
  EXPECT_TRUE(drain.Take().empty());
  ASSERT_TRUE(drain.Start()) << "a stopped drain starts again";
}

TEST(TrafficDrain, ABacklogNobodyTakesKeepsItsNewestRecordsWhole) {
  clTrafficQueue queue;
  clTrafficDrain drain(queue);
  drain.SetBacklogLimit(200);
  ASSERT_TRUE(drain.Start());
  for (int n = 0; n < 100; ++n) {
    while (!queue.Push(Numbered(n))) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  drain.Stop();
  const clTrafficBatch kept = drain.Take();
  ASSERT_FALSE(kept.empty());
  EXPECT_TRUE(kept.front().firstOfRecord);
  size_t characters = 0;
  for (const clTrafficFragment& piece : kept) characters += piece.text.size() + 1;
  EXPECT_LE(characters, 200u);
  const std::vector<int> numbers = Numbers(kept);
  ASSERT_FALSE(numbers.empty());
  EXPECT_EQ(numbers.back(), 99);
  for (size_t i = 1; i < numbers.size(); ++i) EXPECT_EQ(numbers[i], numbers[i - 1] + 1);
}

TEST(TrafficDrain, StopsWellWithinFiveSecondsWhileAProducerFloodsTheQueue) {
  clTrafficQueue queue;
  auto drain = std::make_unique<clTrafficDrain>(queue);
  std::atomic<bool> producing{true};
  std::atomic<int> pushed{0};
  // A device: builds records only while a consumer runs, never waits.
  std::thread device([&] {
    int n = 0;
    while (producing.load()) {
      if (queue.IsConsumerRunning() && queue.Push(Numbered(n))) ++n;
      pushed.store(n);
      std::this_thread::yield();
    }
  });
  ASSERT_TRUE(drain->Start());
  ASSERT_TRUE(WaitFor([&] { return pushed.load() > 500; }, 30000));
  Clock::time_point begin = Clock::now();
  drain->Stop();
  EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(5000));
  EXPECT_FALSE(drain->Take().empty());
  // Destroyed while started, as a closing window does.
  ASSERT_TRUE(drain->Start());
  const int before = pushed.load();
  ASSERT_TRUE(WaitFor([&] { return pushed.load() > before + 500; }, 30000));
  begin = Clock::now();
  drain.reset();
  EXPECT_LT(Clock::now() - begin, std::chrono::milliseconds(5000));
  EXPECT_FALSE(queue.IsConsumerRunning());
  producing.store(false);
  device.join();
}

}  // namespace

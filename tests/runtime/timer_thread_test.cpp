#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "runtime/thread.h"
#include "runtime/tick_clock.h"
#include "runtime/timer.h"

namespace {
using Clock = std::chrono::steady_clock;

TEST(Timer_Rules, PeriodZeroNeverRunsAndNeverStartedIsNotExpired) {
  clTimer never;
  EXPECT_FALSE(never.IsExpired());
  clTimer zero(0);
  zero.Start();
  EXPECT_FALSE(zero.IsRunning());
  zero.ExpireNow();
  EXPECT_FALSE(zero.IsExpired());
}

TEST(Timer_Rules, ExpireNowMakesAStartedTimerDueAndSetPeriodKeepsDeadline) {
  clTimer timer(60000);
  timer.Start();
  EXPECT_FALSE(timer.IsExpired());
  timer.ExpireNow();
  EXPECT_TRUE(timer.IsExpired());

  clTimer shortened(60000);
  shortened.Start();
  shortened.SetPeriod(1);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_FALSE(shortened.IsExpired()) << "the deadline moves only on the next Start";
  shortened.Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  EXPECT_TRUE(shortened.IsExpired());
  shortened.Stop();
  EXPECT_FALSE(shortened.IsExpired());
}

TEST(Timer_Rules, ExpiresAfterItsPeriodOnTheMonotonicClock) {
  clTimer timer(30);
  uint64_t begin = TickNowMs();
  timer.Start();
  while (!timer.IsExpired()) {
    ASSERT_LT(TickNowMs() - begin, 10000u);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_GE(TickNowMs() - begin, 30u);
}

// A loop that blocks the way device loops do: in a long bounded wait per pass.
class BlockingLoop : public clThread {
 public:
  explicit BlockingLoop(uint32_t passMs) : passMs_(passMs) {}
  ~BlockingLoop() override { Stop(); }
  std::atomic<int> starts{0};
  std::atomic<int> passes{0};

 protected:
  void Run() override {
    ++starts;
    while (IsRunning()) {
      SleepInterruptible(passMs_);
      ++passes;
    }
  }

 private:
  uint32_t passMs_;
};

TEST(Thread_Lifecycle, StopOfALoopInsideALongWaitReturnsQuicklyAndJoins) {
  BlockingLoop loop(60000);
  ASSERT_TRUE(loop.Start());
  EXPECT_FALSE(loop.Start()) << "a running thread is not started twice";
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  auto begin = Clock::now();
  loop.Stop();
  auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin);
  EXPECT_LT(took.count(), 10000) << "not the minute of the wait";
  EXPECT_FALSE(loop.IsRunning());
  EXPECT_EQ(loop.starts.load(), 1);
  int passesAfterStop = loop.passes.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(loop.passes.load(), passesAfterStop) << "no pass may run after Stop returned";

  ASSERT_TRUE(loop.Start()) << "a stopped thread can start again";
  loop.Stop();
  EXPECT_EQ(loop.starts.load(), 2);
}

class EndsByItself : public clThread {
 public:
  ~EndsByItself() override { Stop(); }

 protected:
  void Run() override {}
};

TEST(Thread_Lifecycle, ALoopThatReturnsByItselfLeavesTheThreadStopped) {
  EndsByItself worker;
  worker.Start();
  auto begin = Clock::now();
  while (worker.IsRunning()) {
    ASSERT_LT(Clock::now() - begin, std::chrono::seconds(1));
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(worker.Start());
}

}  // namespace

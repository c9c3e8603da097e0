#include "platform/foundation/RunLoop.h"
#include "platform/foundation/Date.h"
#include "platform/foundation/Log.h"
#include "platform/foundation/SharedInstance.h"
#include "platform/foundation/SystemClock.h"
#include "platform/foundation/Timer.h"
#include "tests/support/RunLoopFixture.h"

#include <atomic>
#include <string>
#include <thread>
#include <vector>

using TimerTest = RunLoopFixture;

TEST_F(TimerTest, FireInDeadlineOrderThenSchedulingOrder)
{
    std::vector<std::string> order;
    auto late = Timer::scheduledTimer(2.0, false, [&](Timer&) { order.push_back("late"); });
    auto firstAtOne = Timer::scheduledTimer(1.0, false, [&](Timer&) { order.push_back("a"); });
    auto secondAtOne = Timer::scheduledTimer(1.0, false, [&](Timer&) { order.push_back("b"); });
    advance(5);
    EXPECT_EQ(order, (std::vector<std::string> { "a", "b", "late" }));
    EXPECT_FALSE(late->isValid());
}

TEST_F(TimerTest, ClockStandsAtEachDeadlineWhileItFires)
{
    std::vector<double> seen;
    Timer::scheduledTimer(0.25, true, [&](Timer& t) {
        seen.push_back(loop().now());
        if (seen.size() == 3)
            t.invalidate();
    });
    advance(10);
    EXPECT_EQ(seen, (std::vector<double> { 0.25, 0.5, 0.75 }));
    EXPECT_DOUBLE_EQ(loop().now(), 10.0);
}

TEST_F(TimerTest, HundredthOfASecondTimerFiresThreeThousandTimesInThirtySeconds)
{
    int firings = 0;
    auto timer = Timer::scheduledTimer(0.01, true, [&](Timer&) { ++firings; });
    advance(30);
    EXPECT_EQ(firings, 3000);
    advance(0.005);
    EXPECT_EQ(firings, 3000);
    timer->invalidate();
}

TEST_F(TimerTest, ThirtySecondTimerFiresExactlyOnce)
{
    int firings = 0;
    Timer::scheduledTimer(30, false, [&](Timer&) { ++firings; });
    advance(29.999);
    EXPECT_EQ(firings, 0);
    advance(0.001);
    EXPECT_EQ(firings, 1);
    advance(100);
    EXPECT_EQ(firings, 1);
    EXPECT_EQ(loop().scheduledTimerCount(), 0u);
}

TEST_F(TimerTest, LateRepeatingTimerIsNotMadeUp)
{
    int firings = 0;
    auto timer = Timer::scheduledTimer(1.0, true, [&](Timer&) { ++firings; });
    // Jump the clock without letting the loop see the intermediate deadlines,
    // as a busy main thread would.
    clock->setNow(5.5);
    loop().runUntilIdle();
    EXPECT_EQ(firings, 1);
    EXPECT_DOUBLE_EQ(timer->fireDate(), 6.0);
    advance(0.5);
    EXPECT_EQ(firings, 2);
    timer->invalidate();
}

TEST_F(TimerTest, InvalidateInsideOwnCallbackAndFromAnotherTimer)
{
    int selfStopping = 0;
    int victim = 0;
    std::shared_ptr<Timer> victimTimer = Timer::scheduledTimer(1.0, true, [&](Timer&) { ++victim; });
    Timer::scheduledTimer(0.5, true, [&](Timer& t) {
        ++selfStopping;
        t.invalidate();
        t.invalidate();
        victimTimer->invalidate();
    });
    advance(3);
    EXPECT_EQ(selfStopping, 1);
    EXPECT_EQ(victim, 0);
}

TEST_F(TimerTest, ZeroDelayTimerScheduledInsideACallbackWaitsForTheNextPass)
{
    std::vector<int> order;
    Timer::scheduledTimer(1.0, false, [&](Timer&) {
        order.push_back(1);
        loop().performAfterDelay(0, [&] { order.push_back(3); });
        order.push_back(2);
    });
    advance(1);
    loop().runUntilIdle();
    advance(0.001);
    EXPECT_EQ(order, (std::vector<int> { 1, 2, 3 }));
}

TEST_F(TimerTest, DateFollowsTheManualClock)
{
    Date before = Date::now();
    advance(86401);
    EXPECT_DOUBLE_EQ(Date::now().timeIntervalSinceDate(before), 86401.0);
    EXPECT_EQ(Date(0).formatted("%Y%m%d", false), "19700101");
}

using PostTest = RunLoopFixture;

TEST_F(PostTest, TaskPostedFromWorkerThreadRunsOnMainThread)
{
    std::thread::id mainThread = std::this_thread::get_id();
    std::atomic<bool> ran { false };
    std::thread::id ranOn;
    std::thread worker([&] {
        loop().post([&] {
            ranOn = std::this_thread::get_id();
            ran = true;
        });
    });
    worker.join();
    EXPECT_TRUE(loop().runUntil([&] { return ran.load(); }, 5));
    EXPECT_EQ(ranOn, mainThread);
}

TEST_F(PostTest, ManyWorkersPostingConcurrentlyLoseNothing)
{
    int count = 0;
    std::vector<std::thread> workers;
    for (int w = 0; w < 4; ++w)
        workers.emplace_back([&] {
            for (int i = 0; i < 1000; ++i)
                loop().post([&] { ++count; });
        });
    for (auto& worker : workers)
        worker.join();
    EXPECT_TRUE(loop().runUntil([&] { return count == 4000; }, 5));
}

TEST_F(PostTest, KeepAliveEndsWithThePass)
{
    auto object = std::make_shared<int>(7);
    std::weak_ptr<int> watcher = object;
    loop().keepAliveUntilPassEnds(object);
    object.reset();
    EXPECT_FALSE(watcher.expired());
    loop().runUntilIdle();
    EXPECT_TRUE(watcher.expired());
}

TEST_F(PostTest, RunUntilGivesUpAfterItsTimeout)
{
    EXPECT_FALSE(loop().runUntil([] { return false; }, 0.05));
}

TEST(SystemClockTest, RealTimerFiresOnTheDefaultContext)
{
    RunLoop::main().setClock(std::make_shared<SystemClock>());
    bool fired = false;
    RunLoop::main().performAfterDelay(0.02, [&] { fired = true; });
    EXPECT_TRUE(RunLoop::main().runUntil([&] { return fired; }, 5));
    RunLoop::main().reset();
}

TEST(LogTest, CaptureHookReceivesTheText)
{
    std::vector<std::string> lines;
    Log::setCaptureHook([&](const std::string& text) { lines.push_back(text); });
    Log::write("Pellar: Did receive ad");
    Log::writef("%s %d", "call", 3);
    Log::setCaptureHook(nullptr);
    EXPECT_EQ(lines, (std::vector<std::string> { "Pellar: Did receive ad", "call 3" }));
}

namespace {
struct Counted {
    Counted() { ++constructions; }
    static inline std::atomic<int> constructions { 0 };
};
}

TEST(SharedInstanceTest, ConcurrentFirstUseCreatesOneInstance)
{
    std::vector<std::thread> threads;
    std::vector<Counted*> seen(8);
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&, i] { seen[i] = &SharedInstance<Counted>::get(); });
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(Counted::constructions.load(), 1);
    for (auto* instance : seen)
        EXPECT_EQ(instance, seen[0]);
}

#include "ui/headless_event_loop.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace lw;
using namespace std::chrono_literals;

TEST(HeadlessEventLoop, InvokeBlockingFromWorkerRunsOnUiThreadAndWaits) {
    HeadlessEventLoop loop;
    std::thread::id ranOn;
    std::atomic<bool> workerDone{false};
    int value = 0;
    std::thread worker([&] {
        bool ran = loop.invokeBlocking([&] {
            ranOn = std::this_thread::get_id();
            value = 42;
        });
        EXPECT_TRUE(ran);
        // The call finished before invokeBlocking returned.
        EXPECT_EQ(value, 42);
        workerDone = true;
    });
    EXPECT_TRUE(loop.runUntil([&] { return workerDone.load(); }, 5s));
    worker.join();
    EXPECT_EQ(ranOn, std::this_thread::get_id());
}

TEST(HeadlessEventLoop, InvokeBlockingOnUiThreadRunsAtOnce) {
    HeadlessEventLoop loop;
    bool ran = false;
    EXPECT_TRUE(loop.invokeBlocking([&] { ran = true; }));
    EXPECT_TRUE(ran);
}

TEST(HeadlessEventLoop, StoppedWorkerDropsItsPendingCall) {
    HeadlessEventLoop loop;
    std::stop_source stop;
    std::atomic<bool> returned{false};
    bool ran = false;
    bool result = true;
    std::thread worker([&] {
        result = loop.invokeBlocking([&] { ran = true; }, stop.get_token());
        returned = true;
    });
    std::this_thread::sleep_for(20ms);
    // The UI thread waits for the worker without running events: no deadlock.
    stop.request_stop();
    worker.join();
    EXPECT_TRUE(returned);
    EXPECT_FALSE(result);
    loop.processEvents();
    EXPECT_FALSE(ran);
}

TEST(HeadlessEventLoop, TimersFireOnceAndCancelledTimersNever) {
    HeadlessEventLoop loop;
    int fired = 0;
    bool cancelledFired = false;
    loop.startTimer(10, [&] { ++fired; });
    TimerId cancelled = loop.startTimer(10, [&] { cancelledFired = true; });
    loop.cancelTimer(cancelled);
    EXPECT_TRUE(loop.runUntil([&] { return fired == 1; }, 2s));
    std::this_thread::sleep_for(30ms);
    loop.processEvents();
    EXPECT_EQ(fired, 1);
    EXPECT_FALSE(cancelledFired);
    EXPECT_FALSE(loop.hasPendingTimers());
}

TEST(HeadlessEventLoop, TimerCancelledByAnEarlierHandlerDoesNotRun) {
    HeadlessEventLoop loop;
    bool second = false;
    TimerId secondId = 0;
    loop.startTimer(0, [&] { loop.cancelTimer(secondId); });
    secondId = loop.startTimer(1, [&] { second = true; });
    std::this_thread::sleep_for(5ms);
    loop.processEvents();
    EXPECT_FALSE(second);
}

TEST(HeadlessEventLoop, NestedProcessEventsRunsLaterEvents) {
    HeadlessEventLoop loop;
    std::vector<int> order;
    loop.post([&] {
        order.push_back(1);
        loop.post([&] { order.push_back(3); });
        // A long loop lets pending events run between its steps.
        loop.processEvents();
        order.push_back(2);
    });
    loop.processEvents();
    EXPECT_EQ(order, (std::vector<int>{1, 3, 2}));
}

TEST(HeadlessEventLoop, RunStopsOnQuitFromAWorker) {
    HeadlessEventLoop loop;
    std::thread worker([&] {
        std::this_thread::sleep_for(10ms);
        loop.post([&] { loop.quit(); });
    });
    loop.run();
    worker.join();
    SUCCEED();
}

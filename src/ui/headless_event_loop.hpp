#pragma once

#include "ui/event_loop.hpp"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace lw {

// An event loop without windows, for the CLI and the tests. The thread that creates
// it is its UI thread.
class HeadlessEventLoop : public EventLoop {
public:
    HeadlessEventLoop();

    void post(std::function<void()> fn) override;
    bool isUiThread() const override;
    TimerId startTimer(int ms, std::function<void()> fn) override;
    void cancelTimer(TimerId id) override;
    void processEvents() override;

    // Runs events until done() holds or the time-out passes; returns done().
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Runs events until quit() is called.
    void run();
    void quit();
    bool hasPendingTimers() const;

private:
    using SteadyTime = std::chrono::steady_clock::time_point;
    struct Timer {
        TimerId id;
        std::function<void()> fn;
    };
    // Waits until something is posted, a timer falls due, or until the deadline.
    void waitForWork(SteadyTime deadline);

    std::thread::id owner_;
    mutable std::mutex mutex_;
    std::condition_variable cv_;
    std::deque<std::function<void()>> posted_;
    std::multimap<SteadyTime, Timer> timers_;
    TimerId nextId_ = 1;
    bool quit_ = false;
};

} // namespace lw

#include "ui/headless_event_loop.hpp"

#include <algorithm>
#include <vector>

namespace lw {

HeadlessEventLoop::HeadlessEventLoop() : owner_(std::this_thread::get_id()) {}

void HeadlessEventLoop::post(std::function<void()> fn) {
    {
        std::lock_guard lock(mutex_);
        posted_.push_back(std::move(fn));
    }
    cv_.notify_all();
}

bool HeadlessEventLoop::isUiThread() const {
    return std::this_thread::get_id() == owner_;
}

TimerId HeadlessEventLoop::startTimer(int ms, std::function<void()> fn) {
    std::lock_guard lock(mutex_);
    TimerId id = nextId_++;
    timers_.emplace(std::chrono::steady_clock::now() + std::chrono::milliseconds(ms),
                    Timer{id, std::move(fn)});
    return id;
}

void HeadlessEventLoop::cancelTimer(TimerId id) {
    std::lock_guard lock(mutex_);
    for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.id == id) {
            timers_.erase(it);
            return;
        }
    }
}

bool HeadlessEventLoop::hasPendingTimers() const {
    std::lock_guard lock(mutex_);
    return !timers_.empty();
}

void HeadlessEventLoop::processEvents() {
    // Only what is pending now: calls made by these handlers wait for the next round,
    // so a handler that calls processEvents itself cannot recurse without end.
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard lock(mutex_);
        calls.swap(posted_);
    }
    for (auto& call : calls)
        call();

    std::vector<TimerId> due;
    {
        std::lock_guard lock(mutex_);
        auto now = std::chrono::steady_clock::now();
        for (auto it = timers_.begin(); it != timers_.end() && it->first <= now; ++it)
            due.push_back(it->second.id);
    }
    for (TimerId id : due) {
        std::function<void()> fn;
        {
            std::lock_guard lock(mutex_);
            for (auto it = timers_.begin(); it != timers_.end(); ++it) {
                if (it->second.id == id) {
                    fn = std::move(it->second.fn);
                    timers_.erase(it);
                    break;
                }
            }
        }
        // A handler that ran before may have cancelled this timer.
        if (fn)
            fn();
    }
}

void HeadlessEventLoop::waitForWork(SteadyTime deadline) {
    std::unique_lock lock(mutex_);
    if (!posted_.empty() || quit_)
        return;
    // Conditions set by other threads come without a wake-up, so look again soon.
    SteadyTime until =
        std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(5));
    if (!timers_.empty() && timers_.begin()->first < until)
        until = timers_.begin()->first;
    cv_.wait_until(lock, until, [&] { return !posted_.empty() || quit_; });
}

bool HeadlessEventLoop::runUntil(const std::function<bool()>& done,
                                 std::chrono::milliseconds timeout) {
    SteadyTime deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline)
            return done();
        processEvents();
        if (done())
            return true;
        waitForWork(deadline);
    }
    return true;
}

void HeadlessEventLoop::run() {
    {
        std::lock_guard lock(mutex_);
        quit_ = false;
    }
    while (true) {
        processEvents();
        {
            std::lock_guard lock(mutex_);
            if (quit_)
                return;
        }
        waitForWork(std::chrono::steady_clock::now() + std::chrono::hours(1));
    }
}

void HeadlessEventLoop::quit() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    cv_.notify_all();
}

} // namespace lw

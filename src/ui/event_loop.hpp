#pragma once

#include <cstdint>
#include <functional>
#include <stop_token>

namespace lw {

using TimerId = std::uint64_t;

// The UI thread's event loop. Only post and invokeBlocking may be called from other
// threads; everything else belongs to the UI thread.
class EventLoop {
public:
    virtual ~EventLoop() = default;

    // Queues fn to run on the UI thread.
    virtual void post(std::function<void()> fn) = 0;
    virtual bool isUiThread() const = 0;
    // One-shot timer; fn runs on the UI thread after ms unless cancelled first.
    virtual TimerId startTimer(int ms, std::function<void()> fn) = 0;
    virtual void cancelTimer(TimerId id) = 0;
    // Runs what is pending now (posted calls, due timers) and returns.
    virtual void processEvents() = 0;

    // Runs fn on the UI thread and waits until it ran, like a synchronous window
    // message. When stop is requested before the UI thread took the call up, the call
    // is dropped and false is returned, so a UI thread that waits for this worker never
    // deadlocks. Called on the UI thread it runs fn at once.
    bool invokeBlocking(std::function<void()> fn, std::stop_token stop = {});
};

} // namespace lw

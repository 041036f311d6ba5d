#include "ui/event_loop.hpp"

#include <condition_variable>
#include <memory>
#include <mutex>

namespace lw {
namespace {

struct BlockingCall {
    enum class State { Pending, Running, Done, Dropped };
    std::mutex mutex;
    std::condition_variable_any cv;
    State state = State::Pending;
};

} // namespace

bool EventLoop::invokeBlocking(std::function<void()> fn, std::stop_token stop) {
    if (isUiThread()) {
        fn();
        return true;
    }
    auto call = std::make_shared<BlockingCall>();
    post([call, fn = std::move(fn)] {
        {
            std::lock_guard lock(call->mutex);
            if (call->state == BlockingCall::State::Dropped)
                return;
            call->state = BlockingCall::State::Running;
        }
        struct Finish {
            BlockingCall& c;
            ~Finish() {
                {
                    std::lock_guard lock(c.mutex);
                    c.state = BlockingCall::State::Done;
                }
                c.cv.notify_all();
            }
        } finish{*call};
        fn();
    });
    std::unique_lock lock(call->mutex);
    call->cv.wait(lock, stop, [&] { return call->state == BlockingCall::State::Done; });
    if (call->state == BlockingCall::State::Done)
        return true;
    if (call->state == BlockingCall::State::Pending) {
        call->state = BlockingCall::State::Dropped;
        return false;
    }
    // Already running on the UI thread: it may use the caller's data, so wait for it.
    call->cv.wait(lock, [&] { return call->state == BlockingCall::State::Done; });
    return true;
}

} // namespace lw

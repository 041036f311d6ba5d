#pragma once

#include "ui/event_loop.hpp"

#include <chrono>

namespace lw {

// Lets pending window events run from inside a long loop, at most every few
// milliseconds, so the loop stays fast while its progress label advances and its
// cancel button works.
class EventPump {
public:
    explicit EventPump(EventLoop& loop,
                       std::chrono::milliseconds every = std::chrono::milliseconds(15))
        : loop_(loop), every_(every) {}

    // Whether the next round is due; the first one is due at once.
    bool due() const { return std::chrono::steady_clock::now() - last_ >= every_; }
    // Runs pending events now.
    void run() {
        loop_.processEvents();
        last_ = std::chrono::steady_clock::now();
    }

private:
    EventLoop& loop_;
    std::chrono::milliseconds every_;
    std::chrono::steady_clock::time_point last_{};
};

} // namespace lw

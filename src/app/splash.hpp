#pragma once

#include "ui/event_loop.hpp"

#include <functional>

namespace lw {

// The splash: borderless, centred, showing a picture and "正在加载..." near its
// bottom-left corner. One second after it is shown its timer creates the main window.
class SplashLogic {
public:
    static constexpr const char* kLabel = "正在加载...";
    static constexpr int kTimerMs = 1000;

    explicit SplashLogic(EventLoop& loop) : loop_(loop) {}

    // Runs when the timer fires (after it was stopped): hide the splash, create and
    // show the main window.
    std::function<void()> onTimer;

    void onShown() {
        if (timer_ != 0)
            return;
        timer_ = loop_.startTimer(kTimerMs, [this] {
            timer_ = 0;
            if (onTimer)
                onTimer();
        });
    }
    bool timerRunning() const { return timer_ != 0; }

private:
    EventLoop& loop_;
    TimerId timer_ = 0;
};

} // namespace lw

#pragma once

#include "ui/event_loop.hpp"

#include <QObject>
#include <QTimer>

#include <map>
#include <thread>

namespace lw::gui {

// The event loop port over Qt's: posted calls and timers run on the thread that made
// this object (the UI thread).
class QtEventLoop : public EventLoop {
public:
    QtEventLoop();
    ~QtEventLoop() override;

    void post(std::function<void()> fn) override;
    bool isUiThread() const override;
    TimerId startTimer(int ms, std::function<void()> fn) override;
    void cancelTimer(TimerId id) override;
    void processEvents() override;

private:
    QObject context_;
    std::thread::id owner_;
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
};

} // namespace lw::gui

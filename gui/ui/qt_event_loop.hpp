#pragma once

#include "ui/event_loop.hpp"

#include <QObject>
#include <QTimer>

#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace lw::gui {

// Wakes the UI thread for posted calls. The calls wait in a queue under our own mutex,
// so their hand-over between threads is one that ThreadSanitizer can see.
class PostWaker : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void wake();
};

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
    void runPosted();

    QObject context_;
    PostWaker waker_;
    std::mutex postedMutex_;
    std::deque<std::function<void()>> posted_;
    std::thread::id owner_;
    std::map<TimerId, QTimer*> timers_;
    TimerId nextId_ = 1;
};

} // namespace lw::gui

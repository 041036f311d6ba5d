#include "qt_event_loop.hpp"

#include <QCoreApplication>

namespace lw::gui {

QtEventLoop::QtEventLoop() : owner_(std::this_thread::get_id()) {
    QObject::connect(
        &waker_, &PostWaker::wake, &context_, [this] { runPosted(); }, Qt::QueuedConnection);
}

QtEventLoop::~QtEventLoop() {
    for (auto& [id, timer] : timers_)
        delete timer;
}

void QtEventLoop::post(std::function<void()> fn) {
    bool wasEmpty = false;
    {
        std::lock_guard lock(postedMutex_);
        wasEmpty = posted_.empty();
        posted_.push_back(std::move(fn));
    }
    // A queue that was not empty already has a wake-up on its way or is being run.
    if (wasEmpty)
        Q_EMIT waker_.wake();
}

// One call at a time, so a call that processes events (a nested wake-up) keeps the order.
void QtEventLoop::runPosted() {
    while (true) {
        std::function<void()> fn;
        bool more = false;
        {
            std::lock_guard lock(postedMutex_);
            if (posted_.empty())
                return;
            fn = std::move(posted_.front());
            posted_.pop_front();
            more = !posted_.empty();
        }
        // A call that waits inside (processing events meanwhile) must not hold up the
        // calls queued behind it: they get a wake-up of their own.
        if (more)
            Q_EMIT waker_.wake();
        fn();
    }
}

bool QtEventLoop::isUiThread() const {
    return std::this_thread::get_id() == owner_;
}

TimerId QtEventLoop::startTimer(int ms, std::function<void()> fn) {
    TimerId id = nextId_++;
    auto* timer = new QTimer(&context_);
    timer->setSingleShot(true);
    timers_[id] = timer;
    QObject::connect(timer, &QTimer::timeout, &context_, [this, id, fn = std::move(fn)] {
        auto it = timers_.find(id);
        if (it == timers_.end())
            return;
        it->second->deleteLater();
        timers_.erase(it);
        fn();
    });
    timer->start(ms);
    return id;
}

void QtEventLoop::cancelTimer(TimerId id) {
    auto it = timers_.find(id);
    if (it == timers_.end())
        return;
    it->second->stop();
    it->second->deleteLater();
    timers_.erase(it);
}

void QtEventLoop::processEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace lw::gui

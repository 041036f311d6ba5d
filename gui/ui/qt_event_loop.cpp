#include "qt_event_loop.hpp"

#include <QCoreApplication>

namespace lw::gui {

QtEventLoop::QtEventLoop() : owner_(std::this_thread::get_id()) {}

QtEventLoop::~QtEventLoop() {
    for (auto& [id, timer] : timers_)
        delete timer;
}

void QtEventLoop::post(std::function<void()> fn) {
    QMetaObject::invokeMethod(&context_, std::move(fn), Qt::QueuedConnection);
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

#include "ui/window_key_filter.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace lw::gui {

WindowKeyFilter::WindowKeyFilter(QWidget* window, Handler handler)
    : QObject(window), window_(window), handler_(std::move(handler)) {
    QCoreApplication::instance()->installEventFilter(this);
}

WindowKeyFilter::~WindowKeyFilter() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool WindowKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != window_)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    int code = key->key() >= 0 && key->key() < 0x80 ? key->key() : 0;
    return code && handler_(key->modifiers() & Qt::ControlModifier,
                            key->modifiers() & Qt::AltModifier, code);
}

} // namespace lw::gui

#include "qt_enter_to_tab.hpp"

#include "ui/enter_to_tab.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace lw::gui {

void EnterToTabFilter::Install(QWidget* edit) {
    edit->installEventFilter(new EnterToTabFilter(edit));
}

bool EnterToTabFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* keyEvent = static_cast<QKeyEvent*>(event);
    int key = (keyEvent->key() == Qt::Key_Return || keyEvent->key() == Qt::Key_Enter) ? 13 : -1;
    if (key != 13)
        return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    EnterToTab(key, [widget] {
        QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
        if (widget)
            QCoreApplication::sendEvent(widget, &tab);
    });
    return key == 0;
}

} // namespace lw::gui

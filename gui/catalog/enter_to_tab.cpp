#include "catalog/enter_to_tab.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QWidget>

namespace lw::gui {

bool enterToTab(QWidget* field, QKeyEvent* event) {
    if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter)
        return false;
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QCoreApplication::sendEvent(field, &tab);
    return true;
}

bool EnterToTabFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && watched->isWidgetType())
        return enterToTab(static_cast<QWidget*>(watched), static_cast<QKeyEvent*>(event));
    return QObject::eventFilter(watched, event);
}

} // namespace lw::gui

#include "ui/enter_presses_button.hpp"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QToolButton>

namespace lw::gui {

EnterPressesButton::EnterPressesButton(QObject* parent) : QObject(parent) {
    QCoreApplication::instance()->installEventFilter(this);
}

EnterPressesButton::~EnterPressesButton() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool EnterPressesButton::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter) ||
        (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || !button->hasFocus() || !button->isEnabled() ||
        !(qobject_cast<QPushButton*>(button) || qobject_cast<QToolButton*>(button)))
        return false;
    button->click();
    return true;
}

} // namespace lw::gui

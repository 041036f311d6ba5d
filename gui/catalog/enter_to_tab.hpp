#pragma once

#include <QObject>

class QKeyEvent;
class QWidget;

namespace lw::gui {

// Enter in an edit box moves the focus on, as Tab would: the key is swallowed and a Tab
// press is sent to the box. Returns true when the key was Enter.
bool enterToTab(QWidget* field, QKeyEvent* event);

// Applies EnterToTab to every widget it is installed on.
class EnterToTabFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace lw::gui

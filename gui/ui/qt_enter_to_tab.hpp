#pragma once

#include <QObject>

class QWidget;

namespace lw::gui {

// EnterToTab for edit boxes: Enter moves the focus to the next control, as Tab does.
class EnterToTabFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    // Installs a filter owned by the edit box.
    static void Install(QWidget* edit);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace lw::gui

#pragma once

#include <QObject>

namespace lw::gui {

// Enter on a focused push or tool button presses it, as Space does, in every window
// (the buttons are not default buttons, so Qt alone would do nothing).
class EnterPressesButton : public QObject {
    Q_OBJECT
public:
    explicit EnterPressesButton(QObject* parent = nullptr);
    ~EnterPressesButton() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace lw::gui

#pragma once

#include "app/splash.hpp"

#include <QWidget>

namespace lw::gui {

// The splash SplashLogic: borderless, centred, picture and "Loading..."; its logic
// starts the one-second timer when it is shown.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    SplashWindow(SplashLogic& logic, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    SplashLogic& logic_;
};

} // namespace lw::gui

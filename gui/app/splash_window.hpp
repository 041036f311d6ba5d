#pragma once

#include "app/splash.hpp"

#include <QWidget>

namespace lw::gui {

// The splash SplashLogic: borderless, centred, picture and "正在加载..."; its logic
// starts the one-second timer when it is shown.
class SplashWindow : public QWidget {
    Q_OBJECT
    static constexpr int kWidth = 467;
    static constexpr int kHeight = 307;

public:
    SplashWindow(SplashLogic& logic, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    SplashLogic& logic_;
};

} // namespace lw::gui

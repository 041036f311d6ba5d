#pragma once

#include "app/login_show.hpp"

#include <QWidget>

namespace lw::gui {

// The splash TfrmLoginShow: borderless, centred, picture and "Loading..."; its logic
// starts the one-second timer when it is shown.
class SplashWindow : public QWidget {
    Q_OBJECT
public:
    SplashWindow(TfrmLoginShow& logic, QWidget* parent = nullptr);

protected:
    void showEvent(QShowEvent* event) override;

private:
    TfrmLoginShow& logic_;
};

} // namespace lw::gui

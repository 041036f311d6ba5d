#include "splash_window.hpp"

#include "ui/qt_icons.hpp"

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>

namespace lw::gui {

SplashWindow::SplashWindow(SplashLogic& logic, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint), logic_(logic) {
    setObjectName("frmLoginShow");
    setFixedSize(kWidth, kHeight);
    auto* picture = new QLabel(this);
    picture->setObjectName("_Image");
    picture->setPixmap(splashPicture(width(), height()));
    picture->setGeometry(rect());
    auto* loading = new QLabel(SplashLogic::kLabel, this);
    loading->setObjectName("_lblLoading");
    loading->setStyleSheet("color: white;");
    loading->setGeometry(16, height() - 32, 200, 20);
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void SplashWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    logic_.onShown();
}

} // namespace lw::gui

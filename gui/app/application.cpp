#include "application.hpp"

#include "platform/platform.hpp"

#include <QFont>
#include <QMessageBox>

#include <exception>

namespace lw::gui {

// Windows' own dialog font ("MS Shell Dlg") may have no Chinese glyphs (and under Wine
// leaves line edits blank): the texts are Chinese, so a Chinese UI font comes first.
// Elsewhere the desktop's font settings choose.
Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
    if constexpr (platform::kWindows) {
        QFont font = QApplication::font();
        font.setFamilies({QStringLiteral("Microsoft YaHei UI"), QStringLiteral("Microsoft YaHei"),
                          QStringLiteral("Noto Sans CJK SC"), QStringLiteral("SimSun")});
        QApplication::setFont(font);
    }
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(QStringLiteral("未知错误"));
    }
    return false;
}

void Application::reportError(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QStringLiteral("错误"), text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
    box.exec();
}

} // namespace lw::gui

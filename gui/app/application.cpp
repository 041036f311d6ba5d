#include "application.hpp"

#include <QMessageBox>

#include <exception>

namespace lw::gui {

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {}

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

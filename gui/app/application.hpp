#pragma once

#include <QApplication>

namespace lw::gui {

// The application with its top-level error report: an exception that escapes a
// command is shown in a box titled "错误" with the error icon, and the program goes on.
class Application : public QApplication {
    Q_OBJECT
public:
    Application(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the "错误" box (also used for failures before the main window exists).
    static void reportError(const QString& text);
};

} // namespace lw::gui

#include "qt_desktop.hpp"

#include "platform/platform.hpp"
#include "qt_text.hpp"

#include <QClipboard>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

namespace lw::gui {

bool QtDesktop::openFolder(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(toQ(path)));
}

bool QtDesktop::openUrl(const std::string& url) {
    return QDesktopServices::openUrl(QUrl(toQ(url)));
}

// On Windows programs start through the shell's "open" verb (ShellExecute), as folders,
// pages and mail do; elsewhere "calc.exe" is the desktop's calculator.
bool QtDesktop::openProgram(const std::string& path) {
    if constexpr (platform::kWindows) {
        if (path == "calc.exe")
            return QProcess::startDetached("calc.exe", {});
        return QDesktopServices::openUrl(QUrl::fromLocalFile(toQ(path)));
    }
    if (path == "calc.exe") {
        for (const char* name : {"gnome-calculator", "kcalc", "galculator", "mate-calc", "xcalc"}) {
            QString program = QStandardPaths::findExecutable(name);
            if (!program.isEmpty())
                return QProcess::startDetached(program, {});
        }
        return false;
    }
    return QProcess::startDetached(toQ(path), {});
}

void QtDesktop::setClipboardText(const std::string& text) {
    QGuiApplication::clipboard()->setText(toQ(text));
}

} // namespace lw::gui

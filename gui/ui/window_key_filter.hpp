#pragma once

#include <QObject>

#include <functional>

class QWidget;

namespace lw::gui {

// Hands every key press on any control of one window to that window's logic before the
// control sees it, as a form with key preview does. Only keys of the ASCII range are
// handed on; the handler returns true when it took the key.
class WindowKeyFilter : public QObject {
    Q_OBJECT
public:
    using Handler = std::function<bool(bool ctrl, bool alt, int key)>;

    // Installed on the application for as long as window lives.
    WindowKeyFilter(QWidget* window, Handler handler);
    ~WindowKeyFilter() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    Handler handler_;
};

} // namespace lw::gui

#pragma once

#include "ui/signal.hpp"

#include <string>

namespace lw {

// The main window's progress panel (_ProcessPanel): while it is visible the window is
// busy and the commands that reload or change the list do nothing. _Cancel hides it
// and sets the cancel flag, which the running loop tests.
class ProgressPanel {
public:
    bool visible() const { return visible_; }
    const std::string& caption() const { return caption_; }
    bool cancelled() const { return cancelled_; }

    void show(const std::string& caption) {
        visible_ = true;
        caption_ = caption;
        changed.emit();
    }
    void setCaption(const std::string& caption) {
        caption_ = caption;
        changed.emit();
    }
    void hide() {
        visible_ = false;
        changed.emit();
    }
    // The _Cancel button ("取消").
    void cancelClick() {
        visible_ = false;
        cancelled_ = true;
        changed.emit();
    }
    void clearCancel() { cancelled_ = false; }

    Signal<> changed;

private:
    bool visible_ = false;
    bool cancelled_ = false;
    std::string caption_ = "正在处理中...";
};

} // namespace lw

#pragma once

#include "ui/signal.hpp"

#include <string>

namespace lw {

// The diagnostic memo _Debug, shown and hidden with Ctrl+Alt+I. Lines are only kept
// while it is visible.
class DiagnosticLog {
public:
    bool visible() const { return visible_; }
    const std::string& text() const { return text_; }
    void toggle() {
        visible_ = !visible_;
        changed.emit();
    }
    void setVisible(bool visible) {
        visible_ = visible;
        changed.emit();
    }
    // Appends one line when the log is visible.
    void append(const std::string& line) {
        if (!visible_)
            return;
        text_ += line;
        text_ += "\n";
        appended.emit(line);
    }
    // Appends one line whether or not the log is visible (errors worth keeping).
    void appendAlways(const std::string& line) {
        text_ += line;
        text_ += "\n";
        appended.emit(line);
    }
    void clear() { text_.clear(); }

    Signal<> changed;
    Signal<const std::string&> appended;

private:
    bool visible_ = false;
    std::string text_;
};

} // namespace lw

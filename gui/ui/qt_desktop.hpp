#pragma once

#include "ui/desktop.hpp"

namespace lw::gui {

// The shell and the clipboard through Qt.
class QtDesktop : public Desktop {
public:
    bool openFolder(const std::string& path) override;
    bool openUrl(const std::string& url) override;
    // "calc.exe" starts the desktop's calculator.
    bool openProgram(const std::string& path) override;
    void setClipboardText(const std::string& text) override;
};

} // namespace lw::gui

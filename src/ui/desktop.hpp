#pragma once

#include <string>

namespace lw {

// The shell and the clipboard.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual bool openFolder(const std::string& path) = 0;
    virtual bool openUrl(const std::string& url) = 0;
    virtual bool openProgram(const std::string& path) = 0;
    // A local file, with the program the desktop opens such files with; the shell opens
    // files and folders alike.
    virtual bool openDocument(const std::string& path) { return openFolder(path); }
    virtual void setClipboardText(const std::string& text) = 0;
};

} // namespace lw

#pragma once

#include "ui/desktop.hpp"
#include "ui/dialogs.hpp"

#include <deque>
#include <string>

namespace lw::cli {

// Message boxes printed to stderr as "[title] text"; questions answered from the
// command line (Yes only with --yes).
class ConsoleDialogs : public Dialogs {
public:
    bool answerYes = false;
    FileExistsChoice fileExistsChoice = FileExistsChoice::Cancel;
    std::deque<std::string> inputs; // answers to text-input dialogs, in order
    std::deque<int> choices;        // answers to list choices, in order
    std::deque<std::string> files;  // answers to file choosers, in order
    // Whether an error or warning box was shown: the command reported a failure.
    bool sawFailure = false;

    Answer show(const MessageRequest& request) override;
    FileExistsChoice fileExists(const std::string& text) override;
    std::optional<std::string> inputText(const std::string& title, const std::string& prompt,
                                         const std::string& initial) override;
    std::optional<int> chooseFromList(const std::string& title, const std::string& label,
                                      const std::vector<std::string>& items, int selected) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;
};

// Folders and pages are printed, not opened.
class ConsoleDesktop : public Desktop {
public:
    std::string clipboard;
    bool openFolder(const std::string& path) override;
    bool openUrl(const std::string& url) override;
    bool openProgram(const std::string& path) override;
    void setClipboardText(const std::string& text) override;
};

} // namespace lw::cli

#pragma once

#include "ui/desktop.hpp"
#include "ui/dialogs.hpp"

#include <deque>
#include <string>
#include <variant>
#include <vector>

namespace lw::test {

// One thing shown to the user, as the tests see it.
struct Shown {
    enum class Kind { Message, FileExists, Input, Choice, SaveFile, OpenFile };
    Kind kind = Kind::Message;
    std::string title;
    std::string text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    bool defaultNo = false;         // Yes/No whose default button is No
    std::vector<std::string> items; // choice lists
    FileDialogRequest file;         // file choosers
};

// Records every dialog and answers from queues. A question with an empty queue is
// answered No, any other dialog with an empty queue is cancelled.
class ScriptedDialogs : public Dialogs {
public:
    std::vector<Shown> shown;
    std::deque<Answer> answers;
    std::deque<FileExistsChoice> fileExistsChoices;
    std::deque<std::optional<std::string>> inputs;
    std::deque<std::optional<int>> choices;
    std::deque<std::optional<std::string>> files;

    Answer show(const MessageRequest& request) override;
    FileExistsChoice fileExists(const std::string& text) override;
    std::optional<std::string> inputText(const std::string& title, const std::string& prompt,
                                         const std::string& initial) override;
    std::optional<int> chooseFromList(const std::string& title, const std::string& label,
                                      const std::vector<std::string>& items, int selected) override;
    std::optional<std::string> saveFile(const FileDialogRequest& request) override;
    std::optional<std::string> openFile(const FileDialogRequest& request) override;

    // Texts of the message boxes only, in order.
    std::vector<std::string> messageTexts() const;
    const Shown& last() const;
    void clear() { shown.clear(); }
};

class FakeDesktop : public Desktop {
public:
    std::vector<std::string> openedFolders;
    std::vector<std::string> openedUrls;
    std::vector<std::string> openedPrograms;
    std::string clipboard;
    bool openFolder(const std::string& path) override {
        openedFolders.push_back(path);
        return true;
    }
    bool openUrl(const std::string& url) override {
        openedUrls.push_back(url);
        return true;
    }
    bool openProgram(const std::string& path) override {
        openedPrograms.push_back(path);
        return true;
    }
    void setClipboardText(const std::string& text) override { clipboard = text; }
};

} // namespace lw::test

#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lw {

enum class Icon { None, Information, Warning, Error, Question };
enum class Buttons { Ok, YesNo };
enum class Answer { Ok, Yes, No, Cancel };
// The four results of the file-exists dialog.
enum class FileExistsChoice { Append, Overwrite, NewFile, Cancel };

struct MessageRequest {
    std::string title;
    std::string text;
    Icon icon = Icon::None;
    Buttons buttons = Buttons::Ok;
    // Yes/No: Enter answers No (the question deletes or overwrites something).
    bool defaultNo = false;
};

// What a refused change, or a report, tells the user.
struct Refusal {
    std::string text;
    Icon icon = Icon::Warning;
};

struct FileDialogRequest {
    std::string title;
    std::string defaultExtension; // without the point, e.g. "csv"
    std::string filter;           // "description|*.csv" pairs joined by "|"
    std::string initialPath;      // folder and/or proposed file name
};

// Every modal question or message the core puts to the user. The desktop program
// shows real dialogs; tests answer from a script; the CLI prints and answers from
// its options.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    virtual Answer show(const MessageRequest& request) = 0;
    // The file-exists dialog with its label text.
    virtual FileExistsChoice fileExists(const std::string& text) = 0;
    // Text-input dialog; nullopt on Cancel.
    virtual std::optional<std::string>
    inputText(const std::string& title, const std::string& prompt, const std::string& initial) = 0;
    // Pick one entry of a drop-down list; nullopt on Cancel.
    virtual std::optional<int> chooseFromList(const std::string& title, const std::string& label,
                                              const std::vector<std::string>& items,
                                              int selected) = 0;
    virtual std::optional<std::string> saveFile(const FileDialogRequest& request) = 0;
    virtual std::optional<std::string> openFile(const FileDialogRequest& request) = 0;

    void message(const std::string& title, const std::string& text, Icon icon) {
        show({title, text, icon, Buttons::Ok});
    }
    // Yes/No question; true on Yes.
    bool question(const std::string& title, const std::string& text, Icon icon = Icon::Question) {
        return show({title, text, icon, Buttons::YesNo}) == Answer::Yes;
    }
    // A question before deleting or overwriting something: its default button is No.
    bool confirmDestructive(const std::string& title, const std::string& text,
                            Icon icon = Icon::Question) {
        return show({title, text, icon, Buttons::YesNo, true}) == Answer::Yes;
    }
};

} // namespace lw

#pragma once

#include "ui/dialogs.hpp"

#include <functional>
#include <iosfwd>

namespace lw {

// Dialogs for programs that run a window's logic with nobody to ask (benchmarks, the
// screenshot tool): messages and questions are printed as "[title] text" when a stream
// is given, questions get a fixed answer, text input, list choices and file choosers are
// cancelled.
class SilentDialogs : public Dialogs {
public:
    explicit SilentDialogs(std::ostream* messages = nullptr) : messages_(messages) {}

    // The answer to a Yes/No question; No when empty.
    std::function<Answer(const MessageRequest&)> answerQuestion;
    FileExistsChoice fileExistsChoice = FileExistsChoice::Cancel;

    Answer show(const MessageRequest& request) override;
    FileExistsChoice fileExists(const std::string& text) override;
    std::optional<std::string> inputText(const std::string&, const std::string&,
                                         const std::string&) override {
        return std::nullopt;
    }
    std::optional<int> chooseFromList(const std::string&, const std::string&,
                                      const std::vector<std::string>&, int) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFile(const FileDialogRequest&) override { return std::nullopt; }
    std::optional<std::string> openFile(const FileDialogRequest&) override { return std::nullopt; }

private:
    std::ostream* messages_;
};

} // namespace lw

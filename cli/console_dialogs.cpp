#include "console_dialogs.hpp"

#include <iostream>

namespace lw::cli {

Answer ConsoleDialogs::show(const MessageRequest& request) {
    std::cerr << "[" << request.title << "] " << request.text << "\n";
    // A question with the warning icon asks; only a message box reports.
    if ((request.icon == Icon::Error || request.icon == Icon::Warning) &&
        request.buttons == Buttons::Ok)
        sawFailure = true;
    if (request.buttons == Buttons::YesNo) {
        Answer a = answerYes ? Answer::Yes : Answer::No;
        std::cerr << (a == Answer::Yes ? "  -> 是" : "  -> 否") << "\n";
        return a;
    }
    return Answer::Ok;
}

FileExistsChoice ConsoleDialogs::fileExists(const std::string& text) {
    std::cerr << "[提示] " << text << "\n";
    return fileExistsChoice;
}

std::optional<std::string>
ConsoleDialogs::inputText(const std::string& title, const std::string& prompt, const std::string&) {
    if (inputs.empty())
        return std::nullopt;
    std::string value = inputs.front();
    inputs.pop_front();
    std::cerr << "[" << title << "] " << prompt << " " << value << "\n";
    return value;
}

std::optional<int> ConsoleDialogs::chooseFromList(const std::string&, const std::string&,
                                                  const std::vector<std::string>&, int) {
    if (choices.empty())
        return std::nullopt;
    int value = choices.front();
    choices.pop_front();
    return value;
}

std::optional<std::string> ConsoleDialogs::saveFile(const FileDialogRequest&) {
    if (files.empty())
        return std::nullopt;
    std::string value = files.front();
    files.pop_front();
    return value;
}

std::optional<std::string> ConsoleDialogs::openFile(const FileDialogRequest& request) {
    return saveFile(request);
}

bool ConsoleDesktop::openFolder(const std::string& path) {
    std::cout << "folder: " << path << "\n";
    return true;
}

bool ConsoleDesktop::openUrl(const std::string& url) {
    std::cout << "url: " << url << "\n";
    return true;
}

bool ConsoleDesktop::openProgram(const std::string& path) {
    std::cout << "program: " << path << "\n";
    return true;
}

void ConsoleDesktop::setClipboardText(const std::string& text) {
    clipboard = text;
    std::cout << text;
    if (!text.empty() && text.back() != '\n')
        std::cout << "\n";
}

} // namespace lw::cli

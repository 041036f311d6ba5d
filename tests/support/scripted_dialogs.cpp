#include "scripted_dialogs.hpp"

#include <stdexcept>

namespace lw::test {

Answer ScriptedDialogs::show(const MessageRequest& request) {
    Shown s;
    s.title = request.title;
    s.text = request.text;
    s.icon = request.icon;
    s.buttons = request.buttons;
    s.defaultNo = request.defaultNo;
    shown.push_back(s);
    if (request.buttons == Buttons::Ok)
        return Answer::Ok;
    if (answers.empty())
        return Answer::No;
    Answer a = answers.front();
    answers.pop_front();
    return a;
}

FileExistsChoice ScriptedDialogs::fileExists(const std::string& text) {
    Shown s;
    s.kind = Shown::Kind::FileExists;
    s.title = "提示";
    s.text = text;
    shown.push_back(s);
    if (fileExistsChoices.empty())
        return FileExistsChoice::Cancel;
    FileExistsChoice c = fileExistsChoices.front();
    fileExistsChoices.pop_front();
    return c;
}

std::optional<std::string> ScriptedDialogs::inputText(const std::string& title,
                                                      const std::string& prompt,
                                                      const std::string& initial) {
    Shown s;
    s.kind = Shown::Kind::Input;
    s.title = title;
    s.text = prompt;
    s.items = {initial};
    shown.push_back(s);
    if (inputs.empty())
        return std::nullopt;
    auto v = inputs.front();
    inputs.pop_front();
    return v;
}

std::optional<int> ScriptedDialogs::chooseFromList(const std::string& title,
                                                   const std::string& label,
                                                   const std::vector<std::string>& items, int) {
    Shown s;
    s.kind = Shown::Kind::Choice;
    s.title = title;
    s.text = label;
    s.items = items;
    shown.push_back(s);
    if (choices.empty())
        return std::nullopt;
    auto v = choices.front();
    choices.pop_front();
    return v;
}

std::optional<std::string> ScriptedDialogs::saveFile(const FileDialogRequest& request) {
    Shown s;
    s.kind = Shown::Kind::SaveFile;
    s.title = request.title;
    s.file = request;
    shown.push_back(s);
    if (files.empty())
        return std::nullopt;
    auto v = files.front();
    files.pop_front();
    return v;
}

std::optional<std::string> ScriptedDialogs::openFile(const FileDialogRequest& request) {
    Shown s;
    s.kind = Shown::Kind::OpenFile;
    s.title = request.title;
    s.file = request;
    shown.push_back(s);
    if (files.empty())
        return std::nullopt;
    auto v = files.front();
    files.pop_front();
    return v;
}

std::vector<std::string> ScriptedDialogs::messageTexts() const {
    std::vector<std::string> out;
    for (const auto& s : shown)
        if (s.kind == Shown::Kind::Message)
            out.push_back(s.text);
    return out;
}

const Shown& ScriptedDialogs::last() const {
    if (shown.empty())
        throw std::logic_error("no dialog was shown");
    return shown.back();
}

} // namespace lw::test

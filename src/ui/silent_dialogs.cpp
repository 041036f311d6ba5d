#include "ui/silent_dialogs.hpp"

#include <ostream>

namespace lw {

Answer SilentDialogs::show(const MessageRequest& request) {
    if (messages_)
        *messages_ << "[" << request.title << "] " << request.text << "\n";
    if (request.buttons == Buttons::YesNo)
        return answerQuestion ? answerQuestion(request) : Answer::No;
    return Answer::Ok;
}

FileExistsChoice SilentDialogs::fileExists(const std::string&) {
    return fileExistsChoice;
}

} // namespace lw

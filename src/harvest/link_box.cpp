#include "harvest/link_box.hpp"

#include "store/text_routines.hpp"

namespace lw {

bool LinkBox::containsNoCase(std::string_view text) const {
    return lowered_.count(lowerAscii(text)) > 0;
}

bool LinkBox::appendUnique(const std::string& text) {
    if (containsNoCase(text))
        return false;
    append(text);
    return true;
}

void LinkBox::append(const std::string& text) {
    lines_.push_back(text);
    lowered_.insert(lowerAscii(text));
}

void LinkBox::clear() {
    lines_.clear();
    lowered_.clear();
}

std::string LinkBox::text() const {
    std::string out;
    for (size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0)
            out += "\r\n";
        out += lines_[i];
    }
    return out;
}

void LinkBox::setText(std::string_view text) {
    clear();
    if (text.empty())
        return;
    std::vector<std::string> pieces = splitText(text, "\n");
    // A final line break ends the last line; it does not start another.
    if (pieces.size() > 1 && pieces.back().empty())
        pieces.pop_back();
    for (std::string line : pieces) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        append(line);
    }
}

} // namespace lw

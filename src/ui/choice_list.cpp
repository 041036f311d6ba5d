#include "ui/choice_list.hpp"

#include <algorithm>

namespace lw {
namespace {

std::string lowered(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; });
    return text;
}

} // namespace

std::string ChoiceList::text() const {
    if (selected < 0 || selected >= static_cast<int>(names.size()))
        return {};
    return names[static_cast<size_t>(selected)];
}

std::string ChoiceList::value() const {
    if (selected < 0 || selected >= static_cast<int>(values.size()))
        return {};
    return values[static_cast<size_t>(selected)];
}

int ChoiceList::indexOfNoCase(const std::string& text) const {
    std::string wanted = lowered(text);
    for (size_t i = 0; i < names.size(); ++i)
        if (lowered(names[i]) == wanted)
            return static_cast<int>(i);
    return -1;
}

} // namespace lw

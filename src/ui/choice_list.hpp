#pragma once

#include <string>
#include <vector>

namespace lw {

// The entries of a drop-down list: each shown by name and carrying a value.
struct ChoiceList {
    std::vector<std::string> names;
    std::vector<std::string> values; // one for each name
    int selected = -1;

    // The selected entry's name, or empty.
    std::string text() const;
    // The selected entry's value, or empty.
    std::string value() const;
    // The first entry whose name equals text, letter case ignored; -1 when none.
    int indexOfNoCase(const std::string& text) const;
};

} // namespace lw

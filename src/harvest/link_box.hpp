#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace lw {

// The harvest window's link box: one Link Line per line. A set of the lower-cased
// lines stands beside them so the duplicate test stays cheap on large searches.
class LinkBox {
public:
    const std::vector<std::string>& lines() const { return lines_; }
    size_t lineCount() const { return lines_.size(); }
    // True when no line equals text without regard to letter case.
    bool containsNoCase(std::string_view text) const;
    // Appends text unless an equal line (letter case aside) is there already.
    bool appendUnique(const std::string& text);
    void append(const std::string& text);
    void clear();
    // The box as one text, lines joined by CR LF; setText splits at LF and drops CR.
    std::string text() const;
    void setText(std::string_view text);

private:
    std::vector<std::string> lines_;
    std::unordered_multiset<std::string> lowered_;
};

} // namespace lw

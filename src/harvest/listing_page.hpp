#pragma once

#include "harvest/link_box.hpp"
#include "harvest/site.hpp"

#include <functional>
#include <string>
#include <string_view>

namespace lw {

// What the harvest window keeps between listing pages.
struct SearchState {
    int offerCount = 0;
    int pageCount = 0;
    int currentPage = 1;
    // Listed items without an offer link of digits: skipped, but listed by the site.
    int skippedItems = 0;
};

// How one listing page ends for the window.
enum class PageOutcome {
    NextPage,     // current page advanced; re-arm the timer
    NoResult,     // information box, hide the panel, end
    EmptySection, // information box (leading full stop), hide the panel, end
    Complete,     // ask whether to add everything found
    Short,        // a later page could not be read: ask whether to add what was found
    Failed,       // nothing found, the page could not be read: error box, hide the panel, end
    Stalled,      // ends silently; the panel stays until "取消"
    Error,        // "错误" box with message; the panel stays until "取消"
};

struct PageResult {
    PageOutcome outcome = PageOutcome::Stalled;
    std::string message; // the text to show or ask
};

// Reads one listing page: counts, the offer section of either layout, one Link Line
// per item into the box, and the next-page decision. progress receives the progress
// text before each item; log receives the whole page.
PageResult readListingPage(std::string_view page, SearchState& state, LinkBox& box,
                           const std::function<void(const std::string&)>& progress = {},
                           const std::function<void(const std::string&)>& log = {});

// A page that could not be read (reason in words, e.g. the network failure): Failed
// while nothing was found, else Short, offering the lines found so far.
PageResult readUnreadablePage(const std::string& reason, const SearchState& state,
                              const LinkBox& box);

// Integer conversion of a count text; false (with the error message) when it is not
// an integer.
bool parseCount(std::string_view text, int& value, std::string& error);

// The page as UTF-8: decoded from the charset the answer declares (Content-Type
// header, else a meta tag), GBK when none is declared.
std::string decodeListingPage(std::string_view bytes, std::string_view contentType);

} // namespace lw

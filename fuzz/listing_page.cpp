// A supplier's listing page, read as the harvest window reads it page after page.
#include "harvest/listing_page.hpp"

#include "harvest/link_box.hpp"
#include "harvest/link_lines.hpp"
#include "require.hpp"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view page(reinterpret_cast<const char*>(data), size);

    lw::SearchState state;
    lw::LinkBox box;
    // The same page twice: the second read sees the first one's lines and state.
    for (int round = 0; round < 2; ++round) {
        lw::PageResult result = lw::readListingPage(page, state, box);
        if (result.outcome != lw::PageOutcome::NextPage)
            break;
    }
    for (const std::string& line : box.lines()) {
        lw::LinkLine parsed = lw::parseLinkLine(line);
        require(parsed.address.rfind(lw::kOfferPrefix, 0) == 0, "harvested line is an offer");
    }
    return 0;
}

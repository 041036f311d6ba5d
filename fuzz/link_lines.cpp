// The link box of the main window: split into Link Lines, auto-corrected, checked and
// taken apart as the add step does.
#include "harvest/link_lines.hpp"

#include "store/text_routines.hpp"

#include <cstddef>
#include <cstdint>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string box(reinterpret_cast<const char*>(data), size);

    std::vector<std::string> lines = lw::splitLinkBox(box);
    lw::checkLinkLines(lines);
    lw::autoCorrectLinkLines(lines);
    lw::checkLinkLines(lines);
    for (const std::string& line : lines)
        lw::parseLinkLine(lw::trim(line));
    return 0;
}

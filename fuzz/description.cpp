// An offer's description: its picture addresses collected, each pointed at a local
// file in the description folder, then the entities and links cleaned up.
#include "package/picture_names.hpp"
#include "require.hpp"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string description(reinterpret_cast<const char*>(data), size);
    const std::string folder = "/tmp/desc";

    auto addresses = lw::collectDescriptionAddresses(description);
    require(addresses.has_value(), "collecting without a stop ends with addresses");
    std::vector<lw::AddressChange> changes;
    for (const std::string& address : *addresses) {
        if (address.empty())
            continue;
        std::string name = lw::descriptionPictureName(address);
        if (name.empty())
            continue;
        // The picture file must stay inside the description folder.
        require(name.find_first_of("/\\:") == std::string::npos, "plain picture name");
        require(name != "." && name != "..", "picture name is not a folder");
        changes.push_back({address, lw::localPictureAddress(folder, name)});
    }
    std::size_t longest = 0;
    for (const lw::AddressChange& change : changes)
        longest = std::max(longest, change.local.size());
    description = lw::pointAtLocalPictures(description, changes);
    require(description.size() <= size * (longest + 1), "rewriting grows the text linearly");
    std::string kept = description;
    lw::cleanDescriptionText(description, false);
    lw::cleanDescriptionText(kept, true);
    return 0;
}

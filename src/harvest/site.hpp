#pragma once

#include <string_view>

namespace lw {

// The wholesale site: the offer address prefix, the domain that every shop address
// holds, and the example shop address of the harvest window's message.
inline constexpr std::string_view kOfferPrefix = "http://detail.1688.com/offer/";
inline constexpr std::string_view kShopDomain = "1688.com";
inline constexpr std::string_view kExampleShop = "http://shop1234567890.1688.com";

// An offer id is digits only: anything else fails later in the download run.
inline bool isOfferId(std::string_view id) {
    if (id.empty())
        return false;
    for (char c : id)
        if (c < '0' || c > '9')
            return false;
    return true;
}

} // namespace lw

#pragma once

#include <nlohmann/json.hpp>

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// Offer answers keep the member order of the supplier's JSON, so that a member read as
// compact JSON text (priceRanges, productFeatureList) reads as it was sent.
using OfferJson = nlohmann::ordered_json;

struct OfferFeature {
    std::string name;
    std::string value;
    bool operator==(const OfferFeature&) const = default;
};

// One offer, as read from its answer; lives while the offer is processed.
struct OfferRecord {
    std::string title;         // subject
    std::string description;   // details (HTML)
    std::string offerId;       // offerId
    std::string postCategryId; // only logged
    std::string amountOnSale;  // only logged
    std::string priceRanges;   // compact JSON text
    std::string jsonPrice;     // first price of priceRanges, a number as its decimal text
    std::string featureListText;
    std::string categoryText;  // feature "产品类别"
    std::string gender;        // feature "适用性别"
    std::string articleNumber; // feature "货号"
    std::vector<OfferFeature> features;
};

// The outcome of reading an answer. offer is set once the offer object was parsed;
// failure holds the message of what went wrong (empty when nothing did), in which case
// record keeps the values read before it.
struct AnswerReading {
    OfferRecord record;
    std::optional<OfferJson> offer;
    std::string failure;
    // The category and properties are mapped only for a fully read offer.
    bool complete() const { return offer.has_value() && failure.empty(); }
};

// The answer is a JSON value that may be followed by XML-tagged extras; returns the
// length of that first value (the whole text when it cannot tell).
std::size_t firstJsonValueLength(std::string_view answer);

// A member read as text: a string gives its value, a number or true/false its text, an
// array or object its compact JSON text, a missing member or null the empty text.
// Throws std::runtime_error when value is not an object.
std::string memberText(const OfferJson& value, const std::string& name);

// result -> toReturn (first and last character cut) -> offer object -> its members.
AnswerReading readOfferAnswer(std::string_view answer);

// Addresses of imageList's originalImageURI, with every "\/" made "/"; an empty list
// when there is no offer object or imageList cannot be read.
std::vector<std::string> imageAddresses(const std::optional<OfferJson>& offer);

// The JSON price, unless the page price is asked for and the offer id is in the run's
// offer-id list: then the page price of the list item at that position.
std::string decidePrice(const std::string& jsonPrice, const std::string& offerId, bool usePagePrice,
                        const std::vector<std::string>& runOfferIds,
                        const std::function<std::string(std::size_t)>& pagePriceAt);

// The tags read from the raw answer text, mapped to the values of the package columns.
struct AnswerTags {
    std::string autoFill;
    std::string nick;
    std::string features;
    std::string globalStockType;
    std::string subStockType;
    std::string itemSize;
    std::string itemWeight;
    std::string sellPromise;
    bool operator==(const AnswerTags&) const = default;
};

AnswerTags readAnswerTags(std::string_view answer);

} // namespace lw

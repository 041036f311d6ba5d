#pragma once

#include "package/offer_record.hpp"

#include <compare>
#include <functional>
#include <string>
#include <vector>

namespace lw {

// The "<pid>" and "<vid>" texts of a value look-up; empty when not found.
struct ValueIds {
    std::string pid;
    std::string vid;
};

// One look-up: with pid empty the id of the property called name, else the ids of the
// value called name of property pid; both in category cid.
struct LookupKey {
    std::string cid;
    std::string pid;
    std::string name;
    auto operator<=>(const LookupKey&) const = default;
};

// The Relay's Property Look-ups, as the mapping needs them. A look-up that fails
// (network error, error status, time-out) answers as "not found": empty texts.
class PropertyLookup {
public:
    virtual ~PropertyLookup() = default;
    // The pid of the property called name in category cid.
    virtual std::string propertyId(const std::string& cid, const std::string& name) = 0;
    // The ids of the value called name of property pid in category cid.
    virtual ValueIds valueIds(const std::string& cid, const std::string& pid,
                              const std::string& name) = 0;
    // The look-ups the mapping is about to ask, so that they can be asked together; the
    // calls above then take their answers. By default nothing is asked ahead.
    virtual void prefetch(const std::vector<LookupKey>& keys) { (void)keys; }
    // The property id known for (cid, name) without asking (brought by a prefetch, or
    // remembered), not counting as asked; empty when none is.
    virtual std::string prefetchedPropertyId(const std::string& cid, const std::string& name) {
        (void)cid;
        (void)name;
        return {};
    }
};

// The value look-ups mapProperties will ask once the property ids are known
// (propertyIdOf answers them), each once: every value of an ordinary feature, the
// colours and the sizes.
std::vector<LookupKey>
plannedValueLookups(const std::string& cid, const std::vector<OfferFeature>& features,
                    const std::function<std::string(const std::string& name)>& propertyIdOf);

// The Taobao property texts of one offer's package row.
struct PropertyMapping {
    std::string cateProps;   // pid:vid pairs joined by ";"
    std::string skuProps;    // price:1::spid:svid;cpid:cvid; per SKU, nothing between
    std::string propAlias;   // cpid:cvid:colour joined by ";"
    std::string inputPids;   // the brand's pid when the brand is not a known value
    std::string inputValues; // brand;型号;article number in that case
    std::string num = "0";   // number of SKU entries
    bool operator==(const PropertyMapping&) const = default;
};

// Walks the features in order: colours ("颜色...") and sizes ("尺码...") are kept for
// the SKU entries, every other feature found as a value goes into cateProps, an unknown
// "品牌" becomes the user input. Then every colour with every size makes one SKU entry.
// A colour whose value is not found contributes nothing, not even its sizes.
PropertyMapping mapProperties(PropertyLookup& lookup, const std::string& cid,
                              const std::vector<OfferFeature>& features,
                              const std::string& articleNumber, const std::string& price);

} // namespace lw

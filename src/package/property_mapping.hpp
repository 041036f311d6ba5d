#pragma once

#include "package/offer_record.hpp"

#include <string>
#include <vector>

namespace lw {

// The "<pid>" and "<vid>" texts of a value look-up; empty when not found.
struct ValueIds {
    std::string pid;
    std::string vid;
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
};

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

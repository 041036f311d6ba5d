#include "package/property_mapping.hpp"

#include "store/text_routines.hpp"

#include <algorithm>

namespace lw {
namespace {

void appendItem(std::string& list, const std::string& item) {
    if (!list.empty())
        list += ';';
    list += item;
}

bool startsWithNoCase(const std::string& text, const std::string& prefix) {
    return lowerAscii(text.substr(0, prefix.size())) == lowerAscii(prefix);
}

bool isColour(const std::string& name) {
    return startsWithNoCase(name, "颜色");
}

bool isSize(const std::string& name) {
    return startsWithNoCase(name, "尺码");
}

// Supplier text inside a list field: its separators become their full-width forms, so
// the text can never add an entry or a pair of its own.
std::string supplierText(const std::string& text) {
    return replaceAll(replaceAll(replaceAll(text, ";", "；"), ":", "："), ",", "，");
}

} // namespace

std::vector<LookupKey>
plannedValueLookups(const std::string& cid, const std::vector<OfferFeature>& features,
                    const std::function<std::string(const std::string& name)>& propertyIdOf) {
    std::vector<LookupKey> keys;
    auto add = [&keys, &cid](const std::string& pid, const std::string& name) {
        LookupKey key{cid, pid, name};
        if (std::find(keys.begin(), keys.end(), key) == keys.end())
            keys.push_back(std::move(key));
    };
    // As the walk below keeps them: the last colour and the last size feature count.
    std::vector<std::string> colours;
    std::vector<std::string> sizes;
    std::string colourPid;
    std::string sizePid;
    for (const OfferFeature& f : features) {
        std::string pid = propertyIdOf(f.name);
        if (pid.empty() || f.value.empty())
            continue;
        if (isColour(f.name)) {
            colours = splitText(f.value, "|");
            colourPid = pid;
        } else if (isSize(f.name)) {
            sizes = splitText(f.value, "|");
            sizePid = pid;
        } else {
            add(pid, f.value);
        }
    }
    for (const std::string& colour : colours)
        add(colourPid, colour);
    // Asked with the colours, before it is known whether any colour is found: one round
    // trip less for the usual offer.
    if (!colours.empty())
        for (const std::string& size : sizes)
            add(sizePid, size);
    return keys;
}

PropertyMapping mapProperties(PropertyLookup& lookup, const std::string& cid,
                              const std::vector<OfferFeature>& features,
                              const std::string& articleNumber, const std::string& price) {
    // Everything the walk asks goes out ahead, together: the property ids with the
    // values of the ids already known, then the values of the ids just found.
    auto knownId = [&lookup, &cid](const std::string& name) {
        return lookup.prefetchedPropertyId(cid, name);
    };
    std::vector<LookupKey> first;
    for (const OfferFeature& f : features) {
        LookupKey key{cid, "", f.name};
        if (std::find(first.begin(), first.end(), key) == first.end())
            first.push_back(std::move(key));
    }
    for (LookupKey& key : plannedValueLookups(cid, features, knownId))
        first.push_back(std::move(key));
    lookup.prefetch(first);
    lookup.prefetch(plannedValueLookups(cid, features, knownId));

    PropertyMapping m;
    std::vector<std::string> colours;
    std::vector<std::string> sizes;
    std::string colourPid;
    std::string sizePid;
    for (const OfferFeature& f : features) {
        std::string pid = lookup.propertyId(cid, f.name);
        if (pid.empty() || f.value.empty())
            continue;
        if (isColour(f.name)) {
            colours = splitText(f.value, "|");
            colourPid = pid;
        } else if (isSize(f.name)) {
            sizes = splitText(f.value, "|");
            sizePid = pid;
        } else {
            ValueIds ids = lookup.valueIds(cid, pid, f.value);
            if (!ids.vid.empty()) {
                appendItem(m.cateProps, ids.pid + ":" + ids.vid);
            } else if (f.name == "品牌") {
                m.inputPids = pid;
                m.inputValues = supplierText(f.value) + ";型号;" + supplierText(articleNumber);
            }
        }
    }

    int skuCount = 0;
    for (const std::string& colour : colours) {
        std::string vid = lookup.valueIds(cid, colourPid, colour).vid;
        // Without its own pair a colour cannot carry SKU entries.
        if (vid.empty())
            continue;
        const std::string pair = colourPid + ":" + vid;
        appendItem(m.cateProps, pair);
        appendItem(m.propAlias, pair + ":" + supplierText(colour));
        for (const std::string& size : sizes) {
            ValueIds ids = lookup.valueIds(cid, sizePid, size);
            if (ids.vid.empty())
                continue;
            ++skuCount;
            m.skuProps += price + ":1::" + ids.pid + ":" + ids.vid + ";" + pair + ";";
            appendItem(m.cateProps, ids.pid + ":" + ids.vid);
        }
    }
    m.num = std::to_string(skuCount);
    return m;
}

} // namespace lw

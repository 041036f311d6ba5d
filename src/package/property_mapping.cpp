#include "package/property_mapping.hpp"

#include "store/text_routines.hpp"

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

} // namespace

PropertyMapping mapProperties(PropertyLookup& lookup, const std::string& cid,
                              const std::vector<OfferFeature>& features,
                              const std::string& articleNumber, const std::string& price) {
    PropertyMapping m;
    std::vector<std::string> colours;
    std::vector<std::string> sizes;
    std::string colourPid;
    std::string sizePid;
    for (const OfferFeature& f : features) {
        std::string pid = lookup.propertyId(cid, f.name);
        if (pid.empty() || f.value.empty())
            continue;
        if (startsWithNoCase(f.name, "颜色")) {
            colours = splitText(f.value, "|");
            colourPid = pid;
        } else if (startsWithNoCase(f.name, "尺码")) {
            sizes = splitText(f.value, "|");
            sizePid = pid;
        } else {
            ValueIds ids = lookup.valueIds(cid, pid, f.value);
            if (!ids.vid.empty()) {
                appendItem(m.cateProps, ids.pid + ":" + ids.vid);
            } else if (f.name == "品牌") {
                m.inputPids = pid;
                m.inputValues = f.value + ";型号;" + articleNumber;
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
        appendItem(m.propAlias, pair + ":" + colour);
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

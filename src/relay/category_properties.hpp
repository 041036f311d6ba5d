#pragma once

#include "relay/xml_reader.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace lw::relay {

struct PropertyValue {
    std::string vid;
    std::string name;
    std::string alias; // name_alias, empty when none
};

struct CategoryProperty {
    std::string pid;
    std::string name;
    bool isColor = false; // is_color_prop
    bool isSale = false;  // is_sale_prop
    // The itemprops answer carried this property's values; when not (brands: too many),
    // they are asked apart and valuesFetched says they are in.
    bool valuesInline = false;
    bool valuesFetched = false;
    std::vector<PropertyValue> values;

    bool valuesKnown() const { return valuesInline || valuesFetched; }
};

// What the Relay keeps of one category: its properties with their standard values.
struct CategoryProperties {
    std::string cid;
    std::int64_t fetchedAt = 0; // seconds since the epoch
    std::vector<CategoryProperty> properties;

    const CategoryProperty* property(const std::string& pid) const;
    CategoryProperty* property(const std::string& pid);
};

// The fields asked of taobao.itemprops.get and taobao.itempropvalues.get.
extern const char* const kItemPropsFields;
extern const char* const kItemPropValuesFields;

// From the response element of taobao.itemprops.get; properties whose status is not
// "normal" are left out.
CategoryProperties propertiesFromAnswer(const std::string& cid, const XmlElement& answer);
// The values of a taobao.itempropvalues.get response element, for the property pid.
std::vector<PropertyValue> valuesFromAnswer(const std::string& pid, const XmlElement& answer);

// The form kept in the database, and back (nullopt for a text that is not that form).
std::string propertiesToJson(const CategoryProperties& properties);
std::optional<CategoryProperties> propertiesFromJson(const std::string& json);

} // namespace lw::relay

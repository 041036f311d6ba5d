#pragma once

#include "relay/category_properties.hpp"

#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace lw::relay {

// Taobao's brand property, the same in every category.
inline constexpr const char* kBrandPid = "20000";

// The category's property for a name as the program sends it: the exact name first;
// then a name starting "颜色" means the colour property whatever it is called there
// (颜色分类, 主要颜色 ...), "尺码" or "尺寸" the size property, "品牌" the brand.
const CategoryProperty* matchProperty(const CategoryProperties& category, const std::string& name);

// The standard value of a name: exact name, then alias, then both compared normalised.
const PropertyValue* matchValue(const CategoryProperty& property, const std::string& name);

// Blanks trimmed (the ideographic blank too), full-width letters, digits and signs as
// half-width, Latin letters lowered: "Ｘ Ｌ " and "xl" compare equal this way.
std::string normaliseValueName(std::string_view name);

// The size property: a sale property, not the colour, called 尺码 or 尺寸 or the like.
bool isSizeProperty(const CategoryProperty& property);
// Unmatched names of these get a spare standard value, so that no SKU is lost.
bool takesSpareValues(const CategoryProperty& property);

// A standard value to stand for a name that has none: from the end of the list, the
// first that no other name took already (takenVids). nullopt when all are taken.
std::optional<std::string> pickSpareValue(const CategoryProperty& property,
                                          const std::set<std::string>& takenVids);

} // namespace lw::relay

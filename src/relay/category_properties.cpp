#include "relay/category_properties.hpp"

#include <nlohmann/json.hpp>

namespace lw::relay {
namespace {

bool isTrue(const std::string& text) {
    return text == "true" || text == "1";
}

// A status the platform gave and that is not "normal" (deleted values and properties).
bool isWithdrawn(const XmlElement& element) {
    std::string status = element.childText("status");
    return !status.empty() && status != "normal";
}

std::vector<PropertyValue> valuesOf(const XmlElement& list) {
    std::vector<PropertyValue> values;
    for (const XmlElement* v : list.childrenNamed("prop_value")) {
        if (isWithdrawn(*v) || v->childText("vid").empty())
            continue;
        values.push_back({v->childText("vid"), v->childText("name"), v->childText("name_alias")});
    }
    return values;
}

} // namespace

const char* const kItemPropsFields = "pid,name,is_color_prop,is_sale_prop,is_key_prop,is_enum_prop,"
                                     "is_input_prop,is_allow_alias,must,multi,status,sort_order,"
                                     "prop_values";
const char* const kItemPropValuesFields = "cid,pid,prop_name,vid,name,name_alias,status,sort_order";

const CategoryProperty* CategoryProperties::property(const std::string& pid) const {
    for (const CategoryProperty& p : properties)
        if (p.pid == pid)
            return &p;
    return nullptr;
}

CategoryProperty* CategoryProperties::property(const std::string& pid) {
    for (CategoryProperty& p : properties)
        if (p.pid == pid)
            return &p;
    return nullptr;
}

CategoryProperties propertiesFromAnswer(const std::string& cid, const XmlElement& answer) {
    CategoryProperties result;
    result.cid = cid;
    const XmlElement* list = answer.child("item_props");
    if (!list)
        return result;
    for (const XmlElement* p : list->childrenNamed("item_prop")) {
        if (isWithdrawn(*p) || p->childText("pid").empty())
            continue;
        CategoryProperty property;
        property.pid = p->childText("pid");
        property.name = p->childText("name");
        property.isColor = isTrue(p->childText("is_color_prop"));
        property.isSale = isTrue(p->childText("is_sale_prop"));
        if (const XmlElement* values = p->child("prop_values")) {
            property.valuesInline = true;
            property.values = valuesOf(*values);
        }
        result.properties.push_back(std::move(property));
    }
    return result;
}

std::vector<PropertyValue> valuesFromAnswer(const std::string& pid, const XmlElement& answer) {
    std::vector<PropertyValue> values;
    const XmlElement* list = answer.child("prop_values");
    if (!list)
        return values;
    for (const XmlElement* v : list->childrenNamed("prop_value")) {
        std::string valuePid = v->childText("pid");
        if (!valuePid.empty() && valuePid != pid)
            continue;
        if (isWithdrawn(*v) || v->childText("vid").empty())
            continue;
        values.push_back({v->childText("vid"), v->childText("name"), v->childText("name_alias")});
    }
    return values;
}

std::string propertiesToJson(const CategoryProperties& properties) {
    nlohmann::json props = nlohmann::json::array();
    for (const CategoryProperty& p : properties.properties) {
        nlohmann::json values = nlohmann::json::array();
        for (const PropertyValue& v : p.values)
            values.push_back({v.vid, v.name, v.alias});
        props.push_back({{"pid", p.pid},
                         {"name", p.name},
                         {"color", p.isColor},
                         {"sale", p.isSale},
                         {"inline", p.valuesInline},
                         {"fetched", p.valuesFetched},
                         {"values", values}});
    }
    return nlohmann::json{{"cid", properties.cid}, {"properties", props}}.dump();
}

std::optional<CategoryProperties> propertiesFromJson(const std::string& json) {
    nlohmann::json doc = nlohmann::json::parse(json, nullptr, false);
    if (doc.is_discarded() || !doc.is_object())
        return std::nullopt;
    try {
        CategoryProperties result;
        result.cid = doc.at("cid").get<std::string>();
        for (const nlohmann::json& p : doc.at("properties")) {
            CategoryProperty property;
            property.pid = p.at("pid").get<std::string>();
            property.name = p.at("name").get<std::string>();
            property.isColor = p.at("color").get<bool>();
            property.isSale = p.at("sale").get<bool>();
            property.valuesInline = p.at("inline").get<bool>();
            property.valuesFetched = p.at("fetched").get<bool>();
            for (const nlohmann::json& v : p.at("values"))
                property.values.push_back({v.at(0).get<std::string>(), v.at(1).get<std::string>(),
                                           v.at(2).get<std::string>()});
            result.properties.push_back(std::move(property));
        }
        return result;
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

} // namespace lw::relay

#include "top_router.hpp"

#include "category_fixtures.hpp"
#include "response_tree.hpp"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <vector>

namespace gatewaysim {
namespace {

const char* const kLastModified = "2026-01-01 00:00:00";
const size_t kMostCids = 1000;

std::string paramOf(const Params& params, const std::string& name) {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

bool has(const Params& params, const std::string& name) {
    return params.count(name) > 0;
}

bool isBlank(const std::string& text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

bool isNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string trim(const std::string& text) {
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ')
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ')
        --end;
    return text.substr(begin, end - begin);
}

std::vector<std::string> splitTrimmed(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= text.size()) {
        size_t at = text.find(separator, start);
        if (at == std::string::npos)
            at = text.size();
        std::string part = trim(text.substr(start, at - start));
        if (!part.empty())
            parts.push_back(part);
        start = at + 1;
    }
    return parts;
}

long long orderOf(const std::string& sortOrder) {
    return isNumber(sortOrder) && sortOrder.size() < 18 ? std::atoll(sortOrder.c_str()) : 0;
}

// The fields a call asks for; fallback when it names none.
std::vector<std::string> fieldsOf(const Params& params, const std::string& fallback) {
    std::string fields = paramOf(params, "fields");
    return splitTrimmed(fields.empty() ? fallback : fields, ',');
}

bool wants(const std::vector<std::string>& fields, const std::string& field) {
    return std::find(fields.begin(), fields.end(), field) != fields.end();
}

// "taobao.itemprops.get" answers in "itemprops_get_response".
std::string responseName(std::string method) {
    if (method.rfind("taobao.", 0) == 0)
        method.erase(0, 7);
    std::replace(method.begin(), method.end(), '.', '_');
    return method + "_response";
}

TopAnswer ok(const TopCall& call, Node body) {
    std::string method = paramOf(call.params, "method");
    body.add("request_id", Node::textValue(call.requestId));
    if (paramOf(call.params, "format") == "json")
        return {"application/json;charset=UTF-8", writeJson(responseName(method), body), "ok"};
    return {"text/xml;charset=UTF-8", writeXml(responseName(method), body), "ok"};
}

TopAnswer refuse(const TopCall& call, int code, const std::string& msg,
                 const std::string& subCode = {}, const std::string& subMsg = {}) {
    return topErrorAnswer(call.params, code, msg, subCode, subMsg, call.requestId);
}

TopAnswer invalidArgument(const TopCall& call, const std::string& name) {
    return refuse(call, 41, "Invalid Arguments", "isv.invalid-parameter",
                  "client-error:Invalid arguments:" + name);
}

// --- taobao.itemprops.get --------------------------------------------------------------

Node propValuesOf(const std::vector<ValueRow>& values, const PropRow& prop) {
    std::vector<const ValueRow*> own;
    for (const auto& value : values)
        if (value.cid == prop.cid && value.pid == prop.pid)
            own.push_back(&value);
    std::stable_sort(own.begin(), own.end(), [](const ValueRow* a, const ValueRow* b) {
        return orderOf(a->sortOrder) < orderOf(b->sortOrder);
    });
    Node list = Node::list("prop_value");
    for (const auto* value : own) {
        Node item;
        item.add("name", Node::textValue(value->name));
        if (!value->nameAlias.empty())
            item.add("name_alias", Node::textValue(value->nameAlias));
        item.add("vid", Node::number(value->vid));
        list.items.push_back(std::move(item));
    }
    return list;
}

TopAnswer itemProps(const TopCall& call) {
    std::string cid = paramOf(call.params, "cid");
    std::string pid = paramOf(call.params, "pid");
    if (!isNumber(cid))
        return invalidArgument(call, "cid");
    if (has(call.params, "pid") && !isNumber(pid))
        return invalidArgument(call, "pid");
    auto fields = fieldsOf(call.params, "pid,name,must,multi,prop_values");

    std::vector<PropRow> props;
    for (auto& prop : readProps(call.fixtures))
        if (prop.cid == cid && (pid.empty() || prop.pid == pid))
            props.push_back(std::move(prop));
    std::stable_sort(props.begin(), props.end(), [](const PropRow& a, const PropRow& b) {
        return orderOf(a.sortOrder) < orderOf(b.sortOrder);
    });
    std::vector<ValueRow> values;
    if (wants(fields, "prop_values") && !props.empty())
        values = readValues(call.fixtures);

    Node list = Node::list("item_prop");
    for (const auto& prop : props) {
        Node item;
        auto flag = [&](const char* field, bool value) {
            if (wants(fields, field))
                item.add(field, Node::boolean(value));
        };
        if (wants(fields, "pid"))
            item.add("pid", Node::number(prop.pid));
        if (wants(fields, "name"))
            item.add("name", Node::textValue(prop.name));
        flag("must", prop.has("must"));
        flag("multi", prop.has("multi"));
        flag("is_color_prop", prop.has("color"));
        flag("is_sale_prop", prop.has("sale"));
        flag("is_key_prop", prop.has("key"));
        flag("is_enum_prop", prop.has("enum"));
        flag("is_input_prop", prop.has("input"));
        // Sale properties (colours, sizes) take the seller's own names for their values.
        flag("is_allow_alias", prop.has("sale"));
        if (wants(fields, "status"))
            item.add("status", Node::textValue("normal"));
        if (wants(fields, "sort_order"))
            item.add("sort_order", Node::number(prop.sortOrder));
        if (wants(fields, "parent_pid"))
            item.add("parent_pid", Node::number("0"));
        if (wants(fields, "parent_vid"))
            item.add("parent_vid", Node::number("0"));
        // Properties with very long value lists (brands) leave them to itempropvalues.get.
        if (wants(fields, "prop_values") && !prop.has("values-apart")) {
            Node propValues = propValuesOf(values, prop);
            if (!propValues.items.empty())
                item.add("prop_values", std::move(propValues));
        }
        list.items.push_back(std::move(item));
    }
    Node body;
    if (!list.items.empty())
        body.add("item_props", std::move(list));
    body.add("last_modified", Node::textValue(kLastModified));
    return ok(call, std::move(body));
}

// --- taobao.itempropvalues.get ---------------------------------------------------------

struct PvsEntry {
    std::string pid;
    std::string vid; // empty: every value of the property
};

TopAnswer itemPropValues(const TopCall& call) {
    std::string cid = paramOf(call.params, "cid");
    if (!isNumber(cid))
        return invalidArgument(call, "cid");
    std::vector<PvsEntry> wanted;
    for (const auto& entry : splitTrimmed(paramOf(call.params, "pvs"), ';')) {
        size_t colon = entry.find(':');
        PvsEntry pv{entry.substr(0, colon),
                    colon == std::string::npos ? std::string() : entry.substr(colon + 1)};
        if (!isNumber(pv.pid) || (colon != std::string::npos && !isNumber(pv.vid)))
            return invalidArgument(call, "pvs");
        wanted.push_back(pv);
    }
    auto fields = fieldsOf(call.params, "");

    std::map<std::string, std::string> propNames;
    for (const auto& prop : readProps(call.fixtures))
        if (prop.cid == cid)
            propNames.emplace(prop.pid, prop.name);
    Node list = Node::list("prop_value");
    for (const auto& value : readValues(call.fixtures)) {
        if (value.cid != cid)
            continue;
        bool asked =
            wanted.empty() || std::any_of(wanted.begin(), wanted.end(), [&](const PvsEntry& pv) {
                return pv.pid == value.pid && (pv.vid.empty() || pv.vid == value.vid);
            });
        if (!asked)
            continue;
        Node item;
        auto text = [&](const char* field, const std::string& content) {
            if (wants(fields, field) && !content.empty())
                item.add(field, Node::textValue(content));
        };
        auto number = [&](const char* field, const std::string& digits) {
            if (wants(fields, field))
                item.add(field, Node::number(digits));
        };
        number("cid", value.cid);
        number("pid", value.pid);
        auto propName = propNames.find(value.pid);
        text("prop_name", propName == propNames.end() ? std::string() : propName->second);
        number("vid", value.vid);
        text("name", value.name);
        text("name_alias", value.nameAlias);
        text("status", "normal");
        number("sort_order", value.sortOrder);
        if (wants(fields, "is_parent"))
            item.add("is_parent", Node::boolean(false));
        list.items.push_back(std::move(item));
    }
    Node body;
    body.add("last_modified", Node::textValue(kLastModified));
    if (!list.items.empty())
        body.add("prop_values", std::move(list));
    return ok(call, std::move(body));
}

// --- taobao.itemcats.get ---------------------------------------------------------------

TopAnswer itemCats(const TopCall& call) {
    std::vector<std::string> cids;
    std::string parent = paramOf(call.params, "parent_cid");
    bool byCids = has(call.params, "cids");
    if (byCids) {
        cids = splitTrimmed(paramOf(call.params, "cids"), ',');
        if (cids.size() > kMostCids)
            return refuse(call, 41, "Invalid Arguments", "isv.invalid-parameter",
                          "client-error:Invalid arguments:cids (at most 1000)");
        if (!std::all_of(cids.begin(), cids.end(), isNumber))
            return invalidArgument(call, "cids");
    } else if (!isNumber(parent)) {
        return invalidArgument(call, "parent_cid");
    }
    auto fields = fieldsOf(call.params, "cid,parent_cid,name,is_parent");

    std::vector<CategoryRow> found;
    auto categories = readCategories(call.fixtures);
    if (byCids) {
        for (const auto& cid : cids)
            for (const auto& category : categories)
                if (category.cid == cid) {
                    found.push_back(category);
                    break;
                }
    } else {
        for (const auto& category : categories)
            if (category.parentCid == parent)
                found.push_back(category);
        std::stable_sort(found.begin(), found.end(),
                         [](const CategoryRow& a, const CategoryRow& b) {
                             return orderOf(a.sortOrder) < orderOf(b.sortOrder);
                         });
    }
    Node list = Node::list("item_cat");
    for (const auto& category : found) {
        Node item;
        if (wants(fields, "cid"))
            item.add("cid", Node::number(category.cid));
        if (wants(fields, "parent_cid"))
            item.add("parent_cid", Node::number(category.parentCid));
        if (wants(fields, "name"))
            item.add("name", Node::textValue(category.name));
        if (wants(fields, "is_parent"))
            item.add("is_parent", Node::boolean(category.isParent));
        if (wants(fields, "status"))
            item.add("status", Node::textValue("normal"));
        if (wants(fields, "sort_order"))
            item.add("sort_order", Node::number(category.sortOrder));
        list.items.push_back(std::move(item));
    }
    Node body;
    if (!list.items.empty())
        body.add("item_cats", std::move(list));
    return ok(call, std::move(body));
}

struct Method {
    const char* name;
    TopAnswer (*answer)(const TopCall&);
    // Each group: at least one of its parameters must be there.
    std::vector<std::vector<const char*>> required;
};

const std::vector<Method>& methods() {
    static const std::vector<Method> all = {
        {"taobao.itemprops.get", itemProps, {{"cid"}}},
        {"taobao.itempropvalues.get", itemPropValues, {{"cid"}, {"fields"}}},
        {"taobao.itemcats.get", itemCats, {{"cids", "parent_cid"}}},
    };
    return all;
}

} // namespace

bool parseTopTimestamp(const std::string& text, long long& secondsUtc) {
    static const char* const shape = "dddd-dd-dd dd:dd:dd";
    if (text.size() != 19)
        return false;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= '0' && text[i] <= '9';
        if (shape[i] == 'd' ? !digit : text[i] != shape[i])
            return false;
    }
    auto number = [&](size_t at, size_t length) {
        return std::atoi(text.substr(at, length).c_str());
    };
    using namespace std::chrono;
    year_month_day date{year(number(0, 4)), month(static_cast<unsigned>(number(5, 2))),
                        day(static_cast<unsigned>(number(8, 2)))};
    int hour = number(11, 2);
    int minute = number(14, 2);
    int second = number(17, 2);
    if (!date.ok() || hour > 23 || minute > 59 || second > 59)
        return false;
    long long days = sys_days(date).time_since_epoch().count();
    secondsUtc = days * 86400 + hour * 3600 + minute * 60 + second - 8 * 3600;
    return true;
}

TopAnswer topErrorAnswer(const Params& params, int code, const std::string& msg,
                         const std::string& subCode, const std::string& subMsg,
                         const std::string& requestId) {
    ErrorAnswer error{code, msg, subCode, subMsg};
    std::string kind = std::to_string(code);
    if (paramOf(params, "format") == "json")
        return {"application/json;charset=UTF-8", writeErrorJson(error, requestId), kind};
    return {"text/xml;charset=UTF-8", writeErrorXml(error, requestId), kind};
}

TopAnswer answerTopCall(const TopCall& call) {
    const Params& params = call.params;
    std::string method = paramOf(params, "method");
    if (method.empty())
        return refuse(call, 21, "Missing Method");
    std::string appKey = paramOf(params, "app_key");
    if (appKey.empty())
        return refuse(call, 28, "Missing App Key");
    if (appKey != call.app.key)
        return refuse(call, 29, "Invalid App Key");
    long long timestamp = 0;
    if (!parseTopTimestamp(paramOf(params, "timestamp"), timestamp) ||
        std::llabs(timestamp - call.nowSeconds) > 10 * 60)
        return refuse(call, 31, "Invalid Timestamp");
    std::string signMethod = paramOf(params, "sign_method");
    if (isBlank(signMethod))
        signMethod = "md5";
    if (signMethod != "md5" && signMethod != "hmac" && signMethod != "hmac-sha256")
        return refuse(call, 25, "Invalid Signature", "", "Invalid sign method");
    std::string sign = paramOf(params, "sign");
    if (sign.empty() || sign != topSignature(params, call.app.secret, signMethod))
        return refuse(call, 25, "Invalid Signature");
    // TOP's clients leave empty parameters out; one that sends them has a fault.
    for (const auto& [name, value] : params)
        if (isBlank(value))
            return refuse(call, 41, "Invalid Arguments", "isv.invalid-parameter",
                          "client-error:Invalid arguments:" + name + " is empty");
    if (paramOf(params, "v") != "2.0")
        return refuse(call, 41, "Invalid Arguments");
    auto known = std::find_if(methods().begin(), methods().end(),
                              [&](const Method& m) { return method == m.name; });
    if (known == methods().end())
        return refuse(call, 22, "Invalid Method");
    for (const auto& group : known->required) {
        bool present = std::any_of(group.begin(), group.end(),
                                   [&](const char* name) { return has(params, name); });
        if (!present) {
            std::string names;
            for (const char* name : group)
                names += (names.empty() ? "" : " or ") + std::string(name);
            return refuse(call, 40, "Missing Required Arguments", "isv.missing-parameter",
                          "client-error:Missing required arguments:" + names);
        }
    }
    return known->answer(call);
}

} // namespace gatewaysim

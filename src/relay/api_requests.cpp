#include "relay/api_requests.hpp"

#include "relay/form_fields.hpp"
#include "relay/xml_reader.hpp"

namespace lw::relay {
namespace {

constexpr const char* kXmlHead = "<?xml version=\"1.0\" encoding=\"utf-8\"?>";
// The program waits 3.5 s for a Taobao Method Request.
constexpr int kLiveCallBudgetMs = 3000;

std::string invalidAccount() {
    return errorResponse("账户无效", "isv.invalid-account",
                         "App Key 或账户代码不对。请在 工具 → Relay 设置 中核对，"
                         "这些值由 Relay 的管理员提供");
}

std::string wrongToken() {
    return errorResponse("Access Token 无效", "isv.invalid-token",
                         "Access Token 不对。请在 工具 → Relay 设置 中核对，"
                         "这个值由 Relay 的管理员提供");
}

std::string badRequest(const std::string& what) {
    return errorResponse("请求无效", "isv.invalid-parameter", what);
}

std::string upstreamFailure(const TopError& error) {
    if (error.failure == TopFailure::Misconfigured)
        return errorResponse("Relay 设置有误", "isp.relay-misconfigured",
                             "Relay 连接淘宝开放平台的设置有误，请告诉 Relay 的管理员");
    if (error.failure == TopFailure::Throttled)
        return errorResponse("淘宝调用受限", "isp.call-limited",
                             "淘宝开放平台暂时限制了调用次数，请稍后再试");
    return errorResponse("淘宝暂时没有应答", "isp.upstream-unavailable",
                         "Relay 暂时连不上淘宝开放平台，请稍后再试");
}

std::string categoryElement(const XmlElement& cat, int layer) {
    std::string isParent = cat.childText("is_parent") == "true" ? "true" : "false";
    std::string status = cat.childText("status").empty() ? "normal" : cat.childText("status");
    std::string sortOrder = cat.childText("sort_order").empty() ? "0" : cat.childText("sort_order");
    // The program reads the text between the tags as it stands: names go as characters.
    std::string name = cat.childText("name");
    for (char& c : name)
        if (c == '<' || c == '>')
            c = ' ';
    return "<item_cat><cid>" + cat.childText("cid") + "</cid><parent_cid>" +
           cat.childText("parent_cid") + "</parent_cid><name>" + name + "</name><is_parent>" +
           isParent + "</is_parent><layer_level>" + std::to_string(layer) +
           "</layer_level><status>" + escapeXml(status) + "</status><sort_order>" +
           escapeXml(sortOrder) + "</sort_order></item_cat>";
}

} // namespace

std::string errorResponse(const std::string& msg, const std::string& subCode,
                          const std::string& subMsg) {
    return std::string(kXmlHead) + "<error_response><msg>" + escapeXml(msg) + "</msg><sub_code>" +
           escapeXml(subCode) + "</sub_code><sub_msg>" + escapeXml(subMsg) +
           "</sub_msg></error_response>";
}

std::string oversizedBodyResponse() {
    return badRequest("请求太大，Relay 不接受");
}

ApiRequests::ApiRequests(Accounts& accounts, TopClient& top, RelayLog& log, int maxBodyBytes)
    : accounts_(accounts), top_(top), log_(log),
      maxBodyBytes_(static_cast<std::size_t>(maxBodyBytes)) {}

std::string ApiRequests::answer(const std::string& body, const std::string& clientAddress) {
    if (body.size() > maxBodyBytes_) {
        log_.warn("拒绝 " + clientAddress + "：请求有 " + std::to_string(body.size()) +
                  " 字节，太大");
        return oversizedBodyResponse();
    }
    FormFields form = readFormFields(body, {}, {{"cids", 12000}});
    if (!form.fields) {
        log_.warn("拒绝 " + clientAddress + "：请求无效（" + form.error + "）");
        return badRequest("请求的字段太多或太长，Relay 不接受");
    }
    const std::map<std::string, std::string>& fields = *form.fields;
    auto field = [&](const char* name) {
        auto it = fields.find(name);
        return it == fields.end() ? std::string() : it->second;
    };
    const std::string method = field("method");
    const std::string code = field("codeid");
    const bool methodNeedsToken = method != "offer.get";
    const std::string token = field("access_token");
    std::string account;
    AccountCheck check =
        accounts_.check(field("app_key"), code, methodNeedsToken ? &token : nullptr, account);
    if (check == AccountCheck::UnknownAccount) {
        log_.warn("拒绝 " + clientAddress + "：没有 App Key 和账户代码相符的账户（账户代码 \"" +
                  code.substr(0, 64) + "\"）");
        return invalidAccount();
    }
    if (check == AccountCheck::WrongToken) {
        log_.warn("拒绝 " + clientAddress + "：账户 " + account +
                  " 的 Access Token 不对（账户代码 \"" + code.substr(0, 64) + "\"）");
        return wrongToken();
    }
    log_.debug(clientAddress + " 账户 " + account + " " + method);
    if (method == "offer.get") {
        if (!isDigitsId(field("offerId")))
            return badRequest("宝贝编号 \"" + field("offerId").substr(0, 40) + "\" 不是数字");
        return errorResponse("暂不提供宝贝数据", "isv.offer-not-served",
                             "这个 Relay 还不能下载 1688 宝贝，请联系 Relay 的管理员");
    }
    if (method == "user.itemcats.get")
        return categories(fields);
    if (method == "user.itemprops.get" || method == "user.itemprops_value.get")
        return errorResponse("不支持", "isv.not-supported",
                             "Relay 不提供所有类目的属性，下载宝贝时会逐个查询属性");
    return errorResponse("方法无效", "isv.invalid-method",
                         "Relay 不认识这个请求（" + method.substr(0, 40) + "）");
}

std::string ApiRequests::categories(const std::map<std::string, std::string>& fields) {
    auto parent = fields.find("parent_cid");
    if (parent == fields.end() || parent->second != "0" || fields.count("cids"))
        return errorResponse("类目正在准备", "isv.categories-not-ready",
                             "这个 Relay 还不能提供整个类目树，请稍后再试");
    TopResult result = top_.call(
        "taobao.itemcats.get",
        {{"parent_cid", "0"}, {"fields", "cid,parent_cid,name,is_parent,status,sort_order"}},
        Clock::now() + std::chrono::milliseconds(kLiveCallBudgetMs));
    if (!result.ok())
        return upstreamFailure(result.error);
    std::string out = std::string(kXmlHead) + "<itemcats_get_response><item_cats list=\"true\">";
    if (const XmlElement* list = result.answer->child("item_cats"))
        for (const XmlElement* cat : list->childrenNamed("item_cat"))
            out += categoryElement(*cat, 1);
    out += "</item_cats></itemcats_get_response>";
    return out;
}

} // namespace lw::relay

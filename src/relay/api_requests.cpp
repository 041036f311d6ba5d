#include "relay/api_requests.hpp"

#include "relay/form_fields.hpp"
#include "relay/xml_reader.hpp"

namespace lw::relay {
namespace {

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

} // namespace

std::string errorResponse(const std::string& msg, const std::string& subCode,
                          const std::string& subMsg) {
    return std::string(kXmlDeclaration) + "<error_response><msg>" + escapeXml(msg) +
           "</msg><sub_code>" + escapeXml(subCode) + "</sub_code><sub_msg>" + escapeXml(subMsg) +
           "</sub_msg></error_response>";
}

std::string oversizedBodyResponse() {
    return badRequest("请求太大，Relay 不接受");
}

ApiRequests::ApiRequests(Accounts& accounts, CategoryTree& categories, RelayLog& log,
                         int maxBodyBytes)
    : accounts_(accounts), categories_(categories), log_(log),
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
    auto cids = fields.find("cids");
    if (cids != fields.end() && !cids->second.empty()) {
        std::vector<std::string> list;
        std::size_t start = 0;
        while (start <= cids->second.size()) {
            std::size_t comma = cids->second.find(',', start);
            if (comma == std::string::npos)
                comma = cids->second.size();
            std::string cid = cids->second.substr(start, comma - start);
            if (!isDigitsId(cid))
                return badRequest("类目编号 \"" + cid.substr(0, 40) + "\" 不是数字");
            list.push_back(cid);
            start = comma + 1;
        }
        if (list.size() > 1000)
            return badRequest("一次最多查询 1000 个类目");
        return categories_.categoriesAnswer(list);
    }
    if (parent != fields.end() && !parent->second.empty()) {
        if (!isDigitsId(parent->second))
            return badRequest("上级类目编号 \"" + parent->second.substr(0, 40) + "\" 不是数字");
        return categories_.childrenAnswer(parent->second);
    }
    return categories_.wholeTreeAnswer();
}

} // namespace lw::relay

#include "net/relay.hpp"

#include "net/async_http_request.hpp"
#include "store/config.hpp"
#include "store/config_file.hpp"
#include "store/text_routines.hpp"
#include "ui/diagnostic_log.hpp"
#include "ui/worker_wait.hpp"
#include "util/codec.hpp"
#include "util/encode.hpp"

namespace lw {
bool isNetworkFailure(const std::string& answer) {
    return answer.rfind("网络错误:", 0) == 0;
}

namespace {

std::string codeIdValue(const RelayContext& app) {
    return encodeQueryText(app.accountCode);
}

// An Error Response that carries a text of ours, so callers report it the usual way.
std::string ownErrorResponse(const std::string& message) {
    return "<error_response><msg>" + message + "</msg></error_response>";
}

std::string join(const std::vector<std::string>& lines, const std::string& separator) {
    std::string out;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i)
            out += separator;
        out += lines[i];
    }
    return out;
}

std::string lookup(const RelayContext& app, const std::string& query, const std::string& logQuery,
                   const char* tag, DiagnosticLog& log, const HttpOptions& options, bool* failed) {
    log.append(app.lookupEndpoint + "?" + logQuery);
    if (!app.missing.empty()) {
        log.append(app.missing);
        if (failed)
            *failed = true;
        return {};
    }
    std::string answer = getBlocking(app.lookupEndpoint, query, options);
    if (failed)
        *failed = isNetworkFailure(answer);
    return textBetween(answer, std::string("<") + tag + ">", std::string("</") + tag + ">");
}

} // namespace

RelayContext makeRelayContext(const Config& config) {
    RelayContext app;
    app.baseAddress = relayBaseAddress(config.relayHost);
    app.apiEndpoint = app.baseAddress + "/openapi/getdata.aspx";
    app.lookupEndpoint = app.baseAddress + "/xml/getxml.asp";
    app.appKey = config.appKey;
    app.accessToken = config.accessToken;
    app.accountCode = trim(config.accountCode);
    app.clientVersion = programVersion();
    app.missing = config.missingRelayValue();
    return app;
}

void configureOfferComponent(AsyncHttpRequest& http) {
    http.agent = kOfferAgent;
    http.timeouts.connectMs = 10000;
    http.timeouts.receiveMs = 10000;
    http.timeouts.sendMs = 10000;
}

std::string offerRequestBody(const RelayContext& app, const std::string& offerId) {
    std::vector<std::string> fields = {
        "app_key=" + app.appKey,
        "method=offer.get",
        // Sent as taken from the link, but an "&" in it would start a field of its own
        // (a shop page could set codeid that way).
        "offerId=" + replaceAll(offerId, "&", "%26"),
        "returnFields=subject,details,offerId,postCategryId,amountOnSale,priceRanges,skuArray,"
        "productFeatureList,imageList",
    };
    return join(fields, "&") + "&codeid=" + codeIdValue(app) + "&rvversion=" + app.clientVersion;
}

std::string requestOffer(RelayContext& app, AsyncHttpRequest& http, const std::string& offerId,
                         DiagnosticLog& log) {
    app.answer.clear();
    if (!app.missing.empty())
        return app.missing;
    if (http.started())
        return "上一个宝贝的下载请求尚未完成,请稍后再试.";
    http.url = app.apiEndpoint;
    http.referer = app.baseAddress;
    http.postData = offerRequestBody(app, offerId);
    log.append(app.apiEndpoint + "?" + http.postData);
    http.start();
    return {};
}

std::optional<std::string> takeOfferAnswer(RelayContext& app, MemoryStream& stream,
                                           DiagnosticLog& log) {
    app.answer.clear();
    app.answer += relayAnswerText(stream.readAll());
    log.append(app.answer);
    return checkErrorResponse(app.answer, kOfferErrorPrefix);
}

std::vector<std::string> taobaoMethodFields(const RelayContext& app, const std::string& method,
                                            const std::string& cids, const std::string& parentCid) {
    std::vector<std::string> fields = {"fields=cid,parent_cid,name,is_parent,status,sort_order"};
    if (method == "user.itemcats.get") {
        if (!cids.empty())
            fields.push_back("cids=" + cids);
        if (!parentCid.empty())
            fields.push_back("parent_cid=" + parentCid);
    } else {
        fields.push_back("cid=0");
    }
    fields.push_back("format=xml");
    fields.push_back("method=" + method);
    fields.push_back("app_key=" + app.appKey);
    fields.push_back("access_token=" + app.accessToken);
    fields.push_back("v=2.0");
    return fields;
}

HttpOptions relayPostOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 3500;
    options.readTimeoutMs = 3500;
    options.sendTimeoutMs = 3500;
    options.cookies = true;
    return options;
}

std::string postRelayMethod(const RelayContext& app, HttpClient& client, const std::string& address,
                            std::vector<std::string> fields, DiagnosticLog& log) {
    return *postRelayMethodWaiting(app, client, address, std::move(fields), log, nullptr, {});
}

std::optional<std::string> postRelayMethodWaiting(const RelayContext& app, HttpClient& client,
                                                  const std::string& address,
                                                  std::vector<std::string> fields,
                                                  DiagnosticLog& log, EventLoop* loop,
                                                  const std::function<bool()>& cancelled) {
    if (!app.missing.empty())
        return ownErrorResponse(app.missing);
    fields.push_back("codeid=" + codeIdValue(app));
    fields.push_back("rvversion=" + app.clientVersion);
    log.append(address + "?" + join(fields, "\n"));

    std::string body = replaceAll(trim(join(fields, "\r\n")), "\r\n", "&");
    HttpResult result;
    if (loop) {
        // The client belongs to the worker until the wait returns.
        std::optional<HttpResult> waited = waitForWorker<HttpResult>(
            *loop,
            [&client, &address, &body](std::stop_token stop) {
                return client.postForm(address, body, stop);
            },
            cancelled);
        if (!waited)
            return std::nullopt;
        result = std::move(*waited);
    } else {
        result = client.postForm(address, body);
    }
    if (result.ok())
        return relayAnswerText(result.body);
    bool httpError = result.status > 0 && (result.status < 200 || result.status > 299);
    if (httpError) {
        log.appendAlways(relayAnswerText(result.body));
        return kRelayHttpErrorAnswer;
    }
    return std::string();
}

HttpOptions lookupHttpOptions() {
    HttpOptions options;
    options.connectTimeoutMs = 3500;
    options.readTimeoutMs = 3500;
    options.cookies = false;
    return options;
}

std::string getBlocking(const std::string& address, const std::string& query,
                        const HttpOptions& options, std::stop_token stop) {
    HttpClient client(options);
    return getBlocking(client, address, query, std::move(stop));
}

std::string getBlocking(HttpClient& client, const std::string& address, const std::string& query,
                        std::stop_token stop) {
    std::string url = address + "?" + query;
    HttpResult result = client.get(url, std::move(stop));
    if (result.ok())
        return result.body;
    return "网络错误:" + result.error + "\r\n" + url;
}

std::string propertyLookupQuery(const std::string& cid, const std::string& name) {
    return "tablename=TB_ItemProps&cid=" + cid + "&name=" + encodeFormValue(name);
}

std::string propertyValueLookupQuery(const std::string& cid, const std::string& pid,
                                     const std::string& name) {
    return "tablename=TB_ItemPropValue&cid=" + cid + "&pid=" + pid +
           "&name=" + encodeFormValue(name);
}

std::string lookupPropertyId(const RelayContext& app, const std::string& cid,
                             const std::string& name, DiagnosticLog& log,
                             const HttpOptions& options, bool* failed) {
    return lookup(app, propertyLookupQuery(cid, name),
                  "tablename=TB_ItemProps&cid=" + cid + "&name=" + name, "pid", log, options,
                  failed);
}

std::string lookupPropertyValueId(const RelayContext& app, const std::string& cid,
                                  const std::string& pid, const std::string& name,
                                  DiagnosticLog& log, const HttpOptions& options) {
    return lookup(app, propertyValueLookupQuery(cid, pid, name),
                  "tablename=TB_ItemPropValue&cid=" + cid + "&pid=" + pid + "&name=" + name, "vid",
                  log, options, nullptr);
}

bool isErrorResponse(const std::string& answer) {
    return answer.find("<error_response>") != std::string::npos;
}

std::string errorResponseMessage(const std::string& answer, const std::string& prefix) {
    // Parts the answer leaves out leave no stray "," behind.
    std::string text = prefix + textBetween(answer, "<msg>", "</msg>");
    for (const std::string& part : {textBetween(answer, "<sub_code>", "</sub_code>"),
                                    textBetween(answer, "<sub_msg>", "</sub_msg>")})
        if (!part.empty())
            text += "," + part;
    return text;
}

std::optional<std::string> checkErrorResponse(const std::string& answer,
                                              const std::string& prefix) {
    if (!isErrorResponse(answer))
        return std::nullopt;
    return errorResponseMessage(answer, prefix);
}

std::string relayAnswerText(const std::string& bytes) {
    if (isValidUtf8(bytes))
        return bytes;
    return toUtf8Lenient(bytes, "UTF-8");
}

} // namespace lw

#pragma once

#include "net/http_client.hpp"

#include <functional>
#include <optional>
#include <stop_token>
#include <string>
#include <vector>

namespace lw {

struct Config;
class DiagnosticLog;
class MemoryStream;
class AsyncHttpRequest;
class EventLoop;

// The Relay Context, filled once at start from the configuration.
struct RelayContext {
    std::string baseAddress;    // relayBaseAddress(relay host): http:// or https://
    std::string apiEndpoint;    // baseAddress + "/openapi/getdata.aspx"
    std::string lookupEndpoint; // baseAddress + "/xml/getxml.asp"
    std::string appKey;
    std::string accessToken;
    std::string accountCode;   // blanks at both ends removed
    std::string clientVersion; // programVersion()
    std::string answer;        // the last answer of an offer or Taobao method request
    // Config::missingRelayValue(): not empty when the Relay cannot be reached.
    std::string missing;
};

RelayContext makeRelayContext(const Config& config);

// Message prefixes of the Error Response report.
inline constexpr const char* kOfferErrorPrefix = "下载失败.\r\n错误原因: ";
inline constexpr const char* kItemCatsErrorPrefix = "获取类目失败.\r\n错误原因: ";
inline constexpr const char* kItemPropsErrorPrefix = "获取类目属性1失败.\r\n错误原因: ";
inline constexpr const char* kItemPropValuesErrorPrefix = "获取类目属性2失败.\r\n错误原因: ";

// The agent of the offer component and of nothing else.
inline constexpr const char* kOfferAgent =
    "Mozilla/4.0 (compatible; MSIE 8.0; Windows NT 6.1; Trident/4.0; SLCC2; .NET CLR "
    "2.0.50727; .NET CLR 3.5.30729; .NET CLR 3.0.30729; Media Center PC 6.0; .NET4.0C; "
    "Tablet PC 2.0)";

// The fixed answer of a Taobao method request that got an HTTP error status.
inline constexpr const char* kRelayHttpErrorAnswer =
    "<error_response><msg>与淘宝网络通讯错误，请稍后重试.</msg></error_response>";

// Sets the offer component's agent and its three 10000 ms time-outs (done once, when
// the main window creates it).
void configureOfferComponent(AsyncHttpRequest& http);

// The body of an offer request: the four fields, codeid and rvversion.
std::string offerRequestBody(const RelayContext& app, const std::string& offerId);

// Clears the answer buffer, sets URL, Referer and POSTData of http and starts it; the
// answer arrives in http's onDone. Appends the request to the log. Returns an error
// text: the missing configuration value, or a note that a request is still running;
// empty when started.
std::string requestOffer(RelayContext& app, AsyncHttpRequest& http, const std::string& offerId,
                         DiagnosticLog& log);

// The offer answer from onDone: stores it in the answer buffer (as UTF-8) and logs it.
// Returns the report of an Error Response, which the caller shows in a "提示" box
// before it hides the progress panel; nullopt when app.answer is an offer to parse.
std::optional<std::string> takeOfferAnswer(RelayContext& app, MemoryStream& stream,
                                           DiagnosticLog& log);

// The fields a caller hands to postRelayMethod for user.itemcats.get,
// user.itemprops.get or user.itemprops_value.get. cids and parentCid are used by
// user.itemcats.get only, each when not empty.
std::vector<std::string> taobaoMethodFields(const RelayContext& app, const std::string& method,
                                            const std::string& cids = {},
                                            const std::string& parentCid = {});

// Settings of the main window's client for Taobao method requests: connect, send and
// read time-outs of 3500 ms, the default agent and accept value, cookies kept.
HttpOptions relayPostOptions();

// Posts a Taobao method request: fields + "codeid=" + "rvversion=", joined by "&".
// Returns the answer as UTF-8; kRelayHttpErrorAnswer on an HTTP error status (the
// error body goes to the log even while it is hidden); empty on any other failure;
// an Error Response naming the missing value when the configuration lacks one.
std::string postRelayMethod(const RelayContext& app, HttpClient& client, const std::string& address,
                            std::vector<std::string> fields, DiagnosticLog& log);
// The same; with a loop the post runs on a worker while the UI thread goes on running
// events, and a cancelled() that turns true ends it at once: then nullopt.
std::optional<std::string> postRelayMethodWaiting(const RelayContext& app, HttpClient& client,
                                                  const std::string& address,
                                                  std::vector<std::string> fields,
                                                  DiagnosticLog& log, EventLoop* loop,
                                                  const std::function<bool()>& cancelled);

// Settings of the look-up GET: a new client per request, no cookies, connect and read
// time-outs of 3500 ms.
HttpOptions lookupHttpOptions();

// GET of address + "?" + query with a new client. Returns the body as received, or
// "网络错误:" + the failure's message + "\r\n" + address + "?" + query.
std::string getBlocking(const std::string& address, const std::string& query,
                        const HttpOptions& options = lookupHttpOptions(),
                        std::stop_token stop = {});
// The same over client, whose connection is kept for its next request.
std::string getBlocking(HttpClient& client, const std::string& address, const std::string& query,
                        std::stop_token stop = {});

// The two look-up queries; the name is encoded as a form value.
std::string propertyLookupQuery(const std::string& cid, const std::string& name);
std::string propertyValueLookupQuery(const std::string& cid, const std::string& pid,
                                     const std::string& name);

// getBlocking's answer for a request that got no answer from the server.
bool isNetworkFailure(const std::string& answer);

// Property id for (category id, property name); empty when not found or on any
// failure. Logs the look-up with the name unencoded. failed, when given, tells whether
// the look-up got no answer (network, missing configuration) rather than "not found".
std::string lookupPropertyId(const RelayContext& app, const std::string& cid,
                             const std::string& name, DiagnosticLog& log,
                             const HttpOptions& options = lookupHttpOptions(),
                             bool* failed = nullptr);
// Value id for (category id, property id, value name); empty when not found or on any
// failure.
std::string lookupPropertyValueId(const RelayContext& app, const std::string& cid,
                                  const std::string& pid, const std::string& name,
                                  DiagnosticLog& log,
                                  const HttpOptions& options = lookupHttpOptions());

// An answer is an Error Response when it holds "<error_response>" anywhere.
bool isErrorResponse(const std::string& answer);
// prefix + msg, then "," + sub_code and "," + sub_msg for each that is not empty.
std::string errorResponseMessage(const std::string& answer, const std::string& prefix);
// When answer is an Error Response: its report (errorResponseMessage), for a box titled
// "提示" with the error icon; nullopt otherwise.
std::optional<std::string> checkErrorResponse(const std::string& answer, const std::string& prefix);

// Relay answer bytes as program text: UTF-8 kept, invalid bytes as U+FFFD.
std::string relayAnswerText(const std::string& bytes);

} // namespace lw

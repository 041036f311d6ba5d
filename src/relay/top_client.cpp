#include "relay/top_client.hpp"

#include "net/http_client.hpp"
#include "relay/top_signature.hpp"
#include "util/encode.hpp"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

namespace lw::relay {
namespace {

// Parameters that never go into the log.
bool isSecretParameter(const std::string& name) {
    return name == "sign" || name == "session" || name == "app_key";
}

std::int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch())
        .count();
}

std::string paramsForLog(const std::map<std::string, std::string>& params) {
    std::string text;
    for (const auto& [name, value] : params) {
        if (isSecretParameter(name) || name == "fields")
            continue;
        text += (text.empty() ? "" : " ") + name + "=" + value.substr(0, 80);
    }
    return text;
}

TopError failureOf(TopFailure failure, std::string detail = {}) {
    TopError e;
    e.failure = failure;
    e.detail = std::move(detail);
    return e;
}

bool isRetryable(TopFailure failure) {
    return failure == TopFailure::Network || failure == TopFailure::PlatformError ||
           failure == TopFailure::BadAnswer || failure == TopFailure::Throttled;
}

TopError classify(const XmlElement& error) {
    TopError e;
    e.code = std::atoi(error.childText("code").c_str());
    e.msg = error.childText("msg");
    e.subCode = error.childText("sub_code");
    e.subMsg = error.childText("sub_msg");
    if (e.code == 7 || e.code == 8 || e.subCode.rfind("accesscontrol.limited-by", 0) == 0) {
        e.failure = TopFailure::Throttled;
        e.banSeconds = statedBanSeconds(e.subMsg);
    } else if (e.subCode.rfind("isp.", 0) == 0 || e.code == 10 || e.code == 12) {
        e.failure = TopFailure::PlatformError;
    } else if (e.code == 11 || e.code == 25 || e.code == 28 || e.code == 29 || e.code == 31) {
        // 11 no permission for the API, 25 signature, 28/29 app key, 31 the clock.
        e.failure = TopFailure::Misconfigured;
    } else {
        e.failure = TopFailure::Refused;
    }
    return e;
}

} // namespace

std::string TopError::describe() const {
    std::string text;
    switch (failure) {
    case TopFailure::None:
        return "成功";
    case TopFailure::Network:
        text = "网络错误";
        break;
    case TopFailure::Throttled:
        text = "调用受限";
        break;
    case TopFailure::PlatformError:
        text = "淘宝平台错误";
        break;
    case TopFailure::Misconfigured:
        text = "Relay 配置错误（请检查 [taobao] app_key、app_secret、sign_method 和本机时钟）";
        break;
    case TopFailure::Refused:
        text = "淘宝拒绝了请求";
        break;
    case TopFailure::BadAnswer:
        text = "淘宝的应答无法读取";
        break;
    case TopFailure::Cancelled:
        return "已取消";
    }
    if (code != 0)
        text += " code=" + std::to_string(code);
    if (!msg.empty())
        text += " msg=" + msg;
    if (!subCode.empty())
        text += " sub_code=" + subCode;
    if (!subMsg.empty())
        text += " sub_msg=" + subMsg;
    if (!detail.empty())
        text += " (" + detail + ")";
    return text;
}

bool sleepUntil(Clock::time_point until, std::stop_token stop) {
    std::mutex m;
    std::condition_variable_any cv;
    std::unique_lock lock(m);
    return !cv.wait_until(lock, stop, until, [] { return false; }) && !stop.stop_requested();
}

int statedBanSeconds(const std::string& subMsg) {
    std::size_t at = subMsg.find("last for ");
    if (at != std::string::npos) {
        int seconds = std::atoi(subMsg.c_str() + at + 9);
        if (seconds > 0)
            return std::min(seconds, 24 * 3600);
    }
    return 1;
}

std::string topTimestamp(std::chrono::system_clock::time_point moment) {
    using namespace std::chrono;
    const auto local = floor<seconds>(moment) + hours(8);
    const auto day = floor<days>(local);
    const year_month_day date{day};
    const hh_mm_ss time{local - day};
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02d:%02d:%02d", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return buffer;
}

TopClient::TopClient(TopClientSettings settings, RelayLog& log)
    : settings_(std::move(settings)), log_(log) {}

std::map<std::string, std::string>
TopClient::signedParameters(const std::string& method,
                            const std::map<std::string, std::string>& params,
                            const std::string& timestamp) const {
    std::map<std::string, std::string> all;
    for (const auto& [name, value] : params)
        if (!value.empty())
            all[name] = value;
    all["method"] = method;
    all["app_key"] = settings_.appKey;
    all["timestamp"] = timestamp;
    all["v"] = "2.0";
    all["format"] = "xml";
    all["sign_method"] = settings_.signMethod;
    all["sign"] = topSignature(all, settings_.appSecret, settings_.signMethod);
    return all;
}

TopResult TopClient::attempt(const std::string& method,
                             const std::map<std::string, std::string>& params,
                             Clock::time_point deadline, std::stop_token stop) {
    TopResult result;
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    HttpOptions options;
    options.agent = "listwright-relay/" LISTWRIGHT_VERSION;
    options.accept = "text/xml, application/xml, */*";
    options.connectTimeoutMs =
        static_cast<int>(std::clamp<std::int64_t>(remaining, 1, settings_.connectTimeoutMs));
    options.readTimeoutMs = static_cast<int>(std::max<std::int64_t>(remaining, 1));
    options.followRedirects = false;
    options.maxBodyBytes = 32u * 1024u * 1024u;
    HttpClient client(options);

    std::string body;
    for (const auto& [name, value] :
         signedParameters(method, params, topTimestamp(std::chrono::system_clock::now()))) {
        if (!body.empty())
            body += '&';
        body += encodeFormValue(name) + "=" + encodeFormValue(value);
    }
    HttpResult http = client.postForm(settings_.router, body, stop);
    if (http.cancelled) {
        result.error.failure = TopFailure::Cancelled;
        return result;
    }
    if (http.transferFailed || http.status < 0) {
        result.error.failure = TopFailure::Network;
        result.error.detail = http.error;
        return result;
    }
    if (http.status != 200) {
        result.error.failure = http.status >= 500 ? TopFailure::PlatformError : TopFailure::Refused;
        result.error.detail = "HTTP " + std::to_string(http.status);
        return result;
    }
    XmlReadResult xml = readXml(http.body);
    if (!xml.root) {
        result.error.failure = TopFailure::BadAnswer;
        result.error.detail = xml.error;
        return result;
    }
    if (xml.root->name == "error_response") {
        result.error = classify(*xml.root);
        return result;
    }
    result.answer = std::move(xml.root);
    return result;
}

TopResult TopClient::call(const std::string& method,
                          const std::map<std::string, std::string>& params,
                          Clock::time_point deadline, std::stop_token stop) {
    TopResult last;
    int backoffMs = 200;
    for (int n = 1; n <= settings_.maxAttempts; ++n) {
        const std::int64_t bannedUntil = bannedUntilMs_.load();
        if (bannedUntil > nowMs()) {
            const auto until = Clock::time_point(std::chrono::milliseconds(bannedUntil));
            if (until >= deadline) {
                last.error.failure = TopFailure::Throttled;
                last.error.code = 7;
                last.error.detail = "还要等 " +
                                    std::to_string((bannedUntil - nowMs() + 999) / 1000) +
                                    " 秒才能再调用";
                return last;
            }
            if (!sleepUntil(until, stop)) {
                last.error = failureOf(TopFailure::Cancelled);
                return last;
            }
        }
        if (Clock::now() + std::chrono::milliseconds(50) >= deadline) {
            if (last.error.failure == TopFailure::None)
                last.error = failureOf(TopFailure::Network, "时间用完");
            return last;
        }
        TopResult result = attempt(method, params, deadline, stop);
        result.attempts = n;
        if (result.ok() || result.error.failure == TopFailure::Cancelled)
            return result;
        const std::string what = method + " " + paramsForLog(params);
        if (result.error.failure == TopFailure::Misconfigured)
            log_.error("淘宝接口 " + what + " 失败：" + result.error.describe());
        log_.upstreamError("淘宝接口 " + what + " 第 " + std::to_string(n) + " 次调用失败：" +
                           result.error.describe());
        last = std::move(result);
        if (!isRetryable(last.error.failure))
            return last;
        if (last.error.failure == TopFailure::Throttled) {
            bannedUntilMs_.store(nowMs() + last.error.banSeconds * 1000LL);
            continue;
        }
        const auto wakeUp = Clock::now() + std::chrono::milliseconds(backoffMs);
        if (wakeUp >= deadline)
            return last;
        if (!sleepUntil(wakeUp, stop)) {
            last.error = failureOf(TopFailure::Cancelled);
            return last;
        }
        backoffMs *= 2;
    }
    return last;
}

} // namespace lw::relay

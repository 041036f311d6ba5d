#include "net/http_client.hpp"

#include "platform/platform.hpp"
#include "store/text_routines.hpp"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <stdexcept>

namespace lw {
namespace {

using Clock = std::chrono::steady_clock;

// libcurl's global set-up is not thread-safe; every client passes through here first.
void globalInit() {
    static std::once_flag once;
    std::call_once(once, [] {
        if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK)
            throw std::runtime_error("libcurl could not be initialised");
    });
}

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && findNoCase(text.substr(0, prefix.size()), prefix) == 0;
}

// State of one transfer, reached from the libcurl callbacks.
struct Transfer {
    HttpResult result;
    std::size_t maxBody = 0;
    Clock::time_point lastActivity = Clock::now();
    curl_off_t uploadTotal = 0;
    curl_off_t uploaded = 0;
    curl_off_t downloaded = 0;
};

size_t onHeader(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    size_t n = size * count;
    t.lastActivity = Clock::now();
    std::string line(data, n);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (startsWithNoCase(line, "HTTP/")) {
        // A new answer begins (after a redirect, a proxy's CONNECT or a 1xx answer).
        t.result.statusLine = line;
        t.result.headers.clear();
        t.result.contentType.clear();
        t.result.body.clear();
        size_t space = line.find(' ');
        t.result.status = -1;
        if (space != std::string::npos) {
            int status = 0;
            size_t i = space + 1;
            for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i)
                status = status * 10 + (line[i] - '0');
            if (i > space + 1)
                t.result.status = status;
        }
    } else if (!line.empty()) {
        t.result.headers.push_back(line);
        if (startsWithNoCase(line, "Content-Type:"))
            t.result.contentType = trim(line.substr(13));
    }
    return n;
}

size_t onBody(char* data, size_t size, size_t count, void* user) {
    auto& t = *static_cast<Transfer*>(user);
    size_t n = size * count;
    t.lastActivity = Clock::now();
    if (t.result.body.size() + n > t.maxBody) {
        t.result.tooLarge = true;
        return 0; // ends the transfer with a write error
    }
    t.result.body.append(data, n);
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t dlnow, curl_off_t ultotal, curl_off_t ulnow) {
    auto& t = *static_cast<Transfer*>(user);
    if (dlnow != t.downloaded || ulnow != t.uploaded) {
        t.downloaded = dlnow;
        t.uploaded = ulnow;
        t.lastActivity = Clock::now();
    }
    t.uploadTotal = ultotal;
    return 0;
}

} // namespace

std::string HttpResult::header(std::string_view name) const {
    for (const auto& line : headers) {
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string_view key = std::string_view(line).substr(0, colon);
        if (key.size() == name.size() && findNoCase(key, name) == 0)
            return trim(std::string_view(line).substr(colon + 1));
    }
    return {};
}

bool HttpResult::hasHeader(std::string_view name) const {
    for (const auto& line : headers) {
        size_t colon = line.find(':');
        if (colon == name.size() && findNoCase(std::string_view(line).substr(0, colon), name) == 0)
            return true;
    }
    return false;
}

std::string proxyBypassList(std::string_view environmentList) {
    std::string list = trim(environmentList);
    if (list == "*")
        return list;
    if (!list.empty())
        list += ",";
    return list + "127.0.0.1,localhost,::1";
}

std::string escapeUnsafeUrlBytes(std::string_view url) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(url.size());
    for (unsigned char c : url) {
        if (c <= 0x20 || c >= 0x7F) {
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 0x0F];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

struct HttpClient::Handles {
    CURL* easy = nullptr;
    CURLM* multi = nullptr;
    // The cookie jar lives in a share so that it outlives the resets between requests.
    CURLSH* cookieJar = nullptr;
    bool cookiesWereOn = false;
    ~Handles() {
        if (easy)
            curl_easy_cleanup(easy);
        if (multi)
            curl_multi_cleanup(multi);
        if (cookieJar)
            curl_share_cleanup(cookieJar);
    }
};

HttpClient::HttpClient(HttpOptions options)
    : options_(std::move(options)), handles_(std::make_unique<Handles>()) {
    globalInit();
    handles_->easy = curl_easy_init();
    handles_->multi = curl_multi_init();
    handles_->cookieJar = curl_share_init();
    if (!handles_->easy || !handles_->multi || !handles_->cookieJar ||
        curl_share_setopt(handles_->cookieJar, CURLSHOPT_SHARE, CURL_LOCK_DATA_COOKIE) !=
            CURLSHE_OK)
        throw std::runtime_error("libcurl handles could not be created");
}

HttpClient::~HttpClient() = default;

HttpResult HttpClient::get(const std::string& url, std::stop_token stop) {
    return perform(url, nullptr, std::move(stop));
}

HttpResult HttpClient::postForm(const std::string& url, std::string_view body,
                                std::stop_token stop) {
    return perform(url, &body, std::move(stop));
}

HttpResult HttpClient::perform(const std::string& url, const std::string_view* body,
                               std::stop_token stop) {
    CURL* easy = handles_->easy;
    CURLM* multi = handles_->multi;
    // libcurl 7.88 forgets (leaks) the cookie file list on a reset; dropping it first is
    // safe because the jar itself lives in the share.
    if (handles_->cookiesWereOn)
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, nullptr);
    // Keeps the connection cache; every other setting is set anew.
    curl_easy_reset(easy);

    Transfer t;
    t.maxBody = options_.maxBodyBytes;
    char errorText[CURL_ERROR_SIZE] = {};
    std::string address = escapeUnsafeUrlBytes(url);

    curl_easy_setopt(easy, CURLOPT_URL, address.c_str());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    // A request stopped while resolving a name must not wait for the resolver.
    curl_easy_setopt(easy, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    // Windows keeps the trusted certificates in its own store, which OpenSSL does not read.
    if constexpr (platform::kWindows)
        curl_easy_setopt(easy, CURLOPT_SSL_OPTIONS, static_cast<long>(CURLSSLOPT_NATIVE_CA));
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, options_.followRedirects ? 1L : 0L);
    curl_easy_setopt(easy, CURLOPT_MAXREDIRS, static_cast<long>(options_.maxRedirects));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, options_.agent.c_str());
    if (!options_.referer.empty())
        curl_easy_setopt(easy, CURLOPT_REFERER, options_.referer.c_str());
    if (options_.connectTimeoutMs > 0)
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(options_.connectTimeoutMs));
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE,
                     static_cast<curl_off_t>(options_.maxBodyBytes));

    if (options_.cookies) {
        curl_easy_setopt(easy, CURLOPT_SHARE, handles_->cookieJar);
        curl_easy_setopt(easy, CURLOPT_COOKIEFILE, ""); // starts the engine, reads no file
        handles_->cookiesWereOn = true;
    } else {
        if (handles_->cookiesWereOn) {
            curl_easy_setopt(easy, CURLOPT_SHARE, handles_->cookieJar);
            curl_easy_setopt(easy, CURLOPT_COOKIELIST, "ALL");
            handles_->cookiesWereOn = false;
        }
        curl_easy_setopt(easy, CURLOPT_SHARE, nullptr);
    }

    if (!options_.proxy.empty())
        curl_easy_setopt(easy, CURLOPT_PROXY, options_.proxy.c_str());
    std::optional<std::string> noProxy = platform::environment("no_proxy");
    if (!noProxy)
        noProxy = platform::environment("NO_PROXY");
    std::string bypass = proxyBypassList(noProxy.value_or(""));
    curl_easy_setopt(easy, CURLOPT_NOPROXY, bypass.c_str());

    curl_slist* headerList = nullptr;
    auto addHeader = [&](const std::string& line) {
        if (curl_slist* next = curl_slist_append(headerList, line.c_str()))
            headerList = next;
    };
    addHeader("Accept: " + options_.accept);
    // A form post goes out in one piece, without waiting for "100 Continue".
    addHeader("Expect:");
    if (body)
        addHeader("Content-Type: application/x-www-form-urlencoded");
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headerList);

    if (body) {
        curl_easy_setopt(easy, CURLOPT_POST, 1L);
        curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body->size()));
        curl_easy_setopt(easy, CURLOPT_POSTFIELDS, body->data());
    } else {
        curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    }

    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &onHeader);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);
    curl_easy_setopt(easy, CURLOPT_XFERINFOFUNCTION, &onProgress);
    curl_easy_setopt(easy, CURLOPT_XFERINFODATA, &t);
    curl_easy_setopt(easy, CURLOPT_NOPROGRESS, 0L);

    curl_multi_add_handle(multi, easy);
    bool cancelled = false;
    bool timedOut = false;
    int silenceLimit = 0;
    CURLcode code = CURLE_OK;
    bool finished = false;
    {
        // Wakes the wait below at once when the owner stops the transfer.
        std::stop_callback wake(stop, [multi] { curl_multi_wakeup(multi); });
        while (true) {
            int running = 0;
            CURLMcode mc = curl_multi_perform(multi, &running);
            if (mc != CURLM_OK) {
                code = CURLE_FAILED_INIT;
                std::snprintf(errorText, sizeof errorText, "%s", curl_multi_strerror(mc));
                finished = true;
                break;
            }
            int queued = 0;
            while (CURLMsg* msg = curl_multi_info_read(multi, &queued)) {
                if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
                    code = msg->data.result;
                    finished = true;
                }
            }
            if (finished)
                break;
            if (stop.stop_requested()) {
                cancelled = true;
                break;
            }
            bool sending = body && t.uploaded < static_cast<curl_off_t>(body->size());
            // Without a send limit of its own a request body is held to the read limit, so
            // a post to a host that never answers still ends.
            silenceLimit = sending && options_.sendTimeoutMs > 0 ? options_.sendTimeoutMs
                                                                 : options_.readTimeoutMs;
            int waitMs = 50;
            if (silenceLimit > 0) {
                auto silent = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() -
                                                                                    t.lastActivity)
                                  .count();
                if (silent >= silenceLimit) {
                    timedOut = true;
                    break;
                }
                waitMs = static_cast<int>(std::min<long long>(waitMs, silenceLimit - silent));
            }
            curl_multi_poll(multi, nullptr, 0, waitMs, nullptr);
        }
    }
    curl_multi_remove_handle(multi, easy);
    curl_slist_free_all(headerList);

    HttpResult result = std::move(t.result);
    if (cancelled) {
        result.transferFailed = true;
        result.cancelled = true;
        result.error = "Request cancelled";
    } else if (timedOut) {
        result.transferFailed = true;
        result.error = "Read timed out after " + std::to_string(silenceLimit) + " ms";
    } else if (code == CURLE_FILESIZE_EXCEEDED || result.tooLarge) {
        result.transferFailed = true;
        result.tooLarge = true;
        result.error = "Answer larger than " + std::to_string(options_.maxBodyBytes) + " bytes";
    } else if (code != CURLE_OK) {
        result.transferFailed = true;
        result.error = errorText[0] ? errorText : curl_easy_strerror(code);
    } else if (result.status < 200 || result.status > 299) {
        result.error = result.statusLine.empty() ? "No HTTP answer" : result.statusLine;
    }
    return result;
}

} // namespace lw

#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <stop_token>
#include <string>
#include <string_view>
#include <vector>

namespace lw {

// The agent and accept value a blocking client sends unless told otherwise.
inline constexpr const char* kDefaultHttpAgent = "Mozilla/3.0 (compatible; Indy Library)";
inline constexpr const char* kDefaultHttpAccept = "text/html, */*";
inline constexpr std::size_t kDefaultMaxBodyBytes = 64u * 1024u * 1024u;

// Settings of one blocking client. Time-outs are in milliseconds, 0 = no limit.
struct HttpOptions {
    std::string agent = kDefaultHttpAgent;
    std::string accept = kDefaultHttpAccept; // sent as one value, never split
    std::string referer;                     // empty: no Referer header
    int connectTimeoutMs = 0;
    // Longest silence while waiting for or reading the answer.
    int readTimeoutMs = 0;
    // Longest silence while the request body is being sent.
    int sendTimeoutMs = 0;
    bool followRedirects = true; // http and https only, at most maxRedirects
    int maxRedirects = 10;
    // A larger answer body fails the request instead of filling memory.
    std::size_t maxBodyBytes = kDefaultMaxBodyBytes;
    // Cookies are kept between requests of the same client while on.
    bool cookies = false;
    // Empty: the http_proxy/https_proxy/no_proxy environment, as curl reads it.
    // Loopback hosts (127.0.0.1, localhost, ::1) never go through a proxy.
    std::string proxy;
};

// What one request brought back.
struct HttpResult {
    // Status of the final answer; -1 when no HTTP answer arrived.
    int status = -1;
    std::string statusLine;  // e.g. "HTTP/1.1 404 Not Found"; empty when none
    std::string contentType; // the Content-Type header, empty when absent
    std::string body;        // what was received, also after a failure
    // Header lines of the final answer, without line ends or the status line.
    std::vector<std::string> headers;
    // Empty when the whole body arrived with a 2xx status; otherwise what failed,
    // in English as the library words it (a status failure is the status line).
    std::string error;
    bool transferFailed = false; // connection, time-out, cut body, size cap, cancel
    bool tooLarge = false;       // the body passed maxBodyBytes
    bool cancelled = false;      // stopped by the stop token

    bool ok() const { return error.empty(); }
    // The value of the first header with this name (any case); empty when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
};

// A blocking HTTP/1.1 client over libcurl. One client belongs to one thread at a
// time; its stop token may be triggered from any thread and ends a running
// transfer at once. The connection and (when on) the cookies are kept between the
// requests of one client.
class HttpClient {
public:
    explicit HttpClient(HttpOptions options = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpOptions& options() { return options_; }
    const HttpOptions& options() const { return options_; }

    // GET into memory. Bytes of the address that may not appear in a request line
    // (blanks, control bytes, bytes of 0x80 or above) are sent as %XX; a fragment
    // ("#...") is not sent.
    HttpResult get(const std::string& url, std::stop_token stop = {});
    // POST of form bytes as they are, with the one header line
    // "Content-Type: application/x-www-form-urlencoded".
    HttpResult postForm(const std::string& url, std::string_view body, std::stop_token stop = {});

private:
    HttpResult perform(const std::string& url, const std::string_view* body, std::stop_token stop);

    struct Handles;
    HttpOptions options_;
    std::unique_ptr<Handles> handles_;
};

// The no-proxy list handed to libcurl: the environment's list plus the loopback
// hosts ("*" stays "*").
std::string proxyBypassList(std::string_view environmentList);

// Blanks, control bytes and bytes of 0x80 or above as %XX; everything else, "%"
// included, unchanged.
std::string escapeUnsafeUrlBytes(std::string_view url);

} // namespace lw

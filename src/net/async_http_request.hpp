#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace lw {

class EventLoop;

// Milliseconds; 0 leaves the transfer without that limit.
struct RequestTimeouts {
    std::uint32_t connectMs = 0;
    std::uint32_t receiveMs = 0;
    std::uint32_t sendMs = 0;
};

// The answer body handed to the events, at position 0. It lives only while the
// event runs: handlers copy what they need.
class MemoryStream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& bytes() const { return bytes_; }
    std::int64_t size() const { return static_cast<std::int64_t>(bytes_.size()); }
    std::int64_t position() const { return static_cast<std::int64_t>(position_); }
    // Up to n bytes from the position, which moves past them.
    std::string read(std::size_t n);
    // Everything from the position to the end.
    std::string readAll() { return read(bytes_.size()); }

private:
    std::string bytes_;
    std::size_t position_ = 0;
};

// One HTTP request at a time on a fresh worker thread; the outcome arrives as events
// on the UI thread through the event loop. Properties are read when start is
// called; change them only while no request is started.
//
// Outcome events, in order:
//   success (status 200/206, whole body)     onDone
//   no HTTP answer (name, connect, time-out) onHostUnreachable, onAnyError
//   status other than 200/206                onHttpError, onAnyError
//   200/206 with a body cut short or too big onConnectionLost, onAnyError
// Destroying the component abandons a running request: no event follows.
class AsyncHttpRequest {
public:
    explicit AsyncHttpRequest(EventLoop& loop);
    ~AsyncHttpRequest();
    AsyncHttpRequest(const AsyncHttpRequest&) = delete;
    AsyncHttpRequest& operator=(const AsyncHttpRequest&) = delete;

    // Starts the request described by the properties and returns at once. Returns
    // false, changing nothing, while a request of this component is started; the
    // started mark is cleared only after the completion events, so a start made from
    // inside one of them is refused too.
    bool start();
    // A request is started and its completion events have not all run yet.
    bool started() const { return started_; }
    // Ends a started request at once; none of its events follows, and a new request can
    // be started.
    void abandon();

    std::string agent = "Mozilla/4.0 (compatible; Listwright)";
    // An address without "://" is requested as "http://" + address.
    std::string url;
    // Bytes sent as they are in a POST; empty: a GET.
    std::string postData;
    std::string referer;
    RequestTimeouts timeouts;
    // Largest answer body kept in memory; a larger one fails the request.
    std::size_t maxBodyBytes = 64u * 1024u * 1024u;

    std::function<void(AsyncHttpRequest& sender, const std::string& contentType,
                       std::int64_t fileSize, MemoryStream& stream)>
        onDone;
    std::function<void(AsyncHttpRequest& sender, int errorCode, MemoryStream& stream)> onHttpError;
    std::function<void(AsyncHttpRequest& sender, const std::string& contentType,
                       std::int64_t fileSize, std::int64_t bytesRead, MemoryStream& stream)>
        onConnectionLost;
    std::function<void(AsyncHttpRequest& sender)> onHostUnreachable;
    std::function<void(AsyncHttpRequest& sender)> onAnyError;

    // The request as it goes on the wire: "http://" added when no scheme is given,
    // the path and query made safe with the query encoder (escapes already present
    // stay as written).
    static std::string requestAddress(const std::string& url);

    struct Job; // one request, shared by the UI thread and its worker

private:
    void complete(Job& job);

    EventLoop& loop_;
    bool started_ = false;
    bool inCompletion_ = false;
    std::shared_ptr<bool> alive_;
    std::shared_ptr<Job> job_;
    std::jthread worker_;
};

} // namespace lw

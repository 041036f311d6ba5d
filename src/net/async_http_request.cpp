#include "net/async_http_request.hpp"

#include "net/http_client.hpp"
#include "store/text_routines.hpp"
#include "ui/event_loop.hpp"
#include "util/encode.hpp"

#include <algorithm>
#include <atomic>
#include <climits>
#include <exception>

namespace lw {
namespace {

bool isHexDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
}

// The query encoder over path and query; "%XX" escapes already there are kept, so an
// encoded "&" or "=" keeps its meaning.
std::string encodeKeepingEscapes(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && isHexDigit(text[i + 1]) &&
            isHexDigit(text[i + 2])) {
            out.append(text.substr(i, 3));
            i += 2;
        } else {
            out += encodeQueryText(text.substr(i, 1));
        }
    }
    return out;
}

int clampMs(std::uint32_t ms) {
    return static_cast<int>(std::min<std::uint32_t>(ms, INT_MAX));
}

// The Content-Length value; 0 when absent or not a number.
std::int64_t contentLength(const HttpResult& result) {
    std::string text = result.header("Content-Length");
    if (text.empty() || text.size() > 18 ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return 0;
    return std::stoll(text);
}

} // namespace

std::string MemoryStream::read(std::size_t n) {
    std::size_t count = std::min(n, bytes_.size() - position_);
    std::string out = bytes_.substr(position_, count);
    position_ += count;
    return out;
}

struct AsyncHttpRequest::Job {
    std::string address;
    bool post = false;
    std::string body;
    HttpOptions options;
    HttpResult result;
    std::atomic<bool> finished{false}; // the worker has nothing left to do
};

namespace {

// Joins a worker once it has finished. Used when the component is destroyed from
// inside one of its own events: the worker then still waits for that event to return,
// so it cannot be joined on the spot.
struct Reaper {
    std::jthread worker;
    std::shared_ptr<AsyncHttpRequest::Job> job;
};

void reapLater(EventLoop& loop, std::shared_ptr<Reaper> reaper) {
    loop.startTimer(1, [&loop, reaper] {
        if (reaper->job->finished)
            reaper->worker.join();
        else
            reapLater(loop, reaper);
    });
}

} // namespace

AsyncHttpRequest::AsyncHttpRequest(EventLoop& loop)
    : loop_(loop), alive_(std::make_shared<bool>(true)) {}

AsyncHttpRequest::~AsyncHttpRequest() {
    *alive_ = false;
    if (!worker_.joinable())
        return;
    worker_.request_stop();
    if (inCompletion_)
        reapLater(loop_, std::make_shared<Reaper>(Reaper{std::move(worker_), job_}));
    else
        worker_.join(); // the stop ends the transfer at once and drops a pending completion
}

void AsyncHttpRequest::abandon() {
    // From inside a completion the request is already over.
    if (!started_ || inCompletion_)
        return;
    if (worker_.joinable()) {
        worker_.request_stop();
        worker_.join(); // the stop ends the transfer at once and drops a pending completion
    }
    started_ = false;
}

std::string AsyncHttpRequest::requestAddress(const std::string& url) {
    std::string address = url.find("://") == std::string::npos ? "http://" + url : url;
    size_t authority = address.find("://") + 3;
    size_t pathStart = address.find_first_of("/?#", authority);
    if (pathStart == std::string::npos)
        return address;
    std::string rest = address.substr(pathStart);
    return address.substr(0, pathStart) + encodeKeepingEscapes(rest);
}

bool AsyncHttpRequest::start() {
    if (started_)
        return false;
    started_ = true;
    // The previous worker has handed over its completion and is ending.
    if (worker_.joinable())
        worker_.join();

    auto job = std::make_shared<Job>();
    job_ = job;
    job->address = requestAddress(url);
    job->post = !postData.empty();
    job->body = postData;
    HttpOptions& o = job->options;
    o.agent = agent;
    o.referer = referer;
    o.connectTimeoutMs = clampMs(timeouts.connectMs);
    o.readTimeoutMs = clampMs(timeouts.receiveMs);
    o.sendTimeoutMs = clampMs(timeouts.sendMs);
    // Cookies live as long as the request's client.
    o.cookies = true;
    o.maxBodyBytes = maxBodyBytes;

    worker_ = std::jthread([this, job, &loop = loop_](std::stop_token stop) {
        struct Finished {
            Job& job;
            ~Finished() { job.finished = true; }
        } finished{*job};
        try {
            HttpClient client(job->options);
            job->result = job->post ? client.postForm(job->address, job->body, stop)
                                    : client.get(job->address, stop);
        } catch (const std::exception&) {
            // Reported at once; the completion below still tells how far it got.
            bool delivered = loop.invokeBlocking(
                [this] {
                    if (onAnyError)
                        onAnyError(*this);
                },
                stop);
            if (!delivered)
                return;
        }
        if (stop.stop_requested())
            return;
        loop.invokeBlocking([this, job] { complete(*job); }, stop);
    });
    return true;
}

void AsyncHttpRequest::complete(Job& job) {
    std::shared_ptr<bool> alive = alive_;
    inCompletion_ = true;
    bool handlerFailed = false;
    // Runs one handler; false when the component was destroyed inside it.
    auto raise = [&](auto& handler, auto&&... args) {
        if (handler) {
            try {
                handler(*this, args...);
            } catch (...) {
                handlerFailed = true;
            }
        }
        return *alive;
    };

    const HttpResult& r = job.result;
    MemoryStream stream(std::move(job.result.body));
    int status = r.status;
    std::int64_t dataSize = contentLength(r);
    std::int64_t bytesRead = stream.size();
    // A transfer that ended early (cut, silent too long) failed whatever its framing said:
    // a chunked answer has no length to compare.
    bool success = (status == 200 || status == 206) && (dataSize == 0 || dataSize == bytesRead) &&
                   !r.tooLarge && !r.transferFailed;

    bool live = true;
    if (success) {
        live = raise(onDone, r.contentType, bytesRead, stream);
    } else {
        if (status == 200 || status == 206)
            live = raise(onConnectionLost, r.contentType, dataSize, bytesRead, stream);
        else if (status == -1)
            live = raise(onHostUnreachable);
        else
            live = raise(onHttpError, status, stream);
        if (live)
            live = raise(onAnyError);
    }
    if (!live)
        return;
    if (handlerFailed && onAnyError) {
        try {
            onAnyError(*this);
        } catch (...) {
        }
        if (!*alive)
            return;
    }
    inCompletion_ = false;
    started_ = false;
}

} // namespace lw

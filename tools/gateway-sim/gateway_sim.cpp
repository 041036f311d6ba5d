#include "gateway_sim.hpp"

#include "platform/platform.hpp"
#include "top_router.hpp"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace gatewaysim {
namespace {

namespace fs = std::filesystem;

const char* const kRouterPath = "/router/rest";

bool startsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

std::string lowered(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
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

bool isNumber(const std::string& text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// Digits as a number, capped so that no fault argument can overflow.
int toInt(const std::string& digits) {
    long long value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > 1000000000)
            return 1000000000;
    }
    return static_cast<int>(value);
}

std::vector<std::string> split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (true) {
        size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string::npos ? at : at - start));
        if (at == std::string::npos)
            return parts;
        start = at + 1;
    }
}

// %XX decoded, "+" a blank: form encoding.
std::string formDecode(const std::string& text) {
    auto hex = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '%' && i + 2 < text.size() && hex(text[i + 1]) >= 0 && hex(text[i + 2]) >= 0) {
            out += static_cast<char>(hex(text[i + 1]) * 16 + hex(text[i + 2]));
            i += 2;
        } else {
            out += c == '+' ? ' ' : c;
        }
    }
    return out;
}

// "a=1&b=2" into params; a name already there keeps its first value.
void addForm(const std::string& text, Params& params) {
    for (const auto& pair : split(text, '&')) {
        if (pair.empty())
            continue;
        size_t eq = pair.find('=');
        std::string name = formDecode(pair.substr(0, eq));
        if (name.empty())
            continue;
        params.emplace(name,
                       eq == std::string::npos ? std::string() : formDecode(pair.substr(eq + 1)));
    }
}

const char* kindName(FaultKind kind) {
    switch (kind) {
    case FaultKind::Throttle:
        return "throttle";
    case FaultKind::Isp:
        return "isp";
    case FaultKind::Latency:
        return "latency";
    case FaultKind::Stall:
        return "stall";
    case FaultKind::CutBody:
        return "cut-body";
    case FaultKind::Status:
        return "status";
    case FaultKind::BadXml:
        return "bad-xml";
    }
    return "";
}

const FaultKind kAllKinds[] = {FaultKind::Throttle, FaultKind::Isp,     FaultKind::Latency,
                               FaultKind::Stall,    FaultKind::CutBody, FaultKind::Status,
                               FaultKind::BadXml};

std::string paramOf(const Params& params, const std::string& name) {
    auto it = params.find(name);
    return it == params.end() ? std::string() : it->second;
}

bool faultFits(const Fault& fault, const Params& params) {
    const std::string& m = fault.match;
    if (m == "*")
        return true;
    if (startsWith(m, "method="))
        return paramOf(params, "method") == m.substr(7);
    if (startsWith(m, "cid="))
        return paramOf(params, "cid") == m.substr(4) ||
               paramOf(params, "parent_cid") == m.substr(4);
    if (m == "pvs")
        return paramOf(params, "method") == "taobao.itempropvalues.get";
    return false;
}

} // namespace

std::optional<Fault> parseFault(const std::string& rawLine, std::string* error) {
    if (error)
        error->clear();
    std::string line = rawLine;
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.pop_back();
    if (trim(line).empty() || trim(line)[0] == '#')
        return std::nullopt;
    std::vector<std::string> fields;
    if (line.find('\t') != std::string::npos) {
        for (const auto& f : split(line, '\t'))
            fields.push_back(trim(f));
    } else {
        std::istringstream in(line);
        std::string f;
        while (in >> f)
            fields.push_back(f);
    }
    auto fail = [&](const std::string& why) -> std::optional<Fault> {
        if (error)
            *error = "bad fault \"" + line + "\": " + why;
        return std::nullopt;
    };
    if (fields.size() < 2 || fields.size() > 4)
        return fail("expected match, kind, argument, times");
    auto kind = std::find_if(std::begin(kAllKinds), std::end(kAllKinds),
                             [&](FaultKind k) { return fields[1] == kindName(k); });
    if (kind == std::end(kAllKinds))
        return fail("unknown kind " + fields[1]);
    Fault fault{fields[0], *kind, {}, 0};
    // "-" stands for no argument where a times field follows.
    if (fields.size() > 2 && fields[2] != "-")
        fault.argument = fields[2];
    if (fields.size() > 3) {
        if (!isNumber(fields[3]))
            return fail("times must be a number");
        fault.times = toInt(fields[3]);
    }
    bool needsNumber = fault.kind == FaultKind::Latency || fault.kind == FaultKind::Stall ||
                       fault.kind == FaultKind::Status;
    if (needsNumber && !isNumber(fault.argument))
        return fail(fields[1] + " needs a number");
    if (fault.kind == FaultKind::Throttle && !fault.argument.empty() && !isNumber(fault.argument))
        return fail("throttle takes the seconds of the ban");
    if (fault.kind == FaultKind::Status &&
        (toInt(fault.argument) < 100 || toInt(fault.argument) > 599))
        return fail("status needs an HTTP status (100 to 599)");
    const std::string& m = fault.match;
    bool knownMatch = m == "*" || m == "pvs" || (startsWith(m, "method=") && m.size() > 7) ||
                      (startsWith(m, "cid=") && isNumber(m.substr(4)));
    if (!knownMatch)
        return fail("unknown match " + m);
    return fault;
}

struct Server::Impl {
    std::unique_ptr<httplib::Server> http;
    std::thread listener;
    fs::path fixtures;
    int port = 0;

    mutable std::mutex mutex; // app, calls, faults, request ids
    App app;
    std::vector<RecordedCall> calls;
    std::vector<Fault> faults;
    int clockSkewSeconds = 0;
    unsigned long long requestCounter = 0;
    unsigned long long requestSeed = std::random_device{}();

    std::mutex stopMutex;
    std::condition_variable stopCv;
    bool stopping = false;

    // Waits ms; false when the server stops meanwhile.
    bool wait(int ms) {
        std::unique_lock lock(stopMutex);
        return !stopCv.wait_for(lock, std::chrono::milliseconds(ms), [&] { return stopping; });
    }

    std::optional<Fault> takeFault(const Params& params);
    std::string nextRequestId();
    void record(RecordedCall call);
    void handleRouter(const httplib::Request& req, httplib::Response& res);
    void handle(const httplib::Request& req, httplib::Response& res);
};

std::optional<Fault> Server::Impl::takeFault(const Params& params) {
    std::lock_guard lock(mutex);
    for (auto it = faults.begin(); it != faults.end(); ++it) {
        if (!faultFits(*it, params))
            continue;
        Fault fault = *it;
        if (it->times > 0 && --it->times == 0)
            faults.erase(it);
        return fault;
    }
    return std::nullopt;
}

// Twelve letters and digits, like TOP's request ids.
std::string Server::Impl::nextRequestId() {
    unsigned long long n;
    {
        std::lock_guard lock(mutex);
        n = requestSeed * 6364136223846793005ULL + ++requestCounter * 1442695040888963407ULL;
    }
    static const char* const digits = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::string id;
    for (int i = 0; i < 12; ++i) {
        id += digits[n % 36];
        n /= 36;
    }
    return id;
}

void Server::Impl::record(RecordedCall call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
}

void Server::Impl::handleRouter(const httplib::Request& req, httplib::Response& res) {
    TopCall call;
    std::string target = req.target.substr(0, req.target.find('#'));
    size_t question = target.find('?');
    if (question != std::string::npos)
        addForm(target.substr(question + 1), call.params);
    std::string contentType = lowered(req.get_header_value("Content-Type"));
    if (contentType.empty() || startsWith(contentType, "application/x-www-form-urlencoded"))
        addForm(req.body, call.params);
    call.fixtures = fixtures;
    call.requestId = nextRequestId();
    int skew;
    {
        std::lock_guard lock(mutex);
        call.app = app;
        skew = clockSkewSeconds;
    }
    auto now = [skew] {
        auto since = std::chrono::system_clock::now().time_since_epoch();
        return std::chrono::duration_cast<std::chrono::seconds>(since).count() + skew;
    };
    RecordedCall recorded{paramOf(call.params, "method"), call.params, req.body, "ok"};

    std::optional<Fault> fault = takeFault(call.params);
    if (!fault) {
        call.nowSeconds = now();
        TopAnswer answer = answerTopCall(call);
        recorded.answerKind = answer.answerKind;
        record(std::move(recorded));
        res.set_content(answer.body, answer.contentType.c_str());
        return;
    }
    recorded.answerKind = kindName(fault->kind);
    record(std::move(recorded));
    int number = isNumber(fault->argument) ? toInt(fault->argument) : 0;
    switch (fault->kind) {
    case FaultKind::Throttle: {
        std::string seconds = fault->argument.empty() ? "1" : fault->argument;
        TopAnswer answer = topErrorAnswer(
            call.params, 7, "App Call Limited", "accesscontrol.limited-by-app-access-count",
            "This ban will last for " + seconds + " more seconds", call.requestId);
        res.set_content(answer.body, answer.contentType.c_str());
        return;
    }
    case FaultKind::Isp: {
        std::string subCode =
            fault->argument.empty() ? "isp.top-remote-connection-timeout" : fault->argument;
        TopAnswer answer = topErrorAnswer(call.params, 15, "Remote service error", subCode,
                                          "服务暂不可用", call.requestId);
        res.set_content(answer.body, answer.contentType.c_str());
        return;
    }
    case FaultKind::Status:
        res.status = number;
        res.set_content("gateway-sim: status " + std::to_string(number), "text/plain");
        return;
    case FaultKind::BadXml:
        res.set_content("<itemprops_get_response><item_props list=\"true\"><item_prop>",
                        "text/xml;charset=UTF-8");
        return;
    case FaultKind::Latency:
    case FaultKind::Stall:
        // Nothing goes out before the handler returns: not even the headers.
        if (!wait(number))
            return;
        call.nowSeconds = now();
        {
            TopAnswer answer = answerTopCall(call);
            res.set_content(answer.body, answer.contentType.c_str());
        }
        return;
    case FaultKind::CutBody: {
        call.nowSeconds = now();
        TopAnswer answer = answerTopCall(call);
        auto body = std::make_shared<std::string>(std::move(answer.body));
        res.set_content_provider(body->size(), answer.contentType.c_str(),
                                 [body](size_t offset, size_t, httplib::DataSink& sink) {
                                     if (offset == 0)
                                         sink.write(body->data(), body->size() / 2);
                                     return false;
                                 });
        return;
    }
    }
}

void Server::Impl::handle(const httplib::Request& req, httplib::Response& res) {
    // One platform per path: the 1688 gateway will get its own beside the router.
    if (req.path == kRouterPath) {
        handleRouter(req, res);
        return;
    }
    res.status = 404;
    res.set_content("gateway-sim: nothing for " + req.path, "text/plain");
}

Server::Server() : impl_(std::make_unique<Impl>()) {}

Server::~Server() {
    stop();
}

void Server::setApp(App app) {
    std::lock_guard lock(impl_->mutex);
    impl_->app = std::move(app);
}

int Server::start(const std::string& fixtureDir, int port) {
    if (impl_->listener.joinable())
        throw std::runtime_error("gateway-sim is already running");
    impl_->fixtures = lw::platform::toPath(fixtureDir);
    std::error_code ec;
    if (!fs::is_directory(impl_->fixtures, ec))
        throw std::runtime_error("gateway-sim: no fixture folder " + fixtureDir);
    {
        std::lock_guard lock(impl_->stopMutex);
        impl_->stopping = false;
    }
    // All or nothing: a malformed line leaves none of the file's faults behind.
    if (std::ifstream in{impl_->fixtures / "faults.tsv", std::ios::binary}) {
        std::ostringstream text;
        text << in.rdbuf();
        std::vector<Fault> loaded;
        for (const auto& line : split(text.str(), '\n')) {
            std::string error;
            auto fault = parseFault(line, &error);
            if (!error.empty())
                throw std::runtime_error("faults.tsv: " + error);
            if (fault)
                loaded.push_back(*fault);
        }
        for (const auto& fault : loaded)
            addFault(fault);
    }
    impl_->http = std::make_unique<httplib::Server>();
    Impl* impl = impl_.get();
    auto handler = [impl](const httplib::Request& req, httplib::Response& res) {
        impl->handle(req, res);
    };
    impl_->http->Get(".*", handler);
    impl_->http->Post(".*", handler);
    impl_->http->set_keep_alive_timeout(1);
    // Headers and body go out in separate writes; without this every answer on a kept
    // connection waits for the client's delayed acknowledgement (about 40 ms).
    impl_->http->set_tcp_nodelay(true);
    impl_->http->new_task_queue = [] { return new httplib::ThreadPool(16); };
    // The library listens with a backlog of 5: a burst of connections loses SYNs and waits
    // a second for the retry. Listening again on the bound socket raises it (where the
    // system allows; elsewhere nothing changes).
    auto listening = std::make_shared<socket_t>(INVALID_SOCKET);
    impl_->http->set_socket_options([listening](socket_t sock) {
        httplib::default_socket_options(sock);
        *listening = sock;
    });
    int bound = port == 0 ? impl_->http->bind_to_any_port("127.0.0.1")
                          : (impl_->http->bind_to_port("127.0.0.1", port) ? port : -1);
    if (bound > 0 && *listening != INVALID_SOCKET)
        ::listen(*listening, 64);
    if (bound <= 0)
        throw std::runtime_error("gateway-sim cannot listen on 127.0.0.1:" + std::to_string(port));
    impl_->port = bound;
    impl_->listener = std::thread([impl] { impl->http->listen_after_bind(); });
    // A stop before the listener runs would be lost and leave it in accept() for good.
    for (int i = 0; i < 2000 && !impl_->http->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void Server::stop() {
    {
        std::lock_guard lock(impl_->stopMutex);
        impl_->stopping = true;
    }
    impl_->stopCv.notify_all();
    if (impl_->listener.joinable()) {
        impl_->http->stop();
        impl_->listener.join();
    }
}

int Server::port() const {
    return impl_->port;
}

std::string Server::routerUrl() const {
    return "http://127.0.0.1:" + std::to_string(impl_->port) + kRouterPath;
}

std::vector<RecordedCall> Server::calls() const {
    std::lock_guard lock(impl_->mutex);
    return impl_->calls;
}

int Server::callCount(const std::string& method) const {
    std::lock_guard lock(impl_->mutex);
    return static_cast<int>(
        std::count_if(impl_->calls.begin(), impl_->calls.end(),
                      [&](const RecordedCall& call) { return call.method == method; }));
}

void Server::clearCalls() {
    std::lock_guard lock(impl_->mutex);
    impl_->calls.clear();
}

void Server::addFault(const Fault& fault) {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.push_back(fault);
}

void Server::addFault(const std::string& line) {
    std::string error;
    auto fault = parseFault(line, &error);
    if (!error.empty())
        throw std::runtime_error(error);
    if (fault)
        addFault(*fault);
}

void Server::clearFaults() {
    std::lock_guard lock(impl_->mutex);
    impl_->faults.clear();
}

void Server::setClockSkewSeconds(int seconds) {
    std::lock_guard lock(impl_->mutex);
    impl_->clockSkewSeconds = seconds;
}

} // namespace gatewaysim

#include "relay/relay_server.hpp"

#include <httplib.h>

#include <chrono>
#include <memory>

namespace lw::relay {
namespace {

// The whole body is read before the handler sees it: beyond this the library refuses
// it with 413, below it the API endpoint's own, smaller limit answers in words.
constexpr std::size_t kMaxPayloadBytes = 1024 * 1024;
constexpr const char* kXmlType = "text/xml;charset=UTF-8";

std::string queryOf(const std::string& target) {
    std::size_t q = target.find('?');
    if (q == std::string::npos)
        return {};
    std::string query = target.substr(q + 1);
    std::size_t hash = query.find('#');
    if (hash != std::string::npos)
        query.erase(hash);
    return query;
}

} // namespace

bool splitListenAddress(const std::string& listen, std::string& host, int& port) {
    std::size_t colon = listen.rfind(':');
    if (colon == std::string::npos || colon == 0)
        return false;
    host = listen.substr(0, colon);
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    std::string digits = listen.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(digits);
    return port <= 65535;
}

RelayServer::RelayServer(RelayService& service, const RelayConfig& config, RelayLog& log)
    : service_(service), config_(config), log_(log) {}

RelayServer::~RelayServer() {
    stop();
}

void RelayServer::addRoutes() {
    // The body is read here: the library would refuse a form body over 8 KB on its own,
    // before the endpoint can answer in words, and its limit is not a setting.
    http_->Post("/openapi/getdata.aspx", [this](const httplib::Request& req, httplib::Response& res,
                                                const httplib::ContentReader& read) {
        std::string body;
        bool tooLarge = false;
        read([&](const char* data, std::size_t length) {
            if (body.size() + length > kMaxPayloadBytes) {
                tooLarge = true;
                return false;
            }
            body.append(data, length);
            return true;
        });
        if (tooLarge) {
            log_.warn("拒绝 " + req.remote_addr + "：请求超过 " + std::to_string(kMaxPayloadBytes) +
                      " 字节");
            res.status = 413;
            res.set_content(oversizedBodyResponse(), kXmlType);
            return;
        }
        res.set_content(service_.answerApi(body, req.remote_addr), kXmlType);
    });
    http_->Get("/xml/getxml.asp", [this](const httplib::Request& req, httplib::Response& res) {
        LookupReply reply = service_.answerLookup(queryOf(req.target), req.remote_addr);
        res.status = reply.status;
        res.set_content(reply.body, reply.status == 200 || reply.status == 503
                                        ? kXmlType
                                        : "text/plain;charset=UTF-8");
    });
    http_->set_error_handler([](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/openapi/getdata.aspx" && res.status == 413)
            res.set_content(oversizedBodyResponse(), kXmlType);
        else if (res.body.empty())
            res.set_content("listwright-relay: " + std::to_string(res.status) + "\n",
                            "text/plain;charset=UTF-8");
    });
    http_->set_logger([this](const httplib::Request& req, const httplib::Response& res) {
        // The path only: a query may be long, and bodies carry the App Key.
        if (log_.enabled(LogLevel::Debug))
            log_.debug(req.remote_addr + " " + req.method + " " + req.path + " " +
                       std::to_string(res.status));
    });
}

int RelayServer::start(const std::string& host, int port, std::string& error) {
    if (!config_.tlsCertificate.empty()) {
#ifdef CPPHTTPLIB_OPENSSL_SUPPORT
        auto tls = std::make_unique<httplib::SSLServer>(config_.tlsCertificate.c_str(),
                                                        config_.tlsKey.c_str());
        if (!tls->is_valid()) {
            error = "无法使用证书 " + config_.tlsCertificate + " 和密钥 " + config_.tlsKey;
            return -1;
        }
        http_ = std::move(tls);
#else
        error = "这个版本的 listwright-relay 不支持 https（没有 TLS），请去掉 tls_certificate 和 "
                "tls_key";
        return -1;
#endif
    } else {
        http_ = std::make_unique<httplib::Server>();
    }
    addRoutes();
    const int threads = config_.threads;
    http_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http_->set_payload_max_length(kMaxPayloadBytes);
    http_->set_read_timeout(std::chrono::seconds(5));
    http_->set_write_timeout(std::chrono::seconds(5));
    http_->set_idle_interval(std::chrono::milliseconds(0));
    http_->set_keep_alive_timeout(2);
    http_->set_keep_alive_max_count(1000);
    http_->set_tcp_nodelay(true);

    // The library listens with a backlog of 5: a burst of connections (a run's parallel
    // look-ups, several shop keepers at once) loses SYNs and waits a second or more for
    // the retry. Listening again on the bound socket raises it.
    auto listening = std::make_shared<socket_t>(INVALID_SOCKET);
    http_->set_socket_options([listening](socket_t sock) {
        httplib::default_socket_options(sock);
        *listening = sock;
    });
    int bound =
        port == 0 ? http_->bind_to_any_port(host) : (http_->bind_to_port(host, port) ? port : -1);
    if (bound > 0 && *listening != INVALID_SOCKET)
        ::listen(*listening, 256);
    if (bound <= 0) {
        error =
            "无法在 " + host + ":" + std::to_string(port) + " 上监听（地址不对，或端口已被占用）";
        return -1;
    }
    port_ = bound;
    httplib::Server* server = http_.get();
    listener_ = std::thread([server] { server->listen_after_bind(); });
    // A stop before the listener runs would be lost and leave it in accept() for good.
    for (int i = 0; i < 2000 && !http_->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return bound;
}

void RelayServer::stop() {
    if (listener_.joinable()) {
        http_->stop();
        listener_.join();
    }
}

} // namespace lw::relay

#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// A loopback stand-in for the Relay, the supplier shop site and the picture hosts,
// answering from a fixture folder (layout in README.md).
namespace relaysim {

enum class FaultKind {
    Latency,       // wait argument ms, then answer normally
    Status,        // answer with HTTP status argument and a short text body
    ErrorResponse, // answer 200 with an Error Response; argument "msg|sub_code|sub_msg"
    Stall,         // send nothing for argument ms, then answer normally
    StallBody,     // send the headers and half the body, wait argument ms, then close
    ShortBody,     // announce the full length, send argument bytes (default half), close
    BadJson,       // answer 200 with a body that is not JSON
    Bom,           // the normal answer after a UTF-8 byte-order mark
    NoLength,      // answer normally but chunked, without Content-Length
    Empty,         // answer 200 with "Content-Length: 0"
    Redirect,      // answer 302 with Location: argument
    Cookie,        // answer normally with "Set-Cookie: argument"
    CutChunked,    // chunked, half the body, then the connection closes without the end
    SlowBody,      // the body in ten pieces, argument ms of silence before each
    StallChunked,  // chunked, half the body, argument ms of silence, then close
    DeepJson,      // answer 200 with an offer whose skuArray nests argument levels deep
};

// One thing to break. match selects the requests:
//   *              every request
//   method=NAME    Relay posts of that method (offer.get, user.itemcats.get, ...)
//   offer=ID       offer.get for that offer id
//   lookup         every property look-up; lookup=TB_ItemProps or lookup=TB_ItemPropValue
//   host=HOST      shop and picture requests for that host
//   path=PREFIX    requests whose path begins with PREFIX
struct Fault {
    std::string match;
    FaultKind kind = FaultKind::Status;
    std::string argument;
    int times = 0; // how many matching requests it breaks; 0 = all
};

// One faults.tsv line: match, kind, argument, times, separated by TABs (or blanks,
// when the argument holds none). Kinds: latency, status, error-response, stall,
// stall-body, short-body, bad-json, no-length, empty, redirect, cookie, cut-chunked,
// slow-body. Returns nullopt and sets error
// when the line is malformed; blank and "#" lines give nullopt with an empty error.
std::optional<Fault> parseFault(const std::string& line, std::string* error = nullptr);

struct RecordedRequest {
    std::string method;
    std::string target; // as on the request line (origin or absolute form)
    std::string host;   // from an absolute target, else the Host header
    std::string path;   // without query, still %-encoded
    std::string query;  // after "?", still %-encoded, without fragment
    std::string role;   // "relay", "lookup", "shop", "picture" or "unknown"
    std::vector<std::pair<std::string, std::string>> headers;
    std::string body; // bytes as received

    // The first header of that name (any case); empty when absent.
    std::string header(std::string_view name) const;
    bool hasHeader(std::string_view name) const;
    // A form field of the body or the query, decoded ("+" = blank, %XX).
    std::string param(std::string_view name) const;
};

class Server {
public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Listens on 127.0.0.1 (port 0: any free port) and serves fixtureDir; loads
    // fixtureDir/faults.tsv when present. Returns the port. Throws
    // std::runtime_error when it cannot listen or faults.tsv is malformed.
    int start(const std::string& fixtureDir, int port = 0);
    // The same over TLS with the certificate and key (PEM files): the Relay at
    // "https://127.0.0.1:PORT". Throws std::runtime_error as start does, and when this
    // build of the simulator has no TLS.
    int startTls(const std::string& fixtureDir, const std::string& certFile,
                 const std::string& keyFile, int port = 0);
    // Ends every transfer (stalls included) and stops listening.
    void stop();

    int port() const;
    std::string hostPort() const; // "127.0.0.1:PORT": a Relay host for the configuration
    std::string url() const;      // "http(s)://127.0.0.1:PORT": also the proxy for shops

    std::vector<RecordedRequest> requests() const;
    void clearRequests();

    void addFault(const Fault& fault);
    // A faults.tsv line; throws std::runtime_error when malformed.
    void addFault(const std::string& line);
    void clearFaults();

private:
    int listen(const std::string& fixtureDir, int port);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

// %XX decoded; with plusIsBlank "+" becomes a blank.
std::string percentDecode(std::string_view text, bool plusIsBlank);

} // namespace relaysim

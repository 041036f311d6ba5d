#pragma once

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A loopback stand-in for the Taobao Open Platform router: it checks what the router
// checks (app key, timestamp, signature, arguments) and answers the category methods
// from a fixture folder (layout in README.md), with faults to order.
namespace gatewaysim {

// The application the router knows: calls must carry its key and be signed with its secret.
struct App {
    std::string key = "test-app-key";
    std::string secret = "test-app-secret";
};

enum class FaultKind {
    Throttle, // error 7 App Call Limited; argument: the seconds the ban lasts (default 1)
    Isp,      // error 15 Remote service error; argument: the sub_code
    Latency,  // wait argument ms, then answer normally
    Stall,    // send nothing at all for argument ms, then answer normally
    CutBody,  // announce the full length, send half the body, close
    Status,   // HTTP status argument with a short text body
    BadXml,   // 200 with XML cut off in the middle
};

// One thing to break. match selects the router calls:
//   *              every call
//   method=NAME    calls of that method
//   cid=N          calls whose cid or parent_cid parameter is N
//   pvs            taobao.itempropvalues.get calls
struct Fault {
    std::string match;
    FaultKind kind;
    std::string argument;
    int times = 0; // how many matching calls it breaks; 0 = all
};

// One faults.tsv line: "MATCH KIND [ARGUMENT [TIMES]]", separated by TABs or blanks.
// Kinds: throttle, isp, latency, stall, cut-body, status, bad-xml; an ARGUMENT of "-"
// means none. Returns nullopt and sets error when the line is malformed; blank and "#"
// lines give nullopt with an empty error.
std::optional<Fault> parseFault(const std::string& line, std::string* error = nullptr);

// One request to the router.
struct RecordedCall {
    std::string method;                        // the `method` parameter ("" when missing)
    std::map<std::string, std::string> params; // query + form body, decoded
    std::string rawBody;                       // bytes as received
    std::string answerKind; // "ok", the TOP error code given (e.g. "25"), or the fault kind
};

// The router's signature of params (every one but `sign`, blank values left out) with
// secret, for signMethod "md5", "hmac" or "hmac-sha256": upper-case hex, "" for any other
// sign method.
std::string topSignature(const std::map<std::string, std::string>& params,
                         const std::string& secret, const std::string& signMethod);

class Server {
public:
    Server();
    ~Server();
    Server(const Server&) = delete;
    Server& operator=(const Server&) = delete;

    // Before start; App{} by default.
    void setApp(App app);
    // Listens on 127.0.0.1 (port 0: any free port) and serves fixtureDir; loads
    // fixtureDir/faults.tsv when present. Returns the port. Throws std::runtime_error
    // when the folder is missing, it cannot listen, or faults.tsv is malformed.
    int start(const std::string& fixtureDir, int port = 0);
    // Ends every transfer (stalls included) and stops listening.
    void stop();

    int port() const;
    std::string routerUrl() const; // "http://127.0.0.1:PORT/router/rest"

    std::vector<RecordedCall> calls() const;
    // Calls received with that method, whatever their answer.
    int callCount(const std::string& method) const;
    void clearCalls();

    void addFault(const Fault& fault);
    // A faults.tsv line; throws std::runtime_error when malformed.
    void addFault(const std::string& line);
    void clearFaults();

    // Timestamps are checked against the clock moved by this many seconds (tests of the
    // ten-minute window).
    void setClockSkewSeconds(int seconds);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace gatewaysim

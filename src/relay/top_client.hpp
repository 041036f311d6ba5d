#pragma once

#include "relay/relay_log.hpp"
#include "relay/xml_reader.hpp"

#include <atomic>
#include <chrono>
#include <map>
#include <optional>
#include <stop_token>
#include <string>

namespace lw::relay {

using Clock = std::chrono::steady_clock;

// Why a call to the Taobao Open Platform brought no answer.
enum class TopFailure {
    None,
    Network,       // no connection, time-out, cut answer, an HTTP error status
    Throttled,     // the platform's call limit (code 7), its ban outlasting the budget
    PlatformError, // isp.* and "service unavailable": the platform's own trouble
    Misconfigured, // the Relay's app key, secret, signature or clock is refused
    Refused,       // any other error the platform answered (a bad parameter ...)
    BadAnswer,     // an answer that is not the platform's XML
    Cancelled,
};

struct TopError {
    TopFailure failure = TopFailure::None;
    int code = 0; // the platform's code, 0 when it gave none
    std::string msg;
    std::string subCode;
    std::string subMsg;
    std::string detail; // network or parser text, HTTP status
    int banSeconds = 0; // the wait a throttling answer stated

    // One line for the operator's log.
    std::string describe() const;
};

struct TopResult {
    std::optional<XmlElement> answer; // the response element (xxx_get_response)
    TopError error;
    int attempts = 0;
    bool ok() const { return answer.has_value(); }
};

struct TopClientSettings {
    std::string router;
    std::string appKey;
    std::string appSecret;
    std::string signMethod = "hmac-sha256";
    int connectTimeoutMs = 3000;
    // Attempts of one call at most, throttling waits included.
    int maxAttempts = 5;
};

// The one place that knows how the Taobao Open Platform is called: its common
// parameters, signing, answers and errors. Calls may come from several threads.
class TopClient {
public:
    TopClient(TopClientSettings settings, RelayLog& log);

    // Calls method with the application parameters (empty values are left out, as the
    // platform wants), retrying network failures, platform errors and throttling only
    // while the deadline allows; never returns after the deadline by more than one
    // connection's silence.
    TopResult call(const std::string& method, const std::map<std::string, std::string>& params,
                   Clock::time_point deadline, std::stop_token stop = {});

    // The request parameters of a call, signed, as sent (for tests of the signing).
    std::map<std::string, std::string>
    signedParameters(const std::string& method, const std::map<std::string, std::string>& params,
                     const std::string& timestamp) const;

    const TopClientSettings& settings() const { return settings_; }

private:
    TopResult attempt(const std::string& method, const std::map<std::string, std::string>& params,
                      Clock::time_point deadline, std::stop_token stop);

    TopClientSettings settings_;
    RelayLog& log_;
    // While the platform's ban lasts no call is sent (milliseconds of Clock).
    std::atomic<std::int64_t> bannedUntilMs_{0};
};

// Waits until the moment or until stop is requested; false when stopped.
bool sleepUntil(Clock::time_point until, std::stop_token stop);

// "yyyy-MM-dd HH:mm:ss" of a moment in GMT+8, the platform's time zone.
std::string topTimestamp(std::chrono::system_clock::time_point moment);

// The seconds a throttling answer's sub_msg states ("This ban will last for 2 more
// seconds"); 1 when it states none.
int statedBanSeconds(const std::string& subMsg);

} // namespace lw::relay

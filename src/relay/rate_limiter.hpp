#pragma once

#include <chrono>
#include <map>
#include <mutex>
#include <string>

namespace lw::relay {

// A burst allowance per client address, refilled at a steady rate (a token bucket).
class RateLimiter {
public:
    using Clock = std::chrono::steady_clock;

    RateLimiter(int burst, int perSecond) : burst_(burst), perSecond_(perSecond) {}

    // Takes one request's allowance; false when the address has none left.
    bool allow(const std::string& address, Clock::time_point now = Clock::now());

private:
    struct Bucket {
        double tokens;
        Clock::time_point updated;
    };

    double burst_;
    double perSecond_;
    std::mutex mutex_;
    std::map<std::string, Bucket> buckets_;
};

} // namespace lw::relay

#include "relay/rate_limiter.hpp"

#include <algorithm>

namespace lw::relay {
namespace {

// Addresses kept before the full buckets are dropped (they hold nothing a new one lacks).
constexpr std::size_t kMaxAddresses = 10000;

} // namespace

bool RateLimiter::allow(const std::string& address, Clock::time_point now) {
    std::lock_guard lock(mutex_);
    auto it = buckets_.find(address);
    if (it == buckets_.end()) {
        if (buckets_.size() >= kMaxAddresses) {
            for (auto b = buckets_.begin(); b != buckets_.end();) {
                double seconds = std::chrono::duration<double>(now - b->second.updated).count();
                if (b->second.tokens + seconds * perSecond_ >= burst_)
                    b = buckets_.erase(b);
                else
                    ++b;
            }
        }
        it = buckets_.emplace(address, Bucket{burst_, now}).first;
    }
    Bucket& bucket = it->second;
    double seconds = std::chrono::duration<double>(now - bucket.updated).count();
    if (seconds > 0) {
        bucket.tokens = std::min(burst_, bucket.tokens + seconds * perSecond_);
        bucket.updated = now;
    }
    if (bucket.tokens < 1.0)
        return false;
    bucket.tokens -= 1.0;
    return true;
}

} // namespace lw::relay

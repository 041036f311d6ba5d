#pragma once

#include "relay/category_properties.hpp"
#include "relay/relay_log.hpp"
#include "relay/relay_store.hpp"
#include "relay/top_client.hpp"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <thread>
#include <vector>

namespace lw::relay {

// The answer of one look-up: status 200 with the result XML, or 503 when Taobao could
// not tell in time (the client then reports the look-up as unanswered).
struct LookupReply {
    int status = 200;
    std::string body;
};

struct PropertyLookupSettings {
    int propertiesDays = 7;         // a category's properties are asked again after this
    int waitMs = 2500;              // how long a look-up waits for a fetch it needs
    int budgetMs = 20000;           // a fetch's whole time, retries and throttling waits included
    int fetchThreads = 4;           // fetches running at once
    int retryAfterFailureMs = 5000; // a failed fetch is not started again sooner
};

// Property look-ups answered from each category's properties, which are fetched from
// Taobao once (one call even when many look-ups of the category arrive together), kept
// in memory and in the database, and refreshed when they are older than the set time.
// A look-up never waits longer than waitMs: a fetch not done by then goes on in the
// background and serves the next look-up.
class PropertyLookups {
public:
    PropertyLookups(TopClient& top, RelayStore& store, RelayLog& log,
                    PropertyLookupSettings settings);
    ~PropertyLookups();
    PropertyLookups(const PropertyLookups&) = delete;
    PropertyLookups& operator=(const PropertyLookups&) = delete;

    // cid and pid are digits (checked by the caller); names are UTF-8.
    LookupReply propertyId(const std::string& cid, const std::string& name);
    LookupReply valueId(const std::string& cid, const std::string& pid, const std::string& name);

    // Categories whose properties are in memory.
    std::size_t cachedCategories() const;

private:
    struct Fetch;
    using Snapshot = std::shared_ptr<const CategoryProperties>;

    // The category's properties (with the values of pid, when one is given), waiting
    // until the moment for a fetch; nullptr when they could not be had by then.
    Snapshot properties(const std::string& cid, const std::string& pid, Clock::time_point until);
    Snapshot cached(const std::string& cid, bool& stale);
    // Starts the fetch of key unless it runs already or failed a moment ago.
    std::shared_ptr<Fetch> startFetch(const std::string& cid, const std::string& pid);
    void runFetches(std::stop_token stop);
    bool fetchProperties(const std::string& cid, std::stop_token stop);
    bool fetchValues(const std::string& cid, const std::string& pid, std::stop_token stop);
    void keep(const CategoryProperties& properties);
    std::string spareValue(const CategoryProperties& category, const CategoryProperty& property,
                           const std::string& name);

    TopClient& top_;
    RelayStore& store_;
    RelayLog& log_;
    PropertyLookupSettings settings_;

    mutable std::shared_mutex cacheMutex_;
    std::map<std::string, Snapshot> cache_;

    std::mutex fetchMutex_;
    std::condition_variable fetchDone_;
    std::condition_variable_any fetchQueued_;
    std::map<std::string, std::shared_ptr<Fetch>> fetches_; // by cid or cid:pid
    std::map<std::string, Clock::time_point> failedAt_;
    std::deque<std::shared_ptr<Fetch>> queue_;

    std::mutex spareMutex_;
    std::map<std::string, std::map<std::string, std::string>> spares_; // cid:pid -> name -> vid

    std::vector<std::jthread> workers_;
};

// The look-up answers as the program reads them.
std::string propertyAnswer(const std::string& pid);
std::string valueAnswer(const std::string& pid, const std::string& vid);
std::string notFoundAnswer();

} // namespace lw::relay

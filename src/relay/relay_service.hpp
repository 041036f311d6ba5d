#pragma once

#include "relay/accounts.hpp"
#include "relay/api_requests.hpp"
#include "relay/category_tree.hpp"
#include "relay/property_lookups.hpp"
#include "relay/rate_limiter.hpp"
#include "relay/relay_config.hpp"
#include "relay/relay_log.hpp"
#include "relay/relay_store.hpp"
#include "relay/top_client.hpp"

#include <memory>
#include <string>

namespace lw::relay {

// Everything a running Relay answers with, free of the HTTP server: its database,
// accounts, the Taobao client, the look-ups and the API endpoint.
class RelayService {
public:
    // nullptr and the reason in words when the database cannot be opened.
    static std::unique_ptr<RelayService> create(const RelayConfig& config, RelayLog& log,
                                                std::string& error);
    ~RelayService();
    RelayService(const RelayService&) = delete;
    RelayService& operator=(const RelayService&) = delete;

    std::string answerApi(const std::string& body, const std::string& clientAddress);
    // The look-up endpoint's query text (after "?"): 200 with a result, 400 for a query
    // it refuses, 429 for a client over its allowance, 503 when Taobao did not answer.
    LookupReply answerLookup(const std::string& query, const std::string& clientAddress);

    RelayStore& store() { return *store_; }
    PropertyLookups& lookups() { return *lookups_; }
    CategoryTree& categories() { return categories_; }

private:
    RelayService(const RelayConfig& config, RelayLog& log, std::unique_ptr<RelayStore> store);

    RelayLog& log_;
    std::unique_ptr<RelayStore> store_;
    Accounts accounts_;
    TopClient top_;
    RateLimiter lookupLimiter_;
    CategoryTree categories_;
    ApiRequests api_;
    std::unique_ptr<PropertyLookups> lookups_;
};

} // namespace lw::relay

#pragma once

#include <map>
#include <set>
#include <string>

namespace lw::relay {

// The production router of the Taobao Open Platform.
inline constexpr const char* kDefaultTaobaoRouter = "https://gw.api.taobao.com/router/rest";

// What a Relay runs with: its INI file, each value overridable by
// LISTWRIGHT_RELAY_<SECTION>_<KEY> (LISTWRIGHT_RELAY_TAOBAO_APP_SECRET ...).
struct RelayConfig {
    std::string file; // the configuration file read

    // [server]
    std::string listen = "127.0.0.1:8080"; // host:port
    std::string dataFolder;                // data; default: "data" beside the file
    std::string tlsCertificate;            // tls_certificate (PEM), optional
    std::string tlsKey;                    // tls_key (PEM)
    int threads = 32;                      // threads answering clients (one per open connection)
    std::string logFile;                   // log_file, optional; the log also goes to stderr
    std::string logLevel = "info";         // log_level: error, warn, info or debug

    // [taobao]
    std::string taobaoRouter = kDefaultTaobaoRouter; // router
    std::string taobaoAppKey;                        // app_key
    std::string taobaoAppSecret;                     // app_secret
    std::string signMethod = "hmac-sha256";          // sign_method: md5, hmac or hmac-sha256

    // [cache]
    int propertiesDays = 7; // properties_days: how long a category's properties are kept

    // [categories]
    int categoriesDays = 7;   // refresh_days: the category tree is crawled again after this
    int crawlConcurrency = 3; // crawl_concurrency: calls of a crawl at once

    // [limits]
    int lookupBurst = 600;        // lookup_burst: look-ups one client address may send at once
    int lookupPerSecond = 100;    // lookup_per_second: and then per second
    int maxBodyBytes = 16384;     // max_body_bytes of an API request
    int lookupWaitMs = 2500;      // lookup_wait_ms: how long a look-up waits for Taobao
    int upstreamBudgetMs = 20000; // upstream_budget_ms: a background fetch's whole time

    // Keys ("taobao.app_secret" ...) whose value came from the environment.
    std::set<std::string> fromEnvironment;
};

struct RelayConfigResult {
    RelayConfig config;
    std::string error; // empty when the file could be read and every value is sound
};

// Reads the configuration file and the environment overrides. An unreadable file, a
// value that is not a number where one is needed, an unknown sign method: an error that
// names it.
RelayConfigResult loadRelayConfig(const std::string& file);

// What serving needs on top: the Taobao app key and secret, and (Linux) a file that no
// one else may read. Empty when the Relay may start.
std::string checkRelayConfigForServing(const RelayConfig& config);

// The environment variable of a key: "taobao.app_secret" -> LISTWRIGHT_RELAY_TAOBAO_APP_SECRET.
std::string relayEnvironmentName(const std::string& key);

// The configuration as lines "key = value" for status, every secret hidden.
std::map<std::string, std::string> describeRelayConfig(const RelayConfig& config);

} // namespace lw::relay

#pragma once

// relay-sim as the tests and benchmarks start it. Header only: only the programs that
// link the simulator include it.
#include "relay_sim.hpp"
#include "scoped_env.hpp"
#include "store/config.hpp"

#include <string>

namespace lw::test {

struct RelayCredentials {
    std::string appKey = "key-1";
    std::string accessToken = "token-1";
    std::string accountCode = "acc";
};

// Starts sim on a free port of 127.0.0.1 serving fixtures and returns the configuration
// that points the program at it as the Relay.
inline Config startRelaySim(relaysim::Server& sim, const std::string& fixtures,
                            const RelayCredentials& credentials = {}) {
    sim.start(fixtures);
    Config config;
    config.relayHost = sim.hostPort();
    config.appKey = credentials.appKey;
    config.accessToken = credentials.accessToken;
    config.accountCode = credentials.accountCode;
    return config;
}

// Shop pages and pictures reach sim as the proxy while env lives.
inline void proxyThrough(ScopedEnv& env, const relaysim::Server& sim) {
    env.set("http_proxy", sim.url().c_str());
    env.set("no_proxy", nullptr);
    env.set("NO_PROXY", nullptr);
}

} // namespace lw::test

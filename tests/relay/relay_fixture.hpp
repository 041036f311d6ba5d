#pragma once

// listwright-relay in front of gateway-sim, both on 127.0.0.1, with a fresh data folder
// and one account. Header only: only the Relay's tests include it.
#include "gateway_sim.hpp"
#include "net/http_client.hpp"
#include "relay/accounts.hpp"
#include "relay/relay_config.hpp"
#include "relay/relay_log.hpp"
#include "relay/relay_server.hpp"
#include "relay/relay_service.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>

namespace lw::test {

inline std::string demoGatewayFixtures() {
    return testDataPath("../../data/demo-gateway");
}

class RelayUnderTest {
public:
    // Starts gateway-sim (fixtures) and the Relay; adjust changes the configuration first.
    void start(const std::string& fixtures = demoGatewayFixtures(),
               const std::function<void(relay::RelayConfig&)>& adjust = {}) {
        gateway.start(fixtures);
        config.file = dir.file("relay.conf");
        config.dataFolder = dir.file("data");
        config.taobaoRouter = gateway.routerUrl();
        config.taobaoAppKey = "test-app-key";
        config.taobaoAppSecret = "test-app-secret";
        config.listen = "127.0.0.1:0";
        if (adjust)
            adjust(config);
        startRelay();
        relay::Accounts accounts(service->store());
        relay::AddAccountResult added = accounts.add("shop-1");
        ASSERT_TRUE(added.account) << added.error;
        account = *added.account;
    }

    // The Relay alone, again on the same data folder (as after a restart).
    void startRelay() {
        log = std::make_unique<relay::RelayLog>(relay::LogLevel::Debug, &logText);
        std::string error;
        service = relay::RelayService::create(config, *log, error);
        ASSERT_TRUE(service) << error;
        server = std::make_unique<relay::RelayServer>(*service, config, *log);
        port = server->start("127.0.0.1", 0, error);
        ASSERT_GT(port, 0) << error;
    }

    void stopRelay() {
        server.reset();
        service.reset();
    }

    // The log so far; the Relay is stopped first, so that nothing writes meanwhile.
    std::string logAfterStop() {
        stopRelay();
        return logText.str();
    }

    std::string hostPort() const { return "127.0.0.1:" + std::to_string(port); }
    std::string base() const { return "http://" + hostPort(); }

    HttpResult lookup(const std::string& query, int readTimeoutMs = 5000) {
        HttpOptions options;
        options.readTimeoutMs = readTimeoutMs;
        options.connectTimeoutMs = 2000;
        HttpClient client(options);
        return client.get(base() + "/xml/getxml.asp?" + query);
    }

    HttpResult api(const std::string& body) {
        HttpOptions options;
        options.readTimeoutMs = 5000;
        HttpClient client(options);
        return client.postForm(base() + "/openapi/getdata.aspx", body);
    }

    // A Taobao Method Request as the program forms it, with this account's values.
    std::string methodRequest(const std::string& method, const std::string& extra = {}) const {
        return "fields=cid,parent_cid,name,is_parent,status,sort_order" + extra +
               "&format=xml&method=" + method + "&app_key=" + account.appKey +
               "&access_token=" + account.accessToken + "&v=2.0&codeid=" + account.accountCode +
               "&rvversion=1.0.0.1";
    }

    std::string offerRequest(const std::string& offerId) const {
        return "app_key=" + account.appKey + "&method=offer.get&offerId=" + offerId +
               "&returnFields=subject,details&codeid=" + account.accountCode + "&rvversion=1.0.0.1";
    }

    TempDir dir;
    gatewaysim::Server gateway;
    relay::RelayConfig config;
    std::ostringstream logText;
    std::unique_ptr<relay::RelayLog> log;
    std::unique_ptr<relay::RelayService> service;
    std::unique_ptr<relay::RelayServer> server;
    relay::NewAccount account;
    int port = -1;
};

} // namespace lw::test

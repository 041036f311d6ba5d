// The Relay in front of a Taobao that is slow, throttles, fails or refuses the Relay's
// own key: look-ups answered within their time, each category asked once, failures
// said as 503 and named in the log, never a secret there.
#include "relay_fixture.hpp"
#include "util/encode.hpp"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>
#include <vector>

using namespace lw;
using namespace lw::test;
using namespace std::chrono_literals;

namespace {

const std::string kRed =
    "tablename=TB_ItemPropValue&cid=50010850&pid=1627207&name=" + encodeFormValue("红色");
const std::string kRedAnswer = "<result><pid>1627207</pid><vid>28326</vid></result>";

struct Timed {
    HttpResult result;
    std::chrono::milliseconds took;
};

Timed timedLookup(RelayUnderTest& relay, const std::string& query) {
    auto start = std::chrono::steady_clock::now();
    HttpResult r = relay.lookup(query);
    return {r, std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start)};
}

// Asks until the answer is 200 or the time is up.
HttpResult lookupUntilAnswered(RelayUnderTest& relay, const std::string& query,
                               std::chrono::milliseconds within) {
    auto until = std::chrono::steady_clock::now() + within;
    HttpResult r;
    do {
        r = relay.lookup(query);
        if (r.status == 200)
            break;
        std::this_thread::sleep_for(100ms);
    } while (std::chrono::steady_clock::now() < until);
    return r;
}

TEST(RelayUpstream, ManyLookUpsOfANewCategoryMakeOneCall) {
    RelayUnderTest relay;
    relay.start();
    relay.gateway.addFault("method=taobao.itemprops.get latency 300");
    std::vector<std::future<HttpResult>> asked;
    for (int i = 0; i < 20; ++i)
        asked.push_back(std::async(std::launch::async, [&] { return relay.lookup(kRed); }));
    for (auto& a : asked) {
        HttpResult r = a.get();
        EXPECT_EQ(r.status, 200);
        EXPECT_NE(r.body.find(kRedAnswer), std::string::npos) << r.body;
    }
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 1);
}

TEST(RelayUpstream, PropertiesAreKeptAcrossARestartAndRefreshedWhenOld) {
    RelayUnderTest relay;
    relay.start();
    ASSERT_EQ(relay.lookup(kRed).status, 200);
    relay.stopRelay();
    relay.startRelay();
    EXPECT_NE(relay.lookup(kRed).body.find(kRedAnswer), std::string::npos);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 1) << "asked again after a restart";

    // Older than the kept days: still served at once, and asked again behind it.
    relay.stopRelay();
    {
        std::string error;
        auto store = relay::RelayStore::open(relay.config.dataFolder, error);
        ASSERT_TRUE(store) << error;
        relay::StoredProperties old = *store->categoryProperties("50010850");
        old.fetchedAt -= 8 * 86400;
        store->saveCategoryProperties("50010850", old);
    }
    relay.startRelay();
    EXPECT_NE(relay.lookup(kRed).body.find(kRedAnswer), std::string::npos);
    for (int i = 0; i < 50 && relay.gateway.callCount("taobao.itemprops.get") < 2; ++i)
        std::this_thread::sleep_for(50ms);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 2);
}

TEST(RelayUpstream, BrandValuesAreAskedApartOnce) {
    RelayUnderTest relay;
    relay.start();
    const std::string query =
        "tablename=TB_ItemPropValue&cid=50010850&pid=20000&name=" + encodeFormValue("素白");
    for (int i = 0; i < 2; ++i) {
        HttpResult r = relay.lookup(query);
        EXPECT_NE(r.body.find("<pid>20000</pid><vid>29534</vid>"), std::string::npos) << r.body;
    }
    HttpResult unknown = relay.lookup("tablename=TB_ItemPropValue&cid=50010850&pid=20000&name=" +
                                      encodeFormValue("无名牌"));
    EXPECT_NE(unknown.body.find("<result></result>"), std::string::npos)
        << "a brand is no colour or size: no spare value";
    EXPECT_EQ(relay.gateway.callCount("taobao.itempropvalues.get"), 1);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 1);
}

TEST(RelayUpstream, FaultsWithinTheBudgetAreRetried) {
    const char* faults[] = {
        "method=taobao.itemprops.get throttle 1 1",
        "method=taobao.itemprops.get isp isp.top-remote-connection-timeout 2",
        "method=taobao.itemprops.get cut-body - 1",
        "method=taobao.itemprops.get bad-xml - 1",
        "method=taobao.itemprops.get status 502 1",
    };
    for (const char* fault : faults) {
        RelayUnderTest relay;
        relay.start();
        relay.gateway.addFault(fault);
        Timed t = timedLookup(relay, kRed);
        EXPECT_EQ(t.result.status, 200) << fault;
        EXPECT_NE(t.result.body.find(kRedAnswer), std::string::npos) << fault;
        EXPECT_LT(t.took, 3000ms) << fault;
        EXPECT_GE(relay.gateway.callCount("taobao.itemprops.get"), 2) << fault;
        std::string error;
        auto recent = relay.service->store().recentUpstreamErrors(5);
        EXPECT_FALSE(recent.empty()) << fault << ": the failed call is not kept for status";
    }
}

TEST(RelayUpstream, AThrottlingBanBeyondTheBudgetIs503WithoutWaiting) {
    RelayUnderTest relay;
    relay.start(demoGatewayFixtures(), [](relay::RelayConfig& c) { c.upstreamBudgetMs = 2000; });
    relay.gateway.addFault("method=taobao.itemprops.get throttle 30");
    Timed first = timedLookup(relay, kRed);
    EXPECT_EQ(first.result.status, 503);
    EXPECT_LT(first.took, 3000ms);
    // During the ban nothing more is sent.
    Timed again = timedLookup(relay, kRed);
    EXPECT_EQ(again.result.status, 503);
    EXPECT_LT(again.took, 1000ms);
    const std::string other = "tablename=TB_ItemProps&cid=50000671&name=" + encodeFormValue("颜色");
    EXPECT_EQ(relay.lookup(other).status, 503);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 1);
    EXPECT_NE(relay.logAfterStop().find("调用受限"), std::string::npos);
}

TEST(RelayUpstream, AStalledCallIs503AndServesTheNextLookUp) {
    RelayUnderTest relay;
    relay.start();
    relay.gateway.addFault("method=taobao.itemprops.get stall 3500 1");
    Timed first = timedLookup(relay, kRed);
    EXPECT_EQ(first.result.status, 503);
    EXPECT_LT(first.took, 3200ms);
    HttpResult later = lookupUntilAnswered(relay, kRed, 6000ms);
    EXPECT_EQ(later.status, 200);
    EXPECT_NE(later.body.find(kRedAnswer), std::string::npos);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 1);
}

TEST(RelayUpstream, PlatformErrorsThatLastAre503) {
    RelayUnderTest relay;
    relay.start(demoGatewayFixtures(), [](relay::RelayConfig& c) { c.upstreamBudgetMs = 2000; });
    relay.gateway.addFault("method=taobao.itemprops.get isp");
    Timed t = timedLookup(relay, kRed);
    EXPECT_EQ(t.result.status, 503);
    EXPECT_LT(t.took, 3000ms);
    std::this_thread::sleep_for(200ms);
    EXPECT_LE(relay.gateway.callCount("taobao.itemprops.get"), 5) << "retried without bound";
    EXPECT_NE(relay.logAfterStop().find("isp.top-remote-connection-timeout"), std::string::npos);
}

TEST(RelayUpstream, AWrongSecretIsTheOperatorsToMend) {
    RelayUnderTest relay;
    relay.start(demoGatewayFixtures(),
                [](relay::RelayConfig& c) { c.taobaoAppSecret = "not-the-secret"; });
    EXPECT_EQ(relay.lookup(kRed).status, 503);
    HttpResult api = relay.api(relay.methodRequest("user.itemcats.get", "&parent_cid=0"));
    EXPECT_NE(api.body.find("<sub_code>isp.relay-misconfigured</sub_code>"), std::string::npos)
        << api.body;
    ASSERT_FALSE(relay.gateway.calls().empty());
    EXPECT_EQ(relay.gateway.calls().front().answerKind, "25");
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 1) << "a refused key is not retried";
    const std::string log = relay.logAfterStop();
    EXPECT_NE(log.find("[error]"), std::string::npos);
    EXPECT_NE(log.find("Relay 配置错误"), std::string::npos);
    EXPECT_EQ(log.find("not-the-secret"), std::string::npos);
}

TEST(RelayUpstream, TheLogNamesEveryRefusalAndNoSecret) {
    RelayUnderTest relay;
    relay.start();
    relay.gateway.addFault("method=taobao.itemprops.get isp isp.x 1");
    relay.lookup(kRed);
    relay.api(relay.methodRequest("user.itemcats.get", "&parent_cid=0"));
    relay.api(relay.offerRequest("640218503901"));
    relay.api("app_key=" + relay.account.appKey + "&method=user.itemcats.get&access_token=" +
              relay.account.accessToken + "x&codeid=" + relay.account.accountCode);
    relay.api("app_key=" + relay.account.appKey + "x&method=offer.get&codeid=nobody");
    const std::string log = relay.logAfterStop();
    for (const std::string& secret : {relay.account.appKey, relay.account.accessToken,
                                      std::string("test-app-secret"), std::string("sign=")})
        EXPECT_EQ(log.find(secret), std::string::npos) << "the log holds " << secret;
    EXPECT_NE(log.find("Access Token 不对"), std::string::npos);
    EXPECT_NE(log.find("没有 App Key 和账户代码相符的账户"), std::string::npos);
    EXPECT_NE(log.find("isp.x"), std::string::npos);
}

} // namespace

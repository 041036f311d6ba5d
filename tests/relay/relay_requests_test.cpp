// What the Relay answers its clients, and what it refuses: accounts, tokens, sizes, ids,
// floods. Every answer of the API endpoint is data or an Error Response with status 200.
#include "relay_fixture.hpp"
#include "util/encode.hpp"

#include <gtest/gtest.h>

using namespace lw;
using namespace lw::test;

namespace {

class RelayRequests : public ::testing::Test {
protected:
    void SetUp() override { relay.start(); }

    // The sub_code of an Error Response; empty when the answer is none.
    static std::string subCode(const HttpResult& r) {
        if (r.body.find("<error_response>") == std::string::npos)
            return {};
        std::size_t a = r.body.find("<sub_code>") + 10;
        return r.body.substr(a, r.body.find("</sub_code>") - a);
    }

    std::string valueQuery(const std::string& cid, const std::string& pid,
                           const std::string& name) {
        return "tablename=TB_ItemPropValue&cid=" + cid + "&pid=" + pid +
               "&name=" + encodeFormValue(name);
    }

    RelayUnderTest relay;
};

TEST_F(RelayRequests, ApiRefusalsAreErrorResponsesInWords) {
    const std::string& key = relay.account.appKey;
    const std::string& code = relay.account.accountCode;
    const struct {
        const char* what;
        std::string body;
        const char* subCode;
    } cases[] = {
        {"no account at all", "method=offer.get&offerId=1", "isv.invalid-account"},
        {"a wrong App Key",
         "app_key=" + std::string(40, 'a') + "&method=offer.get&offerId=1&codeid=" + code,
         "isv.invalid-account"},
        {"the right key with another code",
         "app_key=" + key + "&method=offer.get&offerId=1&codeid=zzzzzzzzzz", "isv.invalid-account"},
        {"a Taobao method without token",
         "app_key=" + key + "&method=user.itemcats.get&parent_cid=0&codeid=" + code,
         "isv.invalid-token"},
        {"a Taobao method with another token",
         "app_key=" + key + "&access_token=" + std::string(64, '0') +
             "&method=user.itemcats.get&parent_cid=0&codeid=" + code,
         "isv.invalid-token"},
        {"an offer id that is not digits", relay.offerRequest("64021%27or1"),
         "isv.invalid-parameter"},
        {"an offer before offers are served", relay.offerRequest("640218503901"),
         "isv.offer-not-served"},
        {"a body over the limit", relay.offerRequest("1") + "&pad=" + std::string(20000, 'x'),
         "isv.invalid-parameter"},
        {"a field over the limit", relay.offerRequest("1") + "&subject=" + std::string(600, 'x'),
         "isv.invalid-parameter"},
        {"all categories' properties", relay.methodRequest("user.itemprops.get", "&cid=0"),
         "isv.not-supported"},
        {"all categories' values", relay.methodRequest("user.itemprops_value.get", "&cid=0"),
         "isv.not-supported"},
        {"an unknown method", relay.methodRequest("taobao.trade.get"), "isv.invalid-method"},
    };
    for (const auto& c : cases) {
        HttpResult r = relay.api(c.body);
        EXPECT_EQ(r.status, 200) << c.what;
        EXPECT_EQ(subCode(r), c.subCode) << c.what << ": " << r.body;
        EXPECT_NE(r.body.find("<sub_msg>"), std::string::npos) << c.what;
    }
    EXPECT_EQ(relay.gateway.calls().size(), 0u) << "a refused request reached Taobao";
}

TEST_F(RelayRequests, AHugeBodyIsRefusedBeforeItIsRead) {
    HttpResult r = relay.api(relay.offerRequest("1") + "&pad=" + std::string(2 * 1024 * 1024, 'x'));
    EXPECT_EQ(r.status, 413);
    EXPECT_EQ(subCode(r), "isv.invalid-parameter");
}

TEST_F(RelayRequests, TheTopLevelCategoriesForTheConnectionTest) {
    HttpResult r = relay.api(relay.methodRequest("user.itemcats.get", "&parent_cid=0"));
    ASSERT_EQ(r.status, 200);
    EXPECT_EQ(subCode(r), "") << r.body;
    EXPECT_NE(r.body.find("<item_cat><cid>16</cid><parent_cid>0</parent_cid><name>女装/女士精品"
                          "</name><is_parent>true</is_parent><layer_level>1</layer_level>"),
              std::string::npos)
        << r.body.substr(0, 400);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemcats.get"), 1);
}

TEST_F(RelayRequests, LookUpRefusalsAndShortCuts) {
    const struct {
        const char* what;
        std::string query;
        int status;
        const char* body;
    } cases[] = {
        {"category 0", valueQuery("0", "1627207", "红色"), 200, "<result></result>"},
        {"no category", "tablename=TB_ItemProps&cid=&name=x", 200, "<result></result>"},
        {"a category that is not digits", "tablename=TB_ItemProps&cid=5001%27&name=x", 200,
         "<result></result>"},
        {"an empty name", "tablename=TB_ItemProps&cid=50010850&name=", 200, "<result></result>"},
        {"a property id that is not digits", valueQuery("50010850", "16x", "红色"), 200,
         "<result></result>"},
        {"another table", "tablename=TB_Users&cid=50010850&name=x", 400, nullptr},
        {"a name of 400 bytes", "tablename=TB_ItemProps&cid=50010850&name=" + std::string(400, 'a'),
         400, nullptr},
        {"a name that is not UTF-8", "tablename=TB_ItemProps&cid=50010850&name=%C4%E3", 400,
         nullptr},
        {"a query of 3 KB", "tablename=TB_ItemProps&cid=50010850&x=" + std::string(3000, 'a'), 400,
         nullptr},
    };
    for (const auto& c : cases) {
        HttpResult r = relay.lookup(c.query);
        EXPECT_EQ(r.status, c.status) << c.what;
        if (c.body) {
            EXPECT_NE(r.body.find(c.body), std::string::npos) << c.what << ": " << r.body;
        }
    }
    EXPECT_EQ(relay.gateway.calls().size(), 0u) << "a short cut asked Taobao";
}

TEST(RelayLookUpFlood, AClientOverItsAllowanceGets429) {
    RelayUnderTest relay;
    relay.start(demoGatewayFixtures(), [](relay::RelayConfig& c) {
        c.lookupBurst = 20;
        c.lookupPerSecond = 1;
    });
    int refused = 0;
    int answered = 0;
    for (int i = 0; i < 40; ++i) {
        HttpResult r = relay.lookup("tablename=TB_ItemProps&cid=50010850&name=%E9%A2%9C%E8%89%B2");
        (r.status == 429 ? refused : answered)++;
    }
    EXPECT_GE(answered, 20);
    EXPECT_LE(answered, 25) << "the allowance refills at one a second";
    EXPECT_EQ(refused + answered, 40);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), 1);
    EXPECT_NE(relay.logAfterStop().find("属性查询太多"), std::string::npos);
}

} // namespace

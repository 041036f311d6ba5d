// The whole category tree: crawled from gateway-sim level by level, kept as it goes so a
// stopped crawl goes on where it was, served as one snapshot that a complete crawl
// replaces, in the form the program stores exactly as it stores relay-sim's fixture.
#include "catalog/category_store.hpp"
#include "relay_fixture.hpp"

#include <gtest/gtest.h>

#include <set>
#include <stop_token>
#include <variant>

using namespace lw;
using namespace lw::test;

namespace {

// The rows the program stores from a category answer, as texts.
std::set<std::string> storedRows(const std::string& answer) {
    std::set<std::string> rows;
    for (const std::string& piece : splitAnswer(answer, "</item_cat>")) {
        std::optional<DbParams> row = itemcatRow(piece);
        if (!row)
            continue;
        std::string text;
        for (const DbValue& v : *row) {
            if (const std::string* s = std::get_if<std::string>(&v))
                text += *s;
            else if (const std::int64_t* i = std::get_if<std::int64_t>(&v))
                text += std::to_string(*i);
            else if (const double* d = std::get_if<double>(&v))
                text += std::to_string(*d);
            text += "|";
        }
        rows.insert(text);
    }
    return rows;
}

const int kDemoCategories = 349;
const int kDemoParents = 73; // the top and every category with children

class CategoryTreeTest : public ::testing::Test {
protected:
    void SetUp() override { relay.start(); }
    relay::CategoryTree& tree() { return relay.service->categories(); }
    RelayUnderTest relay;
};

TEST_F(CategoryTreeTest, TheWholeTreeAsTheProgramStoresRelaySimsFixture) {
    HttpResult before = relay.api(relay.methodRequest("user.itemcats.get"));
    EXPECT_NE(before.body.find("<sub_code>isv.categories-not-ready</sub_code>"), std::string::npos)
        << before.body;

    relay::CrawlResult result = tree().crawl({});
    ASSERT_EQ(result.outcome, relay::CrawlOutcome::Complete) << result.error;
    EXPECT_EQ(result.categories, kDemoCategories);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemcats.get"), kDemoParents);

    HttpResult whole = relay.api(relay.methodRequest("user.itemcats.get"));
    ASSERT_EQ(whole.status, 200);
    EXPECT_EQ(storedRows(whole.body),
              storedRows(readFileBytes(testDataPath("../../data/demo/itemcats.xml"))));
    // The top level and a list of ids come from the snapshot too.
    HttpResult top = relay.api(relay.methodRequest("user.itemcats.get", "&parent_cid=0"));
    HttpResult two = relay.api(relay.methodRequest("user.itemcats.get", "&cids=16,50010850"));
    EXPECT_NE(two.body.find("<cid>50010850</cid><parent_cid>16</parent_cid><name>连衣裙</name>"
                            "<is_parent>false</is_parent><layer_level>2</layer_level>"),
              std::string::npos)
        << two.body;
    EXPECT_EQ(storedRows(two.body).size(), 2u);
    EXPECT_FALSE(storedRows(top.body).empty());
    EXPECT_EQ(relay.gateway.callCount("taobao.itemcats.get"), kDemoParents);
    HttpResult bad = relay.api(relay.methodRequest("user.itemcats.get", "&cids=16,x"));
    EXPECT_NE(bad.body.find("isv.invalid-parameter"), std::string::npos);
}

TEST_F(CategoryTreeTest, AStoppedCrawlGoesOnWhereItWasAndTheOldSnapshotIsServedMeanwhile) {
    // Stopped after its first round, then the Relay restarts.
    {
        std::stop_source stopper;
        relay::CrawlResult first = tree().crawl(
            stopper.get_token(), [&](const relay::CrawlProgress&) { stopper.request_stop(); });
        EXPECT_EQ(first.outcome, relay::CrawlOutcome::Stopped);
    }
    relay.stopRelay();
    relay.startRelay();
    relay::CrawlProgress kept = relay.service->store().crawlProgress();
    EXPECT_TRUE(kept.underWay);
    EXPECT_GT(kept.categories, 0);
    ASSERT_EQ(tree().crawl({}).outcome, relay::CrawlOutcome::Complete);
    EXPECT_EQ(relay.gateway.callCount("taobao.itemcats.get"), kDemoParents)
        << "parents asked again after the restart";

    // A second crawl under way (stopped half-done) leaves the snapshot as it was.
    const std::string served = relay.api(relay.methodRequest("user.itemcats.get")).body;
    int rounds = 0;
    std::stop_source stopper;
    tree().crawl(stopper.get_token(), [&](const relay::CrawlProgress&) {
        if (++rounds == 5)
            stopper.request_stop();
    });
    EXPECT_TRUE(relay.service->store().crawlProgress().underWay);
    EXPECT_EQ(relay.api(relay.methodRequest("user.itemcats.get")).body, served);
}

TEST_F(CategoryTreeTest, AThrottledCrawlKeepsWhatItHasAndSaysWhereItIs) {
    relay.gateway.addFault("cid=16 throttle 60");
    relay::CrawlResult result = tree().crawl({}, {}, 2);
    EXPECT_EQ(result.outcome, relay::CrawlOutcome::Stopped);
    EXPECT_NE(result.error.find("调用受限"), std::string::npos) << result.error;
    relay::CrawlProgress p = relay.service->store().crawlProgress();
    EXPECT_TRUE(p.underWay);
    EXPECT_GT(p.categories, 0);
    HttpResult whole = relay.api(relay.methodRequest("user.itemcats.get"));
    EXPECT_NE(whole.body.find("已取得 " + std::to_string(p.categories) + " 个类目"),
              std::string::npos)
        << whole.body;
}

} // namespace

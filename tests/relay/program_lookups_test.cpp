// The program's property look-ups, as a download run makes them (asked together on
// workers, found ids remembered), against listwright-relay in front of gateway-sim: the
// same ids as relay-sim gives for every offer of the demo, nothing asked of Taobao again
// for a category it knows, and stable spare ids for colours Taobao has no value for.
#include "net/relay.hpp"
#include "package/lookup_memory.hpp"
#include "package/offer_record.hpp"
#include "package/property_mapping.hpp"
#include "package/relay_property_lookup.hpp"
#include "relay_fixture.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"
#include "ui/diagnostic_log.hpp"
#include "ui/headless_event_loop.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>

using namespace lw;
using namespace lw::test;

namespace {

struct DemoOffer {
    std::string id;
    std::string cid;
    OfferRecord record;
};

// Every offer of the demo with the category its package row has.
std::vector<DemoOffer> demoOffers() {
    std::map<std::string, std::string> cidOf;
    for (const std::string& line :
         splitText(readFileBytes(testDataPath("../../data/demo/expected-rows.tsv")), "\n")) {
        std::vector<std::string> cells = splitText(line, "\t");
        if (cells.size() > 2 && !line.starts_with("#"))
            cidOf[cells[0]] = cells[2];
    }
    std::vector<DemoOffer> offers;
    for (const auto& entry :
         std::filesystem::directory_iterator(testDataPath("../../data/demo/offers"))) {
        std::string id = entry.path().stem().string();
        AnswerReading reading = readOfferAnswer(readFileBytes(entry.path().string()));
        EXPECT_TRUE(reading.complete()) << id;
        offers.push_back({id, cidOf[id], reading.record});
    }
    std::sort(offers.begin(), offers.end(),
              [](const DemoOffer& a, const DemoOffer& b) { return a.id < b.id; });
    return offers;
}

// The program's side of one download run: its look-up component with workers and the
// look-up memory, in a data folder of its own.
class ProgramLookups {
public:
    explicit ProgramLookups(const std::string& relayHost) {
        Config config;
        config.relayHost = relayHost;
        config.appKey = "k";
        config.accessToken = "t";
        config.accountCode = "c";
        app = makeRelayContext(config);
        db = makeTestDatabase(dir.path());
        memory = std::make_unique<LookupMemory>(*db, 20000, 7);
    }

    PropertyMapping map(const std::string& cid, const std::vector<OfferFeature>& features,
                        const std::string& articleNumber) {
        RelayPropertyLookup lookup(app, log, lookupHttpOptions(),
                                   LookupWorkers{loop, [] { return false; }, *memory, 8});
        PropertyMapping mapped = mapProperties(lookup, cid, features, articleNumber, "10.00");
        failures.insert(failures.end(), lookup.failures().begin(), lookup.failures().end());
        return mapped;
    }

    TempDir dir;
    HeadlessEventLoop loop;
    DiagnosticLog log;
    RelayContext app;
    std::unique_ptr<Database> db;
    std::unique_ptr<LookupMemory> memory;
    std::vector<std::string> failures;
};

TEST(ProgramLookUps, TheRealRelayGivesTheIdsRelaySimGivesForEveryDemoOffer) {
    relaysim::Server sim;
    sim.start(testDataPath("../../data/demo"));
    RelayUnderTest relay;
    relay.start();
    ProgramLookups viaSim(sim.hostPort());
    ProgramLookups viaRelay(relay.hostPort());

    const std::vector<DemoOffer> offers = demoOffers();
    ASSERT_EQ(offers.size(), 14u);
    std::set<std::string> categories;
    for (const DemoOffer& offer : offers) {
        categories.insert(offer.cid);
        PropertyMapping expected =
            viaSim.map(offer.cid, offer.record.features, offer.record.articleNumber);
        PropertyMapping got =
            viaRelay.map(offer.cid, offer.record.features, offer.record.articleNumber);
        EXPECT_EQ(got.cateProps, expected.cateProps) << offer.id;
        EXPECT_EQ(got.skuProps, expected.skuProps) << offer.id;
        EXPECT_EQ(got.propAlias, expected.propAlias) << offer.id;
        EXPECT_EQ(got.inputPids, expected.inputPids) << offer.id;
        EXPECT_EQ(got.inputValues, expected.inputValues) << offer.id;
        EXPECT_EQ(got.num, expected.num) << offer.id;
    }
    EXPECT_TRUE(viaRelay.failures.empty()) << viaRelay.failures.front();
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), static_cast<int>(categories.size()))
        << "one itemprops call per category";
    const int valueCalls = relay.gateway.callCount("taobao.itempropvalues.get");

    // Another shop keeper (no look-up memory) after a restart of the Relay: all answered
    // from its database.
    relay.stopRelay();
    relay.startRelay();
    ProgramLookups second(relay.hostPort());
    for (const DemoOffer& offer : offers)
        second.map(offer.cid, offer.record.features, offer.record.articleNumber);
    EXPECT_TRUE(second.failures.empty());
    EXPECT_EQ(relay.gateway.callCount("taobao.itemprops.get"), static_cast<int>(categories.size()));
    EXPECT_EQ(relay.gateway.callCount("taobao.itempropvalues.get"), valueCalls);
}

std::vector<std::string> colourVids(const PropertyMapping& m) {
    std::vector<std::string> vids;
    for (const std::string& entry : splitText(m.propAlias, ";"))
        vids.push_back(splitText(entry, ":").at(1));
    return vids;
}

TEST(ProgramLookUps, ColoursWithoutATaobaoValueGetDistinctStableSpareIds) {
    RelayUnderTest relay;
    relay.start();
    const std::vector<OfferFeature> features = {{"颜色", "米白|奶咖|红色|雾霾蓝"},
                                                {"尺码", "S|均码"}};
    ProgramLookups program(relay.hostPort());
    PropertyMapping first = program.map("50010850", features, "A-1");
    // Every colour kept with its own text, so no SKU is lost.
    EXPECT_EQ(first.num, "8") << "均码 gets a spare size value too: " << first.skuProps;
    std::vector<std::string> vids = colourVids(first);
    ASSERT_EQ(vids.size(), 4u) << first.propAlias;
    EXPECT_EQ(vids[2], "28326") << "红色 is a standard value";
    EXPECT_EQ(std::set<std::string>(vids.begin(), vids.end()).size(), 4u) << first.propAlias;
    EXPECT_EQ(vids[0], "3232479") << "spares come from the end of Taobao's list";
    EXPECT_NE(first.propAlias.find("1627207:" + vids[1] + ":奶咖"), std::string::npos);

    // The same names keep their ids after a restart, for another shop keeper too.
    relay.stopRelay();
    relay.startRelay();
    ProgramLookups other(relay.hostPort());
    PropertyMapping again = other.map("50010850", features, "A-1");
    EXPECT_EQ(again.propAlias, first.propAlias);
    EXPECT_EQ(again.skuProps, first.skuProps);
}

} // namespace

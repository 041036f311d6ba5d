#include "net/relay.hpp"
#include "package/offer_process.hpp"
#include "package/package_row.hpp"
#include "package/relay_property_lookup.hpp"
#include "relay_sim.hpp"
#include "relay_sim_setup.hpp"
#include "store/config.hpp"
#include "store/database.hpp"
#include "table_lookup.hpp"
#include "temp_dir.hpp"
#include "ui/main_state.hpp"

#include <gtest/gtest.h>

using namespace lw;

namespace {

const std::string kCid = "50000671";

class PackageLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        app = makeRelayContext(test::startRelaySim(sim, test::testDataPath("package")));
        options.readTimeoutMs = 300;
    }

    PropertyMapping map(const std::vector<OfferFeature>& features) {
        RelayPropertyLookup lookup(app, state.log, options);
        return mapProperties(lookup, kCid, features, "A-123", "12.50");
    }

    // "table name" of every look-up the simulator received, names decoded.
    std::vector<std::string> lookups() const {
        std::vector<std::string> out;
        for (const auto& r : sim.requests()) {
            std::string text = r.param("tablename") + " " + r.param("cid");
            if (!r.param("pid").empty())
                text += " " + r.param("pid");
            out.push_back(text + " " + r.param("name"));
        }
        return out;
    }

    relaysim::Server sim;
    RelayContext app;
    HttpOptions options = lookupHttpOptions();
    MainState state;
};

const std::vector<OfferFeature> kColourSize = {
    {"材质", "棉"}, {"颜色", "红色|蓝色"}, {"尺码", "S|M"}, {"品牌", "花花公子"}};

} // namespace

TEST_F(PackageLookupTest, ColourAndSizeMappingOverTheRelay) {
    PropertyMapping m = map(kColourSize);
    EXPECT_EQ(m.cateProps, "20021:105255;1627207:28326;20509:28314;20509:28315;"
                           "1627207:28338;20509:28314;20509:28315");
    EXPECT_EQ(m.skuProps, "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28315;1627207:28326;"
                          "12.50:1::20509:28314;1627207:28338;12.50:1::20509:28315;1627207:28338;");
    EXPECT_EQ(m.propAlias, "1627207:28326:红色;1627207:28338:蓝色");
    EXPECT_EQ(m.inputPids, "20000");
    EXPECT_EQ(m.inputValues, "花花公子;型号;A-123");
    EXPECT_EQ(m.num, "4");
    const std::vector<std::string> expected = {
        "TB_ItemProps 50000671 材质",
        "TB_ItemPropValue 50000671 20021 棉",
        "TB_ItemProps 50000671 颜色",
        "TB_ItemProps 50000671 尺码",
        "TB_ItemProps 50000671 品牌",
        "TB_ItemPropValue 50000671 20000 花花公子",
        "TB_ItemPropValue 50000671 1627207 红色",
        "TB_ItemPropValue 50000671 20509 S",
        "TB_ItemPropValue 50000671 20509 M",
        "TB_ItemPropValue 50000671 1627207 蓝色",
        "TB_ItemPropValue 50000671 20509 S",
        "TB_ItemPropValue 50000671 20509 M",
    };
    EXPECT_EQ(lookups(), expected);
}

TEST_F(PackageLookupTest, FailingLookUpsCountAsNotFound) {
    struct Case {
        std::string fault;
        PropertyMapping expected;
    };
    const Case cases[] = {
        // Every look-up fails: nothing is found, the brand included.
        {"lookup status 500", {"", "", "", "", "", "0"}},
        // 材质 and 颜色 are not found: no colours, so no sizes either.
        {"lookup=TB_ItemProps status 500 2", {"", "", "", "20000", "花花公子;型号;A-123", "0"}},
        // The first value look-up (棉) stalls past the time-out.
        {"lookup=TB_ItemPropValue stall 1000 1",
         {"1627207:28326;20509:28314;20509:28315;1627207:28338;20509:28314;20509:28315",
          "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28315;1627207:28326;"
          "12.50:1::20509:28314;1627207:28338;12.50:1::20509:28315;1627207:28338;",
          "1627207:28326:红色;1627207:28338:蓝色", "20000", "花花公子;型号;A-123", "4"}},
        // 棉, 花花公子 and 红色 fail: 红色 brings neither its pair nor its sizes.
        {"lookup=TB_ItemPropValue status 500 3",
         {"1627207:28338;20509:28314;20509:28315",
          "12.50:1::20509:28314;1627207:28338;"
          "12.50:1::20509:28315;1627207:28338;",
          "1627207:28338:蓝色", "20000", "花花公子;型号;A-123", "2"}},
    };
    for (const auto& c : cases) {
        sim.clearFaults();
        sim.addFault(c.fault);
        EXPECT_EQ(map(kColourSize), c.expected) << c.fault;
    }
}

TEST_F(PackageLookupTest, LookUpsAreLoggedWithPlainNames) {
    state.log.setVisible(true);
    map({{"颜色", "红色"}});
    EXPECT_EQ(state.log.text(),
              app.lookupEndpoint + "?tablename=TB_ItemProps&cid=50000671&name=颜色\n" +
                  app.lookupEndpoint +
                  "?tablename=TB_ItemPropValue&cid=50000671&pid=1627207&name=红色\n");
}

TEST_F(PackageLookupTest, RowOverTheRelayEqualsTheRowFromTheTables) {
    test::TempDir dir;
    auto db = test::makeTestDatabase(dir.path());
    db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (16,0,'女装',1)");
    db->exec("insert into TB_Itemcats (cid,parent_cid,name,is_parent) values (?,16,'T恤',0)",
             {kCid});
    const std::string answer =
        test::readFileBytes(test::testDataPath("package/offers/colour_size.json"));
    OfferOptions preferred;
    preferred.preferredCid = "16";
    RelayPropertyLookup relay(app, state.log, options);
    ProcessedOffer relayOffer = processOffer(answer, preferred, {*db, state.log, relay});
    const PackageRow overRelay = buildPackageRow(relayOffer.row);

    test::TableLookup tables(test::testDataPath("package/props.tsv"),
                             test::testDataPath("package/propvalues.tsv"));
    ProcessedOffer tableOffer = processOffer(answer, preferred, {*db, state.log, tables});
    const PackageRow fromTables = buildPackageRow(tableOffer.row);

    EXPECT_TRUE(relayOffer.failures.empty());
    EXPECT_TRUE(tableOffer.failures.empty());
    EXPECT_EQ(overRelay.at(1), "50000671") << packageRowLine(overRelay);
    EXPECT_EQ(overRelay.at(34), "\"1627207:28326:红色;1627207:28338:蓝色\"");
    EXPECT_EQ(overRelay, fromTables);
    EXPECT_EQ(sim.requests().size(), tables.calls.size());
}

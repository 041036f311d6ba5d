#include "package/property_mapping.hpp"
#include "table_lookup.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

#include <algorithm>

using namespace lw;

namespace {

const std::string kCid = "50000671";

test::TableLookup fixtureLookup() {
    test::TableLookup lookup(test::testDataPath("package/props.tsv"),
                             test::testDataPath("package/propvalues.tsv"));
    lookup.addProperty(kCid, "颜色分类", "1627207");
    lookup.addValue(kCid, "1627207", "", "99999"); // an empty colour that is known
    lookup.addValue(kCid, "20000", "耐克", "20001");
    return lookup;
}

struct Case {
    std::string name;
    std::vector<OfferFeature> features;
    PropertyMapping expected;
};

} // namespace

TEST(MapProperties, Cases) {
    const Case cases[] = {
        {"colour x size",
         {{"颜色", "红色|蓝色"}, {"尺码", "S|M"}},
         {"1627207:28326;20509:28314;20509:28315;1627207:28338;20509:28314;20509:28315",
          "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28315;1627207:28326;"
          "12.50:1::20509:28314;1627207:28338;12.50:1::20509:28315;1627207:28338;",
          "1627207:28326:红色;1627207:28338:蓝色", "", "", "4"}},
        {"sizes before colours and plain values first",
         {{"尺码", "M"}, {"材质", "棉"}, {"颜色", "蓝色"}},
         {"20021:105255;1627207:28338;20509:28315", "12.50:1::20509:28315;1627207:28338;",
          "1627207:28338:蓝色", "", "", "1"}},
        {"only sizes", {{"尺码", "S|M"}, {"材质", "棉"}}, {"20021:105255", "", "", "", "", "0"}},
        {"no features", {}, {"", "", "", "", "", "0"}},
        {"unknown brand",
         {{"品牌", "花花公子"}},
         {"", "", "", "20000", "花花公子;型号;A-123", "0"}},
        {"known brand", {{"品牌", "耐克"}}, {"20000:20001", "", "", "", "", "0"}},
        {"a later unknown brand replaces the earlier",
         {{"品牌", "甲"}, {"品牌", "乙"}},
         {"", "", "", "20000", "乙;型号;A-123", "0"}},
        // A colour that is not found brings neither its pair nor its sizes.
        {"unknown colour",
         {{"颜色", "绿色|红色"}, {"尺码", "S|XL"}},
         {"1627207:28326;20509:28314", "12.50:1::20509:28314;1627207:28326;", "1627207:28326:红色",
          "", "", "1"}},
        // An empty last colour is looked up like the others.
        {"colour list ending in |",
         {{"颜色", "红色|"}, {"尺码", "S"}},
         {"1627207:28326;20509:28314;1627207:99999;20509:28314",
          "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28314;1627207:99999;",
          "1627207:28326:红色;1627207:99999:", "", "", "2"}},
        {"a later colour feature replaces the list",
         {{"颜色", "红色"}, {"颜色分类", "蓝色"}, {"尺码", "S"}},
         {"1627207:28338;20509:28314", "12.50:1::20509:28314;1627207:28338;", "1627207:28338:蓝色",
          "", "", "1"}},
        {"an empty colour value keeps the earlier list",
         {{"颜色", "红色"}, {"颜色", ""}, {"尺码", "S"}},
         {"1627207:28326;20509:28314", "12.50:1::20509:28314;1627207:28326;", "1627207:28326:红色",
          "", "", "1"}},
        {"features without a property are skipped",
         {{"货号", "A-123"}, {"产地", "广州"}, {"材质", "丝"}},
         {"", "", "", "", "", "0"}},
    };
    for (const auto& c : cases) {
        test::TableLookup lookup = fixtureLookup();
        EXPECT_EQ(mapProperties(lookup, kCid, c.features, "A-123", "12.50"), c.expected) << c.name;
    }
}

// Separators inside supplier text once forged entries: a false alias for another value,
// false pairs in the user-input fields. They are written full-width.
TEST(MapProperties, SupplierTextNeverBecomesASeparator) {
    test::TableLookup lookup = fixtureLookup();
    lookup.addValue(kCid, "1627207", "粉色;1627207:28341:假黑", "28340");
    const PropertyMapping m = mapProperties(
        lookup, kCid, {{"颜色", "粉色;1627207:28341:假黑"}, {"品牌", "花漾;20000:999"}}, "K;1:2,3",
        "12.50");
    EXPECT_EQ(m.propAlias, "1627207:28340:粉色；1627207：28341：假黑");
    EXPECT_EQ(m.cateProps, "1627207:28340");
    EXPECT_EQ(m.inputPids, "20000");
    EXPECT_EQ(m.inputValues, "花漾；20000：999;型号;K；1：2，3");
}

TEST(MapProperties, LookUpsFollowTheDescribedOrder) {
    test::TableLookup lookup = fixtureLookup();
    mapProperties(lookup, kCid, {{"颜色", "红色|绿色|蓝色"}, {"尺码", "S|M"}, {"材质", "棉"}}, "",
                  "1");
    const std::vector<std::string> expected = {
        "prop 50000671 颜色",
        "prop 50000671 尺码",
        "prop 50000671 材质",
        "value 50000671 20021 棉",
        "value 50000671 1627207 红色",
        "value 50000671 20509 S",
        "value 50000671 20509 M",
        // Not found: its sizes are not looked up.
        "value 50000671 1627207 绿色",
        "value 50000671 1627207 蓝色",
        "value 50000671 20509 S",
        "value 50000671 20509 M",
    };
    EXPECT_EQ(lookup.calls, expected);
}

TEST(MapProperties, SizesWithoutColoursAreNotLookedUp) {
    test::TableLookup lookup = fixtureLookup();
    mapProperties(lookup, kCid, {{"尺码", "S|M|L"}}, "", "1");
    EXPECT_EQ(lookup.calls, std::vector<std::string>{"prop 50000671 尺码"});
}

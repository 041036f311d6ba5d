#include "package/price_rule.hpp"

#include <gtest/gtest.h>

using namespace lw;

namespace {

PriceRule rule(const std::string& text) {
    std::string error;
    std::optional<PriceRule> parsed = parsePriceRule(text, error);
    EXPECT_TRUE(parsed) << text << ": " << error;
    return parsed.value_or(PriceRule{});
}

} // namespace

TEST(PriceRule, TableOfRulesAndPrices) {
    struct Case {
        const char* rule;
        const char* price;
        const char* expected;
    };
    const Case cases[] = {
        // Off: the text exactly as given.
        {"", "12.5", "12.5"},
        {"x1", "8.00", "8.00"},
        // Factor and addition; a changed price has two decimals.
        {"x1.5", "12.50", "18.75"},
        {"x1.5+3", "12.50", "21.75"},
        {"+3", "8", "11.00"},
        {"x0.9-1", "10", "8.00"},
        {"x1.333", "10", "13.33"}, // to the nearest fen
        {"x1.335", "10", "13.35"}, // 13.35 exactly, no binary fraction below it
        {"x0.15", "0.1", "0.02"},  // 0.015 rounds half up
        {"x1.1", "0.1", "0.11"},
        // Rounding up.
        {"round=0.1", "58.31", "58.40"},
        {"round=0.1", "58.30", "58.30"}, // already there: the text stays
        {"round=1", "58.01", "59.00"},
        {"round=1", "58", "58"},
        {"round=0.9", "58.3", "58.90"},
        {"round=0.9", "58.95", "59.90"},
        {"round=0.9", "58.9", "58.9"},
        {"round=0.9", "58.91", "59.90"},
        {"round=0.9", "0.5", "0.90"},
        {"x1.1,round=0.9", "53", "58.90"}, // 58.3 after the factor
        {"x3,round=0.1", "0.1", "0.30"},   // 0.3 exactly, never 0.30000000000000004
        // Minimum, after the rounding.
        {"min=5", "3.2", "5.00"},
        {"min=5", "12.5", "12.5"},
        {"x0.5-10,min=1", "4", "1.00"},
        {"x1.5+3,round=0.9,min=5", "1", "5.00"},
        {"x1.5+3,round=0.9,min=5", "36.9", "58.90"},
        // More than four decimals, or more whole digits than the rule works on: rounded
        // to the fen, then the rule applies; never the supplier's price unchanged.
        {"x1.5", "12.345678", "18.53"},
        {"min=5", "12.345678", "12.35"},
        {"+1", "123456789", "123456790.00"},
        {"x1.5", "123456789.999", "185185185.00"},
        {"x100", "999999999999", "999999999999.00"}, // too large to work on
        // Not a positive amount: left for the row check to report.
        {"x2", "", ""},
        {"x2", "abc", "abc"},
        {"x2", "0", "0"},
        {"x2", "-3", "-3"},
        {"x2", " 4.5 ", "9.00"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(applyPriceRule(rule(c.rule), c.price), c.expected)
            << c.rule << " on \"" << c.price << "\"";
}

TEST(PriceRule, EverySkuEntryPriceInSkuProps) {
    const std::string sku =
        "12.50:1::20509:28314;1627207:28326;12.50:1::20509:28315;1627207:28326;";
    EXPECT_EQ(applyPriceRuleToSkus(rule("x1.5+3,round=0.9"), sku),
              "21.90:1::20509:28314;1627207:28326;21.90:1::20509:28315;1627207:28326;");
    EXPECT_EQ(applyPriceRuleToSkus(PriceRule{}, sku), sku);
    EXPECT_EQ(applyPriceRuleToSkus(rule("x2"), ""), "");
    // An entry without a usable price keeps it.
    EXPECT_EQ(applyPriceRuleToSkus(rule("x2"), ":1::1:2;3:4;"), ":1::1:2;3:4;");
}

TEST(PriceRule, ParsesTheCommandLineFormAndWritesItBack) {
    PriceRule r = rule("x1.5+3,round=0.9,min=5");
    EXPECT_EQ(r.factorTenThousandths, 15000);
    EXPECT_EQ(r.additionFen, 300);
    EXPECT_EQ(r.rounding, PriceRounding::Nine);
    EXPECT_EQ(r.minimumFen, 500);
    EXPECT_TRUE(r.active());
    EXPECT_EQ(priceRuleText(r), "x1.5+3,round=0.9,min=5");
    EXPECT_EQ(priceRuleCaption(r), "价格规则: x1.5 +3 尾数.9 最低5");
    EXPECT_EQ(rule(" x1.5 + 3 , round = 0.9 "), rule("x1.5+3,round=0.9"));
    EXPECT_EQ(priceRuleCaption(rule("x1.5+3,round=0.9")), "价格规则: x1.5 +3 尾数.9");
    EXPECT_EQ(priceRuleCaption(rule("-2.5,round=1")), "价格规则: -2.5 进到元");
    EXPECT_EQ(priceRuleCaption(rule("round=0.1")), "价格规则: 进到角");
    EXPECT_EQ(priceRuleCaption(PriceRule{}), "价格规则: 不调整");
    for (const char* text : {"x2", "+0.05", "x0.9-1", "round=0.1", "round=1", "min=9.9",
                             "x1.2345+100,round=1,min=0.01"})
        EXPECT_EQ(priceRuleText(rule(text)), text);
    EXPECT_EQ(priceRuleText(rule("off")), "");
    EXPECT_FALSE(rule("x1,round=none").active());
}

TEST(PriceRule, RefusesWhatIsNoRule) {
    for (const char* text : {"x", "x0", "x-1", "x1.5+", "1.5", "x1.5*2", "round=0.5", "min=-1",
                             "min=", "x1.23456", "+1.234", "x1.5,x2", "x1000", "round=0.9,,"}) {
        std::string error;
        EXPECT_FALSE(parsePriceRule(text, error)) << text;
        EXPECT_NE(error.find("价格规则无法识别"), std::string::npos) << text;
    }
}

TEST(PriceRule, DialogFieldsRoundTrip) {
    std::string error;
    PriceRule r = rule("x1.5+3,round=0.9,min=5");
    PriceRuleFields fields = priceRuleFields(r);
    EXPECT_EQ(fields.factor, "1.5");
    EXPECT_EQ(fields.addition, "3");
    EXPECT_EQ(fields.minimum, "5");
    EXPECT_EQ(priceRuleFromFields(fields, error), r);
    EXPECT_EQ(priceRuleFromFields({"", "", PriceRounding::None, ""}, error), PriceRule{});
    EXPECT_EQ(priceRuleFromFields({"1", "-2", PriceRounding::Yuan, ""}, error), rule("-2,round=1"));
    EXPECT_FALSE(priceRuleFromFields({"abc", "0", PriceRounding::None, ""}, error));
    EXPECT_EQ(error, "倍数应为大于0、不超过100的数,最多4位小数");
    EXPECT_FALSE(priceRuleFromFields({"1", "0", PriceRounding::None, "1.234"}, error));
    EXPECT_EQ(error, "最低价应为金额,最多2位小数");
}

TEST(PriceRule, FenTexts) {
    EXPECT_EQ(formatFen(5590), "55.90");
    EXPECT_EQ(formatFen(5), "0.05");
    EXPECT_EQ(formatFen(-150), "-1.50");
    EXPECT_EQ(parseFen("12.5"), 1250);
    EXPECT_EQ(parseFen("12."), 1200);
    EXPECT_EQ(parseFen(".5"), 50);
    EXPECT_FALSE(parseFen("1.234"));
    EXPECT_FALSE(parseFen("."));
    EXPECT_FALSE(parseFen("1e3"));
}

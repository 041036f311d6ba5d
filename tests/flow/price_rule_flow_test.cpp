// The price rule through the main window: the stored setting, the options bar's caption
// and dialog, and the prices a run writes.
#include "download_flow_fixture.hpp"
#include "package/price_rule.hpp"
#include "store/settings.hpp"
#include "store/text_routines.hpp"

#include <gtest/gtest.h>

using namespace lw;
using namespace lw::test;

namespace {

PriceRule rule(const std::string& text) {
    std::string error;
    return parsePriceRule(text, error).value();
}

using PriceRuleFlow = DownloadFlowFixture;

// The golden rows with the prices a rule gives: the price column and every SKU entry.
void withPrices(std::vector<std::string>& fields, const std::string& from, const std::string& to) {
    if (fields.at(7) != from)
        return;
    fields.at(7) = to;
    fields.at(30) = replaceAll(fields.at(30), from + ":1::", to + ":1::");
}

} // namespace

TEST_F(PriceRuleFlow, ARunWithARuleWritesTheRuledPricesAndNotesTheOriginal) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", false, true);
    startWindow();
    window->setPriceRule(rule("x1.5+3,round=0.9"));
    startAndRun();

    ASSERT_EQ(run->outcome(), RunOutcome::Completed);
    // 12.50 x 1.5 + 3 = 21.75 -> 21.90; 8.00 x 1.5 + 3 = 15 -> 15.90.
    EXPECT_EQ(test::readFileBytes(package), expectedPackage({1, 2}, [](auto& fields) {
                  withPrices(fields, "12.50", "21.90");
                  withPrices(fields, "8.00", "15.90");
              }));
    EXPECT_EQ(rowOf("2001").sub[kSubRemark],
              "完成-2012:03:05 14:07:00:产品类别:T恤;原价:12.50,按价格规则改为:21.90");
    EXPECT_EQ(rowOf("2002").sub[kSubRemark].rfind(
                  "完成-2012:03:05 14:07:00:产品类别:;原价:8.00,按价格规则改为:15.90;警告:", 0),
              0u);
    // The start question names the rule, so no run prices by surprise.
    EXPECT_EQ(dialogs.shown.at(0).text, "是否开始下载勾选的宝贝?\r\n\r\n价格规则: x1.5 +3 尾数.9");
}

TEST_F(PriceRuleFlow, TheRuleAppliesToThePagePriceToo) {
    addLink(group, "2002", "围巾", "0", "9.5", false, true);
    startWindow();
    window->setPagePrice(true);
    window->setPriceRule(rule("x2,min=30"));
    startAndRun();
    ASSERT_EQ(run->outcome(), RunOutcome::Completed);
    EXPECT_EQ(test::readFileBytes(package),
              expectedPackage({2}, [](auto& fields) { fields.at(7) = "30.00"; }));
    EXPECT_NE(rowOf("2002").sub[kSubRemark].find(";原价:9.5,按价格规则改为:30.00"),
              std::string::npos);
}

TEST_F(PriceRuleFlow, RuleOffLeavesEveryPriceTextAsToday) {
    addLink(group, "2001", "T恤", "0", "0", false, true);
    addLink(group, "2002", "围巾", "0", "0", false, true);
    startWindow();
    // Set and then turned off in the dialog: the golden package byte for byte.
    window->setPriceRule(rule("x2"));
    window->setPriceRule(PriceRule{});
    startAndRun();
    EXPECT_EQ(test::readFileBytes(package), expectedPackage({1, 2}));
    EXPECT_EQ(rowOf("2001").sub[kSubRemark].find("原价"), std::string::npos);
}

TEST_F(PriceRuleFlow, TheDialogsRuleIsStoredAndShownAfterARestart) {
    startWindow();
    EXPECT_EQ(window->priceRuleCaption(), "价格规则: 不调整");
    int changes = 0;
    Connection watch = window->state().optionsChanged.connect([&] { ++changes; });

    // Cancelled: nothing changes.
    window->editPriceRule();
    EXPECT_TRUE(frame.did("price rule"));
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(readSetting(*db, Setting::PriceRule), "");

    PriceRule shown;
    frame.priceRule = [&](const PriceRule& current) {
        shown = current;
        return rule("x1.5+3,round=0.9,min=5");
    };
    window->editPriceRule();
    EXPECT_EQ(shown, PriceRule{});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(window->priceRuleCaption(), "价格规则: x1.5 +3 尾数.9 最低5");
    EXPECT_EQ(readSetting(*db, Setting::PriceRule), "x1.5+3,round=0.9,min=5");
    watch = {};

    startWindow();
    EXPECT_EQ(window->priceRule(), rule("x1.5+3,round=0.9,min=5"));
    EXPECT_EQ(run->priceRule, window->priceRule());
    window->editPriceRule();
    EXPECT_EQ(shown, rule("x1.5+3,round=0.9,min=5"));

    // A stored text that is no rule (edited by hand) leaves the prices alone.
    writeSetting(*db, Setting::PriceRule, "x?");
    startWindow();
    EXPECT_FALSE(window->priceRule().active());
}

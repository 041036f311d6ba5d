#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lw {

// How a price is rounded up after the factor and the addition.
enum class PriceRounding {
    None,  // to the nearest fen
    Tenth, // up to the next 0.1 yuan
    Yuan,  // up to the next whole yuan
    Nine,  // up to the smallest price ending in .9 that is not below it
};

// The markup applied to every price a run writes: price x factor + addition, rounded
// up, then raised to the minimum. Money is held in fen and the factor in ten-thousandths,
// so no binary fraction ever rounds a price.
struct PriceRule {
    std::int64_t factorTenThousandths = 10000; // x1
    std::int64_t additionFen = 0;              // may be negative
    PriceRounding rounding = PriceRounding::None;
    std::int64_t minimumFen = 0; // 0: none

    // Off: every price text is written as the offer gives it.
    bool active() const;
    bool operator==(const PriceRule&) const = default;
};

// The rule in its command-line form, e.g. "x1.5+3,round=0.9,min=5"; "" (or "off") is
// the rule that is off. nullopt with error set when the text is not a rule.
std::optional<PriceRule> parsePriceRule(std::string_view text, std::string& error);

// The command-line form of a rule ("" when off); parsePriceRule reads it back.
std::string priceRuleText(const PriceRule& rule);

// The options bar's form: "价格规则: x1.5 +3 尾数.9", "价格规则: 不调整" when off.
std::string priceRuleCaption(const PriceRule& rule);

// The price a rule makes of a price text: two decimals when the rule changed it, the
// text unchanged when the rule is off, the text is not a positive amount or the rule
// gives the same amount. A price with more than four decimals or more than eight whole
// digits is rounded to the fen first (and so always written with two decimals).
std::string applyPriceRule(const PriceRule& rule, const std::string& price);

// skuProps with the rule applied to the price of every SKU entry
// ("price:quantity::pid:vid;pid:vid;" one after another).
std::string applyPriceRuleToSkus(const PriceRule& rule, const std::string& skuProps);

// The rule's dialog: factor ("1.5"), addition ("3", "-2"), rounding and minimum ("5";
// empty for none), as the user types them.
struct PriceRuleFields {
    std::string factor = "1";
    std::string addition = "0";
    PriceRounding rounding = PriceRounding::None;
    std::string minimum;
};
PriceRuleFields priceRuleFields(const PriceRule& rule);
// nullopt with error set when a field is not a number the rule takes.
std::optional<PriceRule> priceRuleFromFields(const PriceRuleFields& fields, std::string& error);

// A decimal amount in fen ("12.5" -> 1250), at most two decimals, no sign; nullopt
// when the text is not such an amount.
std::optional<std::int64_t> parseFen(std::string_view text);
// "55.90" for 5590.
std::string formatFen(std::int64_t fen);

} // namespace lw

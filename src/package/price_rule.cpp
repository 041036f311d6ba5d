#include "package/price_rule.hpp"

#include <algorithm>
#include <vector>

namespace lw {
namespace {

// Prices are worked in units of 1e-8 yuan: a price of up to four decimals times a
// factor of up to four decimals is exact there.
constexpr std::int64_t kUnitsPerFen = 1000000;
constexpr std::int64_t kPriceScale = 10000;  // a price text in 1e-4 yuan
constexpr std::int64_t kFactorScale = 10000; // the factor in 1e-4
constexpr int kMaxWholeDigits = 8;           // up to 99 999 999 yuan
constexpr std::int64_t kMaxFactor = 100 * kFactorScale;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// An unsigned decimal with at most `decimals` decimals, scaled by 10^decimals.
std::optional<std::int64_t> parseScaled(std::string_view text, int decimals) {
    text = trimmed(text);
    std::int64_t whole = 0;
    std::int64_t fraction = 0;
    int wholeDigits = 0;
    int fractionDigits = 0;
    bool point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9')
            return std::nullopt;
        if (point) {
            if (++fractionDigits > decimals)
                return std::nullopt;
            fraction = fraction * 10 + (c - '0');
        } else {
            if (++wholeDigits > kMaxWholeDigits)
                return std::nullopt;
            whole = whole * 10 + (c - '0');
        }
    }
    if (wholeDigits + fractionDigits == 0)
        return std::nullopt;
    std::int64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    for (int i = fractionDigits; i < decimals; ++i)
        fraction *= 10;
    return whole * scale + fraction;
}

// The shortest decimal text of value / 10^decimals ("1.5", "3", "0.05").
std::string shortestScaled(std::int64_t value, int decimals) {
    std::string sign = value < 0 ? "-" : "";
    std::uint64_t v = value < 0 ? 0 - static_cast<std::uint64_t>(value) : value;
    std::uint64_t scale = 1;
    for (int i = 0; i < decimals; ++i)
        scale *= 10;
    std::string text = sign + std::to_string(v / scale);
    std::string fraction = std::to_string(v % scale);
    fraction.insert(0, static_cast<std::size_t>(decimals) - fraction.size(), '0');
    while (!fraction.empty() && fraction.back() == '0')
        fraction.pop_back();
    return fraction.empty() ? text : text + "." + fraction;
}

// A price text in 1e-4 yuan. A price with more decimals, or with more whole digits
// than the rule works on, is first rounded to the fen (half up), so the rule still
// applies; exact is false then. nullopt when the text is no amount at all.
struct PriceAmount {
    std::int64_t scaled = 0;
    bool exact = true;
};

std::optional<PriceAmount> parsePrice(std::string_view text) {
    if (std::optional<std::int64_t> scaled = parseScaled(text, 4))
        return PriceAmount{*scaled, true};
    text = trimmed(text);
    constexpr int kMaxPriceWholeDigits = 12;
    std::int64_t whole = 0;
    int wholeDigits = 0;
    std::string fraction;
    bool point = false;
    for (char c : text) {
        if (c == '.' && !point) {
            point = true;
        } else if (c < '0' || c > '9') {
            return std::nullopt;
        } else if (point) {
            fraction += c;
        } else {
            if (++wholeDigits > kMaxPriceWholeDigits)
                return std::nullopt;
            whole = whole * 10 + (c - '0');
        }
    }
    if (wholeDigits == 0 && fraction.empty())
        return std::nullopt;
    fraction.resize(std::max<std::size_t>(fraction.size(), 3), '0');
    const std::int64_t fen =
        whole * 100 + (fraction[0] - '0') * 10 + (fraction[1] - '0') + (fraction[2] >= '5' ? 1 : 0);
    return PriceAmount{fen * 100, false};
}

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && a < 0) ? q - 1 : q;
}

std::int64_t ceilDiv(std::int64_t a, std::int64_t b) {
    return -floorDiv(-a, b);
}

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    while (true) {
        std::size_t at = text.find(separator);
        parts.push_back(text.substr(0, at));
        if (at == std::string_view::npos)
            return parts;
        text.remove_prefix(at + 1);
    }
}

std::string withoutBlanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\t')
            out += c;
    return out;
}

// "x1.5+3", "x1.5", "+3", "-2", "x0.9-1".
bool parseMarkup(std::string_view part, PriceRule& rule) {
    if (!part.empty() && (part.front() == 'x' || part.front() == 'X' || part.front() == '*')) {
        part.remove_prefix(1);
        std::size_t sign = part.find_first_of("+-");
        std::optional<std::int64_t> factor = parseScaled(part.substr(0, sign), 4);
        if (!factor || *factor <= 0 || *factor > kMaxFactor)
            return false;
        rule.factorTenThousandths = *factor;
        part = sign == std::string_view::npos ? std::string_view() : part.substr(sign);
    }
    if (part.empty())
        return true;
    bool negative = part.front() == '-';
    if (part.front() != '+' && part.front() != '-')
        return false;
    std::optional<std::int64_t> fen = parseFen(part.substr(1));
    if (!fen || *fen > 100000000)
        return false;
    rule.additionFen = negative ? -*fen : *fen;
    return true;
}

} // namespace

bool PriceRule::active() const {
    return !(*this == PriceRule{});
}

std::optional<std::int64_t> parseFen(std::string_view text) {
    return parseScaled(text, 2);
}

std::string formatFen(std::int64_t fen) {
    std::string sign = fen < 0 ? "-" : "";
    std::uint64_t v = fen < 0 ? 0 - static_cast<std::uint64_t>(fen) : fen;
    std::string cents = std::to_string(v % 100);
    if (cents.size() < 2)
        cents.insert(0, "0");
    return sign + std::to_string(v / 100) + "." + cents;
}

std::optional<PriceRule> parsePriceRule(std::string_view text, std::string& error) {
    error.clear();
    std::string compact = withoutBlanks(text);
    PriceRule rule;
    if (compact.empty() || compact == "off")
        return rule;
    bool markupSeen = false;
    for (std::string_view part : splitAt(compact, ',')) {
        std::string_view value;
        bool ok = false;
        if (part.substr(0, 6) == "round=") {
            value = part.substr(6);
            ok = true;
            if (value == "none" || value == "0")
                rule.rounding = PriceRounding::None;
            else if (value == "0.1")
                rule.rounding = PriceRounding::Tenth;
            else if (value == "1")
                rule.rounding = PriceRounding::Yuan;
            else if (value == "0.9" || value == ".9")
                rule.rounding = PriceRounding::Nine;
            else
                ok = false;
        } else if (part.substr(0, 4) == "min=") {
            std::optional<std::int64_t> fen = parseFen(part.substr(4));
            ok = fen.has_value();
            if (ok)
                rule.minimumFen = *fen;
        } else if (!markupSeen && !part.empty()) {
            markupSeen = true;
            ok = parseMarkup(part, rule);
        }
        if (!ok) {
            error = "价格规则无法识别: \"" + std::string(part) +
                    "\" (例: x1.5+3,round=0.9,min=5; round 可取 none、0.1、1、0.9)";
            return std::nullopt;
        }
    }
    return rule;
}

std::string priceRuleText(const PriceRule& rule) {
    if (!rule.active())
        return {};
    std::vector<std::string> parts;
    std::string markup;
    if (rule.factorTenThousandths != kFactorScale)
        markup += "x" + shortestScaled(rule.factorTenThousandths, 4);
    if (rule.additionFen != 0)
        markup += (rule.additionFen > 0 ? "+" : "") + shortestScaled(rule.additionFen, 2);
    if (!markup.empty())
        parts.push_back(markup);
    switch (rule.rounding) {
    case PriceRounding::None:
        break;
    case PriceRounding::Tenth:
        parts.push_back("round=0.1");
        break;
    case PriceRounding::Yuan:
        parts.push_back("round=1");
        break;
    case PriceRounding::Nine:
        parts.push_back("round=0.9");
        break;
    }
    if (rule.minimumFen != 0)
        parts.push_back("min=" + shortestScaled(rule.minimumFen, 2));
    std::string text;
    for (const std::string& p : parts)
        text += (text.empty() ? "" : ",") + p;
    return text;
}

std::string priceRuleCaption(const PriceRule& rule) {
    std::string caption = "价格规则:";
    if (!rule.active())
        return caption + " 不调整";
    if (rule.factorTenThousandths != kFactorScale)
        caption += " x" + shortestScaled(rule.factorTenThousandths, 4);
    if (rule.additionFen != 0)
        caption +=
            std::string(rule.additionFen > 0 ? " +" : " ") + shortestScaled(rule.additionFen, 2);
    switch (rule.rounding) {
    case PriceRounding::None:
        break;
    case PriceRounding::Tenth:
        caption += " 进到角";
        break;
    case PriceRounding::Yuan:
        caption += " 进到元";
        break;
    case PriceRounding::Nine:
        caption += " 尾数.9";
        break;
    }
    if (rule.minimumFen != 0)
        caption += " 最低" + shortestScaled(rule.minimumFen, 2);
    return caption;
}

PriceRuleFields priceRuleFields(const PriceRule& rule) {
    PriceRuleFields fields;
    fields.factor = shortestScaled(rule.factorTenThousandths, 4);
    fields.addition = shortestScaled(rule.additionFen, 2);
    fields.rounding = rule.rounding;
    if (rule.minimumFen != 0)
        fields.minimum = shortestScaled(rule.minimumFen, 2);
    return fields;
}

std::optional<PriceRule> priceRuleFromFields(const PriceRuleFields& fields, std::string& error) {
    error.clear();
    PriceRule rule;
    std::string factor = withoutBlanks(fields.factor);
    if (!factor.empty()) {
        std::optional<std::int64_t> value = parseScaled(factor, 4);
        if (!value || *value <= 0 || *value > kMaxFactor) {
            error = "倍数应为大于0、不超过100的数,最多4位小数";
            return std::nullopt;
        }
        rule.factorTenThousandths = *value;
    }
    std::string addition = withoutBlanks(fields.addition);
    if (!addition.empty()) {
        bool negative = addition.front() == '-';
        if (addition.front() == '-' || addition.front() == '+')
            addition.erase(0, 1);
        std::optional<std::int64_t> fen = parseFen(addition);
        if (!fen || *fen > 100000000) {
            error = "加价应为金额(可为负数),最多2位小数";
            return std::nullopt;
        }
        rule.additionFen = negative ? -*fen : *fen;
    }
    rule.rounding = fields.rounding;
    std::string minimum = withoutBlanks(fields.minimum);
    if (!minimum.empty()) {
        std::optional<std::int64_t> fen = parseFen(minimum);
        if (!fen) {
            error = "最低价应为金额,最多2位小数";
            return std::nullopt;
        }
        rule.minimumFen = *fen;
    }
    return rule;
}

std::string applyPriceRule(const PriceRule& rule, const std::string& price) {
    if (!rule.active())
        return price;
    std::optional<PriceAmount> amount = parsePrice(price);
    if (!amount || amount->scaled <= 0)
        return price;
    const std::int64_t scaled = amount->scaled;
    std::int64_t units = 0;
    // A price too large to work on exactly is far beyond what Taobao takes; it is
    // written in fen for the row check to report.
    if (__builtin_mul_overflow(scaled, rule.factorTenThousandths, &units) ||
        __builtin_add_overflow(units, rule.additionFen * kUnitsPerFen, &units))
        return formatFen(scaled / (kPriceScale / 100));
    std::int64_t fen = 0;
    switch (rule.rounding) {
    case PriceRounding::None:
        fen = floorDiv(units + kUnitsPerFen / 2, kUnitsPerFen);
        break;
    case PriceRounding::Tenth:
        fen = ceilDiv(units, 10 * kUnitsPerFen) * 10;
        break;
    case PriceRounding::Yuan:
        fen = ceilDiv(units, 100 * kUnitsPerFen) * 100;
        break;
    case PriceRounding::Nine:
        fen = ceilDiv(units - 90 * kUnitsPerFen, 100 * kUnitsPerFen) * 100 + 90;
        break;
    }
    if (fen < rule.minimumFen)
        fen = rule.minimumFen;
    if (amount->exact && fen * (kPriceScale / 100) == scaled)
        return price;
    return formatFen(fen);
}

std::string applyPriceRuleToSkus(const PriceRule& rule, const std::string& skuProps) {
    if (!rule.active() || skuProps.empty())
        return skuProps;
    std::string out;
    bool first = true;
    for (std::string_view piece : splitAt(skuProps, ';')) {
        if (!first)
            out += ';';
        first = false;
        // An entry starts with "price:quantity::"; the pairs after it stay as they are.
        std::size_t colon = piece.find(':');
        if (colon != std::string_view::npos && piece.find("::") != std::string_view::npos) {
            out += applyPriceRule(rule, std::string(piece.substr(0, colon)));
            out += piece.substr(colon);
        } else {
            out += piece;
        }
    }
    return out;
}

} // namespace lw

#include "package/offer_record.hpp"

#include "store/text_routines.hpp"

#include <stdexcept>

namespace lw {
namespace {

bool isJsonBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// End of the string whose opening quote is at start (one past the closing quote), or
// npos when it is not closed.
std::size_t stringEnd(std::string_view text, std::size_t start) {
    for (std::size_t i = start + 1; i < text.size(); ++i) {
        if (text[i] == '\\')
            ++i;
        else if (text[i] == '"')
            return i + 1;
    }
    return std::string_view::npos;
}

std::string jsonText(const OfferJson& value) {
    if (value.is_null())
        return {};
    if (value.is_string())
        return value.get<std::string>();
    // Compact, and never throwing on a stray byte inside a string.
    return value.dump(-1, ' ', false, OfferJson::error_handler_t::replace);
}

// Real offers nest a few levels; a value nested deeper than this is refused before it
// is parsed, as reading it back as text would recurse once per level.
constexpr int kMaxNesting = 200;

bool nestsTooDeep(std::string_view text) {
    int depth = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '"') {
            std::size_t end = stringEnd(text, i);
            if (end == std::string_view::npos)
                return false;
            i = end - 1;
        } else if (c == '{' || c == '[') {
            if (++depth > kMaxNesting)
                return true;
        } else if (c == '}' || c == ']') {
            --depth;
        }
    }
    return false;
}

OfferJson parseJson(std::string_view text) {
    if (nestsTooDeep(text))
        throw std::runtime_error("JSON嵌套超过" + std::to_string(kMaxNesting) + "层");
    return OfferJson::parse(text.begin(), text.end());
}

const char* const kFailurePrefix = "宝贝数据无法解析:";

// The price of the first price range that has one, a JSON number read as its decimal
// text ("price":45.0 gives "45.0"); a priceRanges text that is not such a list gives
// the first string price found in it.
std::string firstRangePrice(const std::string& priceRanges) {
    if (priceRanges.empty())
        return {};
    try {
        OfferJson ranges = parseJson(priceRanges);
        if (ranges.is_array()) {
            for (const OfferJson& range : ranges) {
                if (!range.is_object())
                    continue;
                auto price = range.find("price");
                if (price != range.end() && (price->is_string() || price->is_number()))
                    return jsonText(*price);
            }
            return {};
        }
    } catch (const std::exception&) {
    }
    return textBetween(priceRanges, "\"price\":\"", "\"");
}

} // namespace

std::size_t firstJsonValueLength(std::string_view answer) {
    std::size_t i = 0;
    while (i < answer.size() && isJsonBlank(answer[i]))
        ++i;
    if (i == answer.size())
        return answer.size();
    const char first = answer[i];
    if (first == '"') {
        std::size_t end = stringEnd(answer, i);
        return end == std::string_view::npos ? answer.size() : end;
    }
    if (first != '{' && first != '[') {
        // A bare number or literal ends at a blank or at the first tag.
        while (i < answer.size() && !isJsonBlank(answer[i]) && answer[i] != '<')
            ++i;
        return i;
    }
    int depth = 0;
    for (; i < answer.size(); ++i) {
        const char c = answer[i];
        if (c == '"') {
            std::size_t end = stringEnd(answer, i);
            if (end == std::string_view::npos)
                return answer.size();
            i = end - 1;
        } else if (c == '{' || c == '[') {
            ++depth;
        } else if (c == '}' || c == ']') {
            if (--depth == 0)
                return i + 1;
        }
    }
    return answer.size();
}

std::string memberText(const OfferJson& value, const std::string& name) {
    if (!value.is_object())
        throw std::runtime_error("读取成员\"" + name +
                                 "\"时,JSON值不是对象: " + jsonText(value).substr(0, 200));
    auto it = value.find(name);
    if (it == value.end())
        return {};
    return jsonText(*it);
}

AnswerReading readOfferAnswer(std::string_view answer) {
    AnswerReading reading;
    OfferRecord& r = reading.record;
    try {
        OfferJson top = parseJson(answer.substr(0, firstJsonValueLength(answer)));
        std::string result = memberText(top, "result");
        if (result.empty())
            return reading;
        std::string toReturn = memberText(parseJson(result), "toReturn");
        if (toReturn.empty())
            return reading;
        // A one-element array becomes its element.
        std::string_view inner = toReturn;
        inner = inner.size() >= 2 ? inner.substr(1, inner.size() - 2) : std::string_view{};
        reading.offer = parseJson(inner);
        const OfferJson& offer = *reading.offer;

        r.title = memberText(offer, "subject");
        r.description = memberText(offer, "details");
        r.offerId = memberText(offer, "offerId");
        r.postCategryId = memberText(offer, "postCategryId");
        r.amountOnSale = memberText(offer, "amountOnSale");
        r.priceRanges = memberText(offer, "priceRanges");
        r.jsonPrice = firstRangePrice(r.priceRanges);

        r.featureListText = memberText(offer, "productFeatureList");
        if (r.featureListText.empty())
            return reading;
        OfferJson list = parseJson(r.featureListText);
        if (!list.is_array())
            throw std::runtime_error("productFeatureList 不是数组: " +
                                     r.featureListText.substr(0, 200));
        for (const OfferJson& element : list) {
            OfferFeature f{memberText(element, "name"), memberText(element, "value")};
            // Exact names; a later feature of the same name wins.
            if (f.name == "货号")
                r.articleNumber = f.value;
            else if (f.name == "产品类别")
                r.categoryText = f.value;
            else if (f.name == "适用性别")
                r.gender = f.value;
            r.features.push_back(std::move(f));
        }
    } catch (const std::exception& e) {
        reading.failure = std::string(kFailurePrefix) + e.what();
    }
    return reading;
}

std::vector<std::string> imageAddresses(const std::optional<OfferJson>& offer) {
    std::vector<std::string> addresses;
    if (!offer)
        return addresses;
    try {
        std::string text = memberText(*offer, "imageList");
        if (text.empty())
            return addresses;
        OfferJson list = parseJson(text);
        if (!list.is_array())
            return {};
        for (const OfferJson& element : list)
            addresses.push_back(replaceAll(memberText(element, "originalImageURI"), "\\/", "/"));
    } catch (const std::exception&) {
        return {};
    }
    return addresses;
}

std::string decidePrice(const std::string& jsonPrice, const std::string& offerId, bool usePagePrice,
                        const std::vector<std::string>& runOfferIds,
                        const std::function<std::string(std::size_t)>& pagePriceAt) {
    if (!usePagePrice)
        return jsonPrice;
    for (std::size_t k = 0; k < runOfferIds.size(); ++k)
        if (runOfferIds[k] == offerId)
            return pagePriceAt(k);
    return jsonPrice;
}

AnswerTags readAnswerTags(std::string_view answer) {
    auto tag = [&](const std::string& name) {
        return textBetween(answer, "<" + name + ">", "</" + name + ">");
    };
    AnswerTags t;
    t.autoFill = tag("auto_fill");
    if (t.autoFill.empty())
        t.autoFill = "0";
    else if (t.autoFill == "no_mark")
        t.autoFill = "1";
    else if (t.autoFill == "time_card")
        t.autoFill = "2";
    else if (t.autoFill == "fee_card")
        t.autoFill = "3";
    t.nick = tag("nick");
    t.features = tag("features");
    t.globalStockType = tag("global_stock_type");
    if (t.globalStockType.empty())
        t.globalStockType = "1704753246";
    t.subStockType = tag("sub_stock");
    if (t.subStockType.empty())
        t.subStockType = "1";
    t.itemSize = tag("item_size");
    t.itemWeight = tag("item_weight");
    t.sellPromise = tag("sell_promise") == "false" ? "0" : "1";
    return t;
}

} // namespace lw

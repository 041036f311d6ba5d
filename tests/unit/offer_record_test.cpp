#include "package/offer_record.hpp"
#include "temp_dir.hpp"

#include <gtest/gtest.h>

using namespace lw;
using lw::test::readFileBytes;
using lw::test::testDataPath;

namespace {

std::string Answer(const std::string& name) {
    return readFileBytes(testDataPath("package/offers/" + name));
}

} // namespace

TEST(FirstJsonValueLength, StopsWhereTheTaggedExtrasBegin) {
    struct Case {
        std::string text;
        std::size_t expected;
    };
    const Case cases[] = {
        {R"({"a":1}<nick>x</nick>)", 7},
        {R"(  [1,[2]] <x>)", 9},
        // Brackets and quotes inside strings do not count.
        {R"({"a":"}]\"{"}<prop_imgs list="true">)", 13},
        {R"("str"<a>)", 5},
        {"123<a>", 3},
        // Unbalanced: the whole text goes to the parser, which reports it.
        {R"({"a":[1})", 8},
        {"", 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(firstJsonValueLength(c.text), c.expected) << c.text;
}

TEST(MemberText, ReadsEveryKindAsText) {
    OfferJson value = OfferJson::parse(
        R"({"s":"红\/色","i":123,"n":-7,"f":12.5,"b":true,"z":null,"a":[1, {"k" : "v"}],"o":{"y":1,"x":"2"}})");
    struct Case {
        std::string member, expected;
    };
    const Case cases[] = {
        {"s", "红/色"},
        {"i", "123"},
        {"n", "-7"},
        {"f", "12.5"},
        {"b", "true"},
        {"z", ""},
        {"missing", ""},
        // Compact JSON text, members in the order they were sent.
        {"a", R"([1,{"k":"v"}])"},
        {"o", R"({"y":1,"x":"2"})"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(memberText(value, c.member), c.expected) << c.member;
    EXPECT_THROW(memberText(OfferJson::parse("[1]"), "result"), std::runtime_error);
}

TEST(ReadOfferAnswer, OneElementArrayWithNumericOfferId) {
    AnswerReading r = readOfferAnswer(Answer("one_element.json"));
    EXPECT_TRUE(r.complete());
    EXPECT_EQ(r.record.title, "A");
    EXPECT_EQ(r.record.offerId, "123");
    EXPECT_EQ(r.record.description, "");
    EXPECT_TRUE(r.record.features.empty());
    EXPECT_EQ(r.record.jsonPrice, "");
}

TEST(ReadOfferAnswer, ResultHeldAsTextIsParsedAgain) {
    AnswerReading r = readOfferAnswer(Answer("result_as_text.json"));
    EXPECT_TRUE(r.complete()) << r.failure;
    EXPECT_EQ(r.record.title, "B");
    EXPECT_EQ(r.record.offerId, "456");
    EXPECT_EQ(r.record.description, "<p>b</p>");
}

TEST(ReadOfferAnswer, FullOfferWithTaggedExtras) {
    AnswerReading r = readOfferAnswer(Answer("colour_size.json"));
    ASSERT_TRUE(r.complete()) << r.failure;
    const OfferRecord& o = r.record;
    EXPECT_EQ(o.title, "女式T恤 \"夏\"款");
    EXPECT_EQ(o.description, "<p>纯棉\t舒适\r\n好穿</p>");
    EXPECT_EQ(o.offerId, "1001");
    EXPECT_EQ(o.postCategryId, "1031910");
    EXPECT_EQ(o.amountOnSale, "500");
    EXPECT_EQ(o.priceRanges,
              R"([{"startQuantity":2,"price":"12.50"},{"startQuantity":10,"price":"11.00"}])");
    EXPECT_EQ(o.jsonPrice, "12.50");
    // The second "货号" wins.
    EXPECT_EQ(o.articleNumber, "A-123");
    EXPECT_EQ(o.categoryText, "T恤");
    EXPECT_EQ(o.gender, "女");
    const std::vector<OfferFeature> features = {
        {"货号", "X-1"},       {"产品类别", "T恤"}, {"适用性别", "女"},   {"材质", "棉"},
        {"颜色", "红色|蓝色"}, {"尺码", "S|M"},     {"品牌", "花花公子"}, {"货号", "A-123"},
    };
    EXPECT_EQ(o.features, features);
    EXPECT_EQ(imageAddresses(r.offer),
              (std::vector<std::string>{"http://img.example.com/a.jpg", "",
                                        "http://img.example.com/图片.jpg"}));
}

TEST(ReadOfferAnswer, NamesMustMatchExactlyAndANumericPriceIsTaken) {
    AnswerReading r = readOfferAnswer(Answer("category_with_blank.json"));
    ASSERT_TRUE(r.complete()) << r.failure;
    EXPECT_EQ(r.record.categoryText, "");
    EXPECT_EQ(r.record.articleNumber, "K-2");
    // "price":8.5, a JSON number: its decimal text.
    EXPECT_EQ(r.record.jsonPrice, "8.5");
    EXPECT_EQ(r.record.features.size(), 3u);
}

TEST(ReadOfferAnswer, Failures) {
    struct Case {
        std::string file;
        bool failure;
        bool offerReached;
        std::string title;
    };
    const Case cases[] = {
        // Not JSON at all: reported, nothing read.
        {"not_json.txt", true, false, ""},
        // JSON without result: nothing read and nothing reported.
        {"no_result.json", false, false, ""},
        // A feature that is not an object: reported after the values before it.
        {"bad_feature_list.json", true, true, "C"},
    };
    for (const auto& c : cases) {
        AnswerReading r = readOfferAnswer(Answer(c.file));
        EXPECT_EQ(!r.failure.empty(), c.failure) << c.file << ": " << r.failure;
        EXPECT_EQ(r.offer.has_value(), c.offerReached) << c.file;
        EXPECT_FALSE(r.complete()) << c.file;
        EXPECT_EQ(r.record.title, c.title) << c.file;
    }
    AnswerReading bad = readOfferAnswer(Answer("bad_feature_list.json"));
    EXPECT_EQ(bad.record.categoryText, "T恤");
    EXPECT_EQ(bad.failure.rfind("宝贝数据无法解析:", 0), 0u) << bad.failure;
}

TEST(ReadOfferAnswer, OddShapes) {
    struct Case {
        std::string answer;
        bool failure;
        std::string title;
    };
    const Case cases[] = {
        {R"({"result":""})", false, ""},
        {R"({"result":{"toReturn":""}})", false, ""},
        {R"({"result":{"toReturn":null}})", false, ""},
        // An empty list leaves no offer text to parse.
        {R"({"result":{"toReturn":[]}})", true, ""},
        // Two offers do not make one.
        {R"({"result":{"toReturn":[{"subject":"a"},{"subject":"b"}]}})", true, ""},
        {R"({"result":"not json"})", true, ""},
        {R"([1,2])", true, ""},
        {"", true, ""},
        {R"({"result":{"toReturn":[{"subject":"a","productFeatureList":{"name":"x"}}]}})", true,
         "a"},
    };
    for (const auto& c : cases) {
        AnswerReading r = readOfferAnswer(c.answer);
        EXPECT_EQ(!r.failure.empty(), c.failure) << c.answer << ": " << r.failure;
        EXPECT_EQ(r.record.title, c.title) << c.answer;
    }
}

TEST(ReadOfferAnswer, ValuesNestedTooDeepAreUnreadable) {
    auto nested = [](std::size_t levels) {
        return R"({"result":{"toReturn":[{"subject":"a","skuArray":)" + std::string(levels, '[') +
               std::string(levels, ']') + "}]}}";
    };
    // A handful of levels reads as usual.
    EXPECT_TRUE(readOfferAnswer(nested(20)).complete());
    // Tens of thousands, as a hostile answer sends: an unreadable offer, not a crash.
    const std::string deepText =
        R"({"result":")" + std::string(300, '[') + std::string(300, ']') + R"("})";
    for (const std::string& answer : {nested(65000), deepText}) {
        AnswerReading r = readOfferAnswer(answer);
        EXPECT_FALSE(r.offer.has_value());
        EXPECT_EQ(r.failure, "宝贝数据无法解析:JSON嵌套超过200层");
    }
}

TEST(ReadOfferAnswer, PriceOfTheFirstRangeAsText) {
    struct Case {
        const char* ranges;
        const char* price;
    };
    const Case cases[] = {
        {R"([{"startQuantity":1,"price":45.0}])", "45.0"},
        {R"([{"price":12.35},{"price":"11.00"}])", "12.35"},
        {R"([{"price":"12.50"},{"price":11}])", "12.50"},
        {R"([{"startQuantity":1},{"price":7}])", "7"},
        {R"([{"price":null}])", ""},
        {R"([])", ""},
    };
    for (const Case& c : cases) {
        AnswerReading r =
            readOfferAnswer(std::string(R"({"result":{"toReturn":[{"subject":"a","priceRanges":)") +
                            c.ranges + "}]}}");
        ASSERT_TRUE(r.complete()) << c.ranges << ": " << r.failure;
        EXPECT_EQ(r.record.jsonPrice, c.price) << c.ranges;
    }
}

TEST(ImageAddresses, EmptyWithoutOfferOrReadableList) {
    EXPECT_TRUE(imageAddresses(std::nullopt).empty());
    EXPECT_TRUE(imageAddresses(OfferJson::parse(R"({"imageList":"x"})")).empty());
    EXPECT_TRUE(imageAddresses(OfferJson::parse(R"({"imageList":[1]})")).empty());
    EXPECT_TRUE(imageAddresses(OfferJson::parse(R"({})")).empty());
    // A literal backslash before "/" inside the address goes as well.
    EXPECT_EQ(imageAddresses(OfferJson::parse(R"({"imageList":[{"originalImageURI":"a\\/b"}]})")),
              std::vector<std::string>{"a/b"});
}

TEST(DecidePrice, PagePriceOnlyWhenAskedAndFound) {
    const std::vector<std::string> ids = {"900", "1001", "1001"};
    const std::vector<std::string> pagePrices = {"1.00", "9.90", "7.70"};
    auto at = [&](std::size_t k) { return pagePrices.at(k); };
    struct Case {
        std::string jsonPrice, offerId;
        bool usePagePrice;
        std::string expected;
    };
    const Case cases[] = {
        {"12.50", "1001", false, "12.50"},
        // The first position found.
        {"12.50", "1001", true, "9.90"},
        {"12.50", "555", true, "12.50"},
        {"", "1001", true, "9.90"},
        {"", "555", true, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decidePrice(c.jsonPrice, c.offerId, c.usePagePrice, ids, at), c.expected)
            << c.offerId << " " << c.usePagePrice;
}

TEST(ReadAnswerTags, MappingsAndDefaults) {
    struct Case {
        std::string answer;
        AnswerTags expected;
    };
    const Case cases[] = {
        {"{}", {"0", "", "", "1704753246", "1", "", "", "1"}},
        {"{}<auto_fill>no_mark</auto_fill><sell_promise>false</sell_promise>",
         {"1", "", "", "1704753246", "1", "", "", "0"}},
        {"<auto_fill>time_card</auto_fill><sell_promise>true</sell_promise>",
         {"2", "", "", "1704753246", "1", "", "", "1"}},
        {"<auto_fill>fee_card</auto_fill><sell_promise>FALSE</sell_promise>",
         {"3", "", "", "1704753246", "1", "", "", "1"}},
        {"<auto_fill>other</auto_fill><nick>店</nick><features>f:1</features>"
         "<global_stock_type>2</global_stock_type><sub_stock>2</sub_stock>"
         "<item_size>bulk:1</item_size><item_weight>0.3</item_weight>",
         {"other", "店", "f:1", "2", "2", "bulk:1", "0.3", "1"}},
        // First occurrence, anywhere in the answer.
        {R"({"x":"<nick>a</nick>"}<nick>b</nick>)", {"0", "a", "", "1704753246", "1", "", "", "1"}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readAnswerTags(c.answer), c.expected) << c.answer;
}

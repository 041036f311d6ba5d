#include "harvest/listing_page.hpp"
#include "util/codec.hpp"

#include <gtest/gtest.h>

using namespace lw;

namespace {

struct Item {
    std::string id, title, price, sales;
};

std::string firstLayoutItem(const Item& it) {
    return "<div class=\"image\"><a href=\"http://detail.1688.com/offer/" + it.id +
           ".html\" title=\"" + it.title + "\"><img></a></div><em>" + it.price +
           "</em><span class=\"booked-counts\">" + it.sales +
           "</span><div class=\"order\">buy</div>";
}

std::string page(const std::vector<Item>& items, const std::string& pages = "3",
                 const std::string& offers = "45") {
    std::string body = "<html><em class=\"page-count\">" + pages +
                       "</em><em class=\"offer-count\">" + offers +
                       "</em><div class=\"common-column-150\">";
    for (const auto& it : items)
        body += firstLayoutItem(it);
    return body + "<div class=\"app-paginator\">1 2 3</div></html>";
}

std::vector<Item> items(int from, int count) {
    std::vector<Item> out;
    for (int i = from; i < from + count; ++i)
        out.push_back({std::to_string(1000 + i), "商品" + std::to_string(i), "8.50", "15"});
    return out;
}

} // namespace

TEST(ListingPage, FirstLayoutLineHasAllFields) {
    SearchState s;
    LinkBox box;
    std::string logged;
    std::vector<std::string> progress;
    auto r = readListingPage(
        page({{"123", "Title", "8.50", "15"}}, "1", "1"), s, box,
        [&](const std::string& t) { progress.push_back(t); },
        [&](const std::string& t) { logged = t; });
    ASSERT_EQ(box.lines().size(), 1u);
    EXPECT_EQ(box.lines()[0], "http://detail.1688.com/offer/123.html,Title,15,8.50");
    EXPECT_EQ(r.outcome, PageOutcome::Complete);
    EXPECT_EQ(r.message, "完成搜索,共搜索到 1 个符合条件的产品.是否马上加入下载源?");
    EXPECT_FALSE(logged.empty());
    EXPECT_EQ(progress.front(), "正在搜索中...(0/1) 页:1");
}

TEST(ListingPage, ThreePagesOf45ThenPrompt_44ThenOneMorePage) {
    SearchState s;
    LinkBox box;
    EXPECT_EQ(readListingPage(page(items(0, 20)), s, box).outcome, PageOutcome::NextPage);
    EXPECT_EQ(s.currentPage, 2);
    EXPECT_EQ(readListingPage(page(items(20, 20)), s, box).outcome, PageOutcome::NextPage);
    auto last = readListingPage(page(items(40, 5)), s, box);
    EXPECT_EQ(last.outcome, PageOutcome::Complete);
    EXPECT_EQ(box.lineCount(), 45u);

    SearchState s2;
    LinkBox box2;
    readListingPage(page(items(0, 20)), s2, box2);
    readListingPage(page(items(20, 20)), s2, box2);
    // One short after the last page: page count + 1 is asked for.
    EXPECT_EQ(readListingPage(page(items(40, 4)), s2, box2).outcome, PageOutcome::NextPage);
    EXPECT_EQ(s2.currentPage, 4);
    auto r = readListingPage(page({}, "3", "45") + "<div class=\"image\">", s2, box2);
    // Page 4 has no items in its section: the 44 lines found are still offered.
    EXPECT_EQ(r.outcome, PageOutcome::Short);
    EXPECT_EQ(r.message, "搜索未完成,第 4 页没有宝贝列表.\r\n\r\n网站报告共 45 个符合条件的产品,"
                         "已找到 44 个.是否马上将找到的 44 个加入下载源?");
    EXPECT_EQ(box2.lineCount(), 44u);
}

TEST(ListingPage, AnUnreadablePageFailsOrOffersWhatWasFound) {
    SearchState s;
    LinkBox box;
    auto failed = readUnreadablePage("网络错误,网站回答 HTTP/1.1 503 x\r\nhttp://a", s, box);
    EXPECT_EQ(failed.outcome, PageOutcome::Failed);
    EXPECT_EQ(failed.message,
              "搜索失败,第 1 页无法读取:网络错误,网站回答 HTTP/1.1 503 x\r\nhttp://a");

    readListingPage(page(items(0, 20)), s, box);
    auto r = readUnreadablePage("网络错误,没有得到网站的回答\r\nhttp://a", s, box);
    EXPECT_EQ(r.outcome, PageOutcome::Short);
    EXPECT_EQ(r.message,
              "搜索未完成,第 2 页无法读取:网络错误,没有得到网站的回答\r\nhttp://a\r\n\r\n"
              "网站报告共 45 个符合条件的产品,已找到 20 个.是否马上将找到的 20 个加入下载源?");
}

TEST(ListingPage, NoResultAndEmptySectionMessages) {
    SearchState s;
    LinkBox box;
    auto r = readListingPage("<em class=\"offer-count\">0</em>没有找到符合条件的", s, box);
    EXPECT_EQ(r.outcome, PageOutcome::NoResult);
    EXPECT_EQ(r.message, "完成搜索,共搜索到 0 个符合条件的产品.");

    // A network failure text contains no marker at all.
    r = readListingPage("网络错误:timeout\r\nhttp://shop1.1688.com/page/offerlist.htm?x", s, box);
    EXPECT_EQ(r.outcome, PageOutcome::EmptySection);
    EXPECT_EQ(r.message, ".完成搜索,共搜索到 0 个符合条件的产品.");
}

TEST(ListingPage, NoCountsAndOneOfferPromptsWithOne) {
    SearchState s;
    LinkBox box;
    std::string p = "<div class=\"common-column-150\">" + firstLayoutItem({"7", "t", "1", "2"}) +
                    "<div class=\"app-paginator\">";
    auto r = readListingPage(p, s, box);
    EXPECT_EQ(s.offerCount, 1);
    EXPECT_EQ(s.pageCount, 1);
    EXPECT_EQ(r.outcome, PageOutcome::Complete);
}

TEST(ListingPage, SecondLayoutEndsBlocksAtTheTitleDiv) {
    SearchState s;
    LinkBox box;
    std::string p = "<em class=\"offer-count\">1</em><div class=\"wp-offerlist-windows\">"
                    "<div class=\"image\"><a href=\"http://detail.1688.com/offer/55.html\" "
                    "title=\"裙\"></a></div><div class=\"title\">x</div><em>9.90</em>"
                    "<span class=\"booked-counts\">3</span><div class=\"app-paginator\">";
    readListingPage(p, s, box);
    ASSERT_EQ(box.lineCount(), 1u);
    EXPECT_EQ(box.lines()[0], "http://detail.1688.com/offer/55.html,裙,0,0.00");
}

TEST(ListingPage, TitleCleanUpAndDefaults) {
    const std::pair<std::string, std::string> titles[] = {
        {"A &amp; B", "A & B"},     {"a,b,c", "abc"},         {"&lt;b&gt;", "b"},
        {"say &quot;hi", "say hi"}, {"  spaced  ", "spaced"},
    };
    for (const auto& [raw, clean] : titles) {
        SearchState s;
        LinkBox box;
        readListingPage(page({{"1", raw, "abc", "-3"}}, "1", "1"), s, box);
        ASSERT_EQ(box.lineCount(), 1u) << raw;
        EXPECT_EQ(box.lines()[0], "http://detail.1688.com/offer/1.html," + clean + ",0,0.00");
    }
}

TEST(ListingPage, ItemsWithoutANumericOfferIdAreSkippedAndCounted) {
    const char* junk[] = {
        "<div class=\"image\">no link<div class=\"order\">",
        "<div class=\"image\"><a href=\"http://detail.1688.com/offer/notanumber.html\" "
        "title=\"x\"></a><div class=\"order\">",
        "<div class=\"image\"><a href=\"http://detail.1688.com/offer/.html\" "
        "title=\"x\"></a><div class=\"order\">",
        "<div class=\"image\"><a href=\"http://detail.1688.com/offer/12a.html\" "
        "title=\"x\"></a><div class=\"order\">",
        "<div class=\"image\"><a href=\"http://detail.1688.com/offer/-12.html\" "
        "title=\"x\"></a><div class=\"order\">",
        "<div class=\"image\"><a href=\"http://detail.1688.com/offer/1.5.html\" "
        "title=\"x\"></a><div class=\"order\">",
    };
    for (const char* item : junk) {
        SearchState s;
        LinkBox box;
        // The site counts the skipped item: two offers in all, one page, no page more.
        std::string p = "<em class=\"offer-count\">2</em><div class=\"common-column-150\">" +
                        std::string(item) + firstLayoutItem({"9", "T", "1.00", "2"}) +
                        "<div class=\"app-paginator\">";
        auto r = readListingPage(p, s, box);
        EXPECT_EQ(box.lines(),
                  std::vector<std::string>{"http://detail.1688.com/offer/9.html,T,2,1.00"})
            << item;
        EXPECT_EQ(s.skippedItems, 1) << item;
        EXPECT_EQ(r.outcome, PageOutcome::Complete) << item;
        EXPECT_EQ(r.message, "完成搜索,共搜索到 2 个符合条件的产品(其中 1 个没有有效的宝贝链接,"
                             "已跳过).是否马上加入下载源?")
            << item;
    }
}

TEST(ListingPage, DuplicatesWithTheSameFiguresGiveOneLine) {
    SearchState s;
    LinkBox box;
    std::string p = "<em class=\"offer-count\">5</em><div class=\"common-column-150\">" +
                    firstLayoutItem({"9", "T", "1.00", "2"}) +
                    firstLayoutItem({"9", "T", "1.00", "2"}) +
                    firstLayoutItem({"9", "T", "1.50", "2"}) + "<div class=\"app-paginator\">";
    readListingPage(p, s, box);
    EXPECT_EQ(box.lines(), (std::vector<std::string>{
                               "http://detail.1688.com/offer/9.html,T,2,1.00",
                               "http://detail.1688.com/offer/9.html,T,2,1.50",
                           }));
    EXPECT_EQ(s.skippedItems, 0);
}

TEST(ListingPage, DuplicateTestIgnoresLetterCase) {
    LinkBox box;
    box.append("http://detail.1688.com/offer/9.html,Abc,2,1.00");
    EXPECT_FALSE(box.appendUnique("HTTP://detail.1688.com/offer/9.html,aBC,2,1.00"));
    EXPECT_EQ(box.lineCount(), 1u);
}

TEST(ListingPage, ItemStartWithoutEndStopsTheScan) {
    SearchState s;
    LinkBox box;
    std::string p = "<em class=\"offer-count\">2</em><div class=\"common-column-150\">" +
                    firstLayoutItem({"1", "a", "1", "1"}) +
                    "<div class=\"image\"><a href=\"http://detail.1688.com/offer/2.html\">" +
                    "<div class=\"app-paginator\">";
    auto r = readListingPage(p, s, box);
    EXPECT_EQ(box.lineCount(), 1u);
    EXPECT_EQ(r.outcome, PageOutcome::NextPage);
}

TEST(ListingPage, CountThatIsNotAnIntegerIsAnError) {
    SearchState s;
    LinkBox box;
    auto r = readListingPage(page(items(0, 1), "1,000", "45"), s, box);
    EXPECT_EQ(r.outcome, PageOutcome::Error);
    EXPECT_EQ(r.message, "'1,000' is not a valid integer value\r\n");
    EXPECT_EQ(box.lineCount(), 0u);
}

TEST(ListingPage, StallsSilentlyOnANegativeCount) {
    SearchState s;
    LinkBox box;
    auto r = readListingPage(page(items(0, 1), "-1", "45"), s, box);
    EXPECT_EQ(r.outcome, PageOutcome::Stalled);
}

TEST(ListingPageDecode, AByteOrderMarkWithoutCharsetIsUtf8) {
    const std::string page = "\xEF\xBB\xBF<html>没有找到符合</html>";
    EXPECT_EQ(decodeListingPage(page, "text/html"), page);
    EXPECT_EQ(decodeListingPage(page, ""), page);
}

TEST(ListingPageDecode, DeclaredCharsetOrGbk) {
    std::string gbk = utf8ToGb18030("没有找到符合").value();
    EXPECT_EQ(decodeListingPage(gbk, ""), "没有找到符合");
    EXPECT_EQ(decodeListingPage(gbk, "text/html; charset=GBK"), "没有找到符合");
    EXPECT_EQ(decodeListingPage("没有", "text/html;charset=utf-8"), "没有");
    std::string meta = "<head><meta charset=\"utf-8\"></head>没有";
    EXPECT_EQ(decodeListingPage(meta, "text/html"), meta);
    std::string metaGbk =
        "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">";
    EXPECT_EQ(decodeListingPage(metaGbk + gbk, ""), metaGbk + "没有找到符合");
}

TEST(ListingPageDecode, AlwaysGivesUtf8) {
    // Declared UTF-8 but holding a sequence beyond U+10FFFF: each such byte is replaced.
    EXPECT_EQ(decodeListingPage("<p>\xF6\xB0\xB0\xB0</p>", "text/html; charset=utf-8"),
              "<p>\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD</p>");
}

TEST(LinkBoxText, SplitsLinesAndDropsCarriageReturns) {
    LinkBox box;
    box.setText("a\r\nb\r\n");
    EXPECT_EQ(box.lines(), (std::vector<std::string>{"a", "b"}));
    box.setText("a\n\nb");
    EXPECT_EQ(box.lineCount(), 3u);
    EXPECT_EQ(box.text(), "a\r\n\r\nb");
}

#include "harvest/listing_page.hpp"

#include "store/text_routines.hpp"
#include "util/codec.hpp"

#include <algorithm>
#include <cctype>

namespace lw {
namespace {

constexpr std::string_view kPageCount = "<em class=\"page-count\">";
constexpr std::string_view kOfferCount = "<em class=\"offer-count\">";
constexpr std::string_view kEmEnd = "</em>";
constexpr std::string_view kNoResult = "没有找到符合";
constexpr std::string_view kSectionFirst = "<div class=\"common-column-150\"";
constexpr std::string_view kSectionSecond = "<div class=\"wp-offerlist-windows\">";
constexpr std::string_view kSectionEnd = "<div class=\"app-paginator";
constexpr std::string_view kItemStart = "<div class=\"image\">";
constexpr std::string_view kItemEndFirst = "<div class=\"order\">";
constexpr std::string_view kItemEndSecond = "<div class=\"title\">";
constexpr std::string_view kLinkEnd = ".html\"";
constexpr std::string_view kTitleStart = "title=\"";
constexpr std::string_view kSalesStart = "<span class=\"booked-counts\">";
constexpr std::string_view kSalesEnd = "</span>";

std::string cleanTitle(std::string title) {
    title = replaceAll(title, "&lt;", "");
    title = replaceAll(title, "&gt;", "");
    title = replaceAll(title, "&quot;", "");
    title = replaceAll(title, "&amp;", "&");
    title = replaceAll(title, ",", "");
    return title;
}

std::string titleOf(std::string_view block) {
    size_t start = block.find(kTitleStart);
    if (start == std::string_view::npos)
        return {};
    start += kTitleStart.size();
    size_t end = block.find('"', start);
    if (end == std::string_view::npos)
        return {};
    return cleanTitle(trim(block.substr(start, end - start)));
}

// The Link Line of an item; empty when the item has no offer link with a numeric id.
std::string lineOf(std::string_view block) {
    const std::string linkStart = "<a href=\"" + std::string(kOfferPrefix);
    std::string id = trim(textBetween(block, linkStart, kLinkEnd));
    if (!isOfferId(id))
        return {};
    std::string title = titleOf(block);
    std::string price = trim(textBetween(block, "<em>", kEmEnd));
    // Whole-string assignments: g++ 12 warns wrongly (-Wrestrict) on literal ones.
    if (!isNumber(price))
        price = std::string("0.00");
    std::string sales = trim(textBetween(block, kSalesStart, kSalesEnd));
    if (!isNumber(sales))
        sales = std::string("0");
    return std::string(kOfferPrefix) + id + ".html," + title + "," + sales + "," + price;
}

std::string completionText(const SearchState& state) {
    std::string text =
        "完成搜索,共搜索到 " + std::to_string(state.offerCount) + " 个符合条件的产品";
    if (state.skippedItems > 0)
        text += "(其中 " + std::to_string(state.skippedItems) + " 个没有有效的宝贝链接,已跳过)";
    return text + ".是否马上加入下载源?";
}

// The question of a search that stopped at a page it could not use.
PageResult shortResult(const std::string& what, const SearchState& state, const LinkBox& box) {
    std::string found = std::to_string(box.lineCount());
    std::string text = "搜索未完成," + what + "\r\n\r\n网站报告共 " +
                       std::to_string(state.offerCount) + " 个符合条件的产品,已找到 " + found +
                       " 个";
    if (state.skippedItems > 0)
        text += "(另有 " + std::to_string(state.skippedItems) + " 个没有有效的宝贝链接,已跳过)";
    return {PageOutcome::Short, text + ".是否马上将找到的 " + found + " 个加入下载源?"};
}

} // namespace

PageResult readUnreadablePage(const std::string& reason, const SearchState& state,
                              const LinkBox& box) {
    std::string what = "第 " + std::to_string(state.currentPage) + " 页无法读取:" + reason;
    if (box.lineCount() == 0)
        return {PageOutcome::Failed, "搜索失败," + what};
    return shortResult(what, state, box);
}

bool parseCount(std::string_view text, int& value, std::string& error) {
    std::string t = trim(text);
    size_t i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) {
        negative = t[i] == '-';
        ++i;
    }
    long long v = 0;
    bool digits = false;
    for (; i < t.size(); ++i) {
        if (t[i] < '0' || t[i] > '9')
            break;
        digits = true;
        v = v * 10 + (t[i] - '0');
        if (v > 2147483647LL)
            break;
    }
    if (!digits || i != t.size()) {
        std::string message(1, '\'');
        message += text;
        message += "' is not a valid integer value";
        error = std::move(message);
        return false;
    }
    value = static_cast<int>(negative ? -v : v);
    return true;
}

PageResult readListingPage(std::string_view page, SearchState& state, LinkBox& box,
                           const std::function<void(const std::string&)>& progress,
                           const std::function<void(const std::string&)>& log) {
    // 1. Counts; a text that is not an integer ends the search in the error box.
    std::string pageText = textBetween(page, kPageCount, kEmEnd);
    std::string offerText = textBetween(page, kOfferCount, kEmEnd);
    std::string error;
    if (!parseCount(pageText.empty() ? "1" : pageText, state.pageCount, error) ||
        !parseCount(offerText.empty() ? "0" : offerText, state.offerCount, error))
        return {PageOutcome::Error, error + "\r\n"};

    // 2. The whole page goes to the window's log.
    if (log)
        log(std::string(page));

    // 3. The site says there is nothing.
    if (state.offerCount == 0 && page.find(kNoResult) != std::string_view::npos)
        return {PageOutcome::NoResult, "完成搜索,共搜索到 0 个符合条件的产品."};
    // 4. No count and no no-result text: count one.
    if (state.offerCount == 0)
        state.offerCount = 1;

    // 5. The offer section of either layout.
    std::string section = textBetween(page, kSectionFirst, kSectionEnd);
    std::string_view itemEnd = kItemEndFirst;
    if (section.empty()) {
        section = textBetween(page, kSectionSecond, kSectionEnd);
        itemEnd = kItemEndSecond;
    }

    // 6. No item at all. After earlier pages found lines the search came up short:
    // those lines are still offered.
    if (section.find(kItemStart) == std::string::npos) {
        if (box.lineCount() > 0)
            return shortResult("第 " + std::to_string(state.currentPage) + " 页没有宝贝列表.",
                               state, box);
        return {PageOutcome::EmptySection, ".完成搜索,共搜索到 0 个符合条件的产品."};
    }

    // 7. Forward-only scan of the items.
    size_t p = 0;
    while (true) {
        if (progress)
            progress("正在搜索中...(" + std::to_string(box.lineCount()) + "/" +
                     std::to_string(state.offerCount) +
                     ") 页:" + std::to_string(state.currentPage));
        size_t c = section.find(kItemStart, p);
        if (c == std::string::npos)
            break;
        size_t blockStart = c + kItemStart.size();
        size_t e = section.find(itemEnd, blockStart);
        // An item start without an end ends the scan; it never starts over.
        if (e == std::string::npos)
            break;
        std::string_view block(section.data() + blockStart, e - blockStart);
        std::string line = lineOf(block);
        if (line.empty())
            ++state.skippedItems;
        else
            box.appendUnique(line);
        p = e + 1;
    }

    // 8. Next page or end.
    if (state.offerCount < 1 || state.pageCount < 1)
        return {PageOutcome::Stalled, {}};
    // Skipped items count as listed, so they ask for no page of their own.
    if (state.currentPage <= state.pageCount &&
        static_cast<long long>(box.lineCount()) + state.skippedItems != state.offerCount) {
        ++state.currentPage;
        return {PageOutcome::NextPage, {}};
    }
    return {PageOutcome::Complete, completionText(state)};
}

namespace {

std::string charsetIn(std::string_view text) {
    size_t at = findNoCase(text, "charset=");
    if (at == std::string_view::npos)
        return {};
    size_t b = at + 8;
    while (b < text.size() && (text[b] == '"' || text[b] == '\'' || text[b] == ' '))
        ++b;
    size_t e = b;
    while (e < text.size() &&
           (std::isalnum(static_cast<unsigned char>(text[e])) || text[e] == '-' || text[e] == '_'))
        ++e;
    return std::string(text.substr(b, e - b));
}

} // namespace

std::string decodeListingPage(std::string_view bytes, std::string_view contentType) {
    std::string charset = charsetIn(contentType);
    // A UTF-8 byte-order mark says the charset when nothing else does.
    if (charset.empty() && bytes.substr(0, 3) == "\xEF\xBB\xBF")
        charset = "UTF-8";
    if (charset.empty()) {
        // Only the head can declare it; look at the start of the page.
        std::string_view head = bytes.substr(0, std::min<size_t>(bytes.size(), 4096));
        size_t meta = findNoCase(head, "<meta");
        while (meta != std::string_view::npos && charset.empty()) {
            size_t close = head.find('>', meta);
            std::string_view tag = head.substr(
                meta, close == std::string_view::npos ? std::string_view::npos : close - meta);
            charset = charsetIn(tag);
            meta = findNoCase(head, "<meta", meta + 5);
        }
    }
    std::string lowered = lowerAscii(charset);
    if (lowered.empty() || lowered == "gbk" || lowered == "gb2312" || lowered == "gb18030" ||
        lowered == "x-gbk")
        charset = "GB18030";
    if (lowerAscii(charset) == "utf-8" || lowerAscii(charset) == "utf8") {
        if (isValidUtf8(bytes))
            return std::string(bytes);
    }
    if (auto text = toUtf8(bytes, charset))
        return *text;
    std::string lenient = toUtf8Lenient(bytes, charset);
    // An unknown charset name: read it as the site's usual GBK.
    if (lenient.empty() && !bytes.empty())
        lenient = toUtf8Lenient(bytes, "GB18030");
    return lenient;
}

} // namespace lw

#include "harvest/link_lines.hpp"

#include "items/item_link_store.hpp"
#include "items/item_list.hpp"
#include "store/database.hpp"
#include "store/text_routines.hpp"
#include "ui/dialogs.hpp"

#include <algorithm>
#include <optional>
#include <unordered_set>

namespace lw {
namespace {

// The offer id of an address that the check let pass in any letter case.
std::string offerIdOf(std::string_view line, std::string_view end) {
    size_t start = findNoCase(line, "offer/");
    if (start == std::string_view::npos)
        return {};
    start += 6;
    size_t stop = findNoCase(line, end, start);
    if (stop == std::string_view::npos)
        return {};
    return std::string(line.substr(start, stop - start));
}

} // namespace

LinkLine parseLinkLine(const std::string& line) {
    LinkLine out;
    if (line.find(',') == std::string::npos) {
        out.id = offerIdOf(line, ".html");
        out.address = line;
        return out;
    }
    out.id = offerIdOf(line, ".html,");
    // The fields are cut at the commas themselves: searching for the title text
    // again would find it inside the address (a title "html") and an empty title
    // would swallow the figures.
    size_t first = line.find(',');
    size_t second = line.find(',', first + 1);
    std::string rest;
    if (second == std::string::npos) {
        out.title = line.substr(first + 1);
    } else {
        out.title = line.substr(first + 1, second - first - 1);
        rest = line.substr(second + 1);
    }
    out.price = textBetween(rest, ",", "");
    if (!isNumber(out.price))
        out.price = std::string("0");
    out.sales = textBetween(rest, "", ",");
    if (!isNumber(out.sales))
        out.sales = std::string("0");
    out.address = textBetween(line, "", ",");
    return out;
}

std::vector<std::string> splitLinkBox(const std::string& text) {
    std::vector<std::string> lines = splitText(text, "\n");
    for (std::string& line : lines)
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
    return lines;
}

void autoCorrectLinkLines(std::vector<std::string>& lines) {
    for (std::string& line : lines) {
        if (line.find(',') != std::string::npos)
            continue;
        std::string id = textBetween(line, kOfferPrefix, ".html");
        if (!id.empty())
            line = std::string(kOfferPrefix) + id + ".html";
    }
}

std::string checkLinkLines(const std::vector<std::string>& lines) {
    std::string errors;
    std::string prefix = lowerAscii(kOfferPrefix);
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string trimmed = trim(lines[i]);
        if (trimmed.empty())
            continue;
        bool ok = isOfferId(parseLinkLine(trimmed).id);
        if (ok && lowerAscii(trimmed).rfind(prefix, 0) != 0) {
            // Not at the start: the address must still hold the prefix itself.
            std::string id = textBetween(lines[i], kOfferPrefix, ".html");
            size_t comma = id.find(',');
            if (comma != std::string::npos)
                id.erase(comma);
            ok = isOfferId(id);
        }
        if (!ok)
            errors += "第 " + std::to_string(i + 1) + " 行:" + trimmed + "\r\n\r\n";
    }
    return errors;
}

LinkCheck confirmLinkLines(Dialogs& dialogs, std::vector<std::string>& lines, bool autoCorrect) {
    std::string box;
    for (const std::string& line : lines)
        box += line + "\n";
    if (trim(box).empty()) {
        dialogs.message("提示",
                        std::string("请输入阿里巴巴的宝贝链接地址.格式如:") +
                            std::string(kOfferPrefix) +
                            "数字.html\r\n(提示:可添加多个宝贝链接地址,一行一个宝贝链接地址)",
                        Icon::Warning);
        return LinkCheck::Empty;
    }
    if (autoCorrect)
        autoCorrectLinkLines(lines);
    std::string errors = checkLinkLines(lines);
    if (!errors.empty()) {
        dialogs.message("提示",
                        std::string("以下阿里巴巴宝贝链接地址格式不正确,请重新输入.格式如: ") +
                            std::string(kOfferPrefix) + "数字.html\r\n\r\n" + errors,
                        Icon::Warning);
        return LinkCheck::Malformed;
    }
    if (!dialogs.question("提示", "是否确认添加至下载源?"))
        return LinkCheck::Declined;
    return LinkCheck::Confirmed;
}

std::string addProgressText(int line, int count) {
    return "正在添加至下载源...(" + std::to_string(line) + "/" + std::to_string(count) + ")";
}

LinkAddResult addLinkLines(Database& db, const std::vector<std::string>& lines,
                           std::int64_t targetGroup,
                           const std::function<void(int line, int count)>& progress) {
    LinkAddResult result;
    int count = static_cast<int>(lines.size());
    // Offers added by this step: a second line of the same offer is no news.
    std::unordered_set<std::string> addedIds;
    std::unordered_set<std::int64_t> seen;
    Transaction transaction(db);
    try {
        for (int i = 0; i < count; ++i) {
            if (progress)
                progress(i + 1, count);
            std::string line = trim(lines[static_cast<size_t>(i)]);
            if (line.empty()) {
                ++result.skipped;
                continue;
            }
            LinkLine link = parseLinkLine(line);
            // An empty or non-numeric id would only fail later, in the download run.
            if (!isOfferId(link.id)) {
                ++result.skipped;
                ++result.refused;
                continue;
            }
            Query dup = db.query(
                joinSql({"select u.Uniqid as Uniqid, u.uGroup as uGroup, g.GroupName as GroupName",
                         "from TB_URL u left join TB_Groups g on g.Uniqid=u.uGroup",
                         "where u.num_iid=? and u.tag=? order by u.Uniqid"}),
                {link.id, std::int64_t{kListKind}});
            if (!dup.eof()) {
                ++result.skipped;
                if (addedIds.count(link.id))
                    continue;
                std::optional<ExistingLink> first;
                bool inTarget = false;
                for (; !dup.eof(); dup.next()) {
                    std::int64_t group = dup.integer("uGroup");
                    if (group == targetGroup)
                        inTarget = true;
                    else if (!first)
                        first = ExistingLink{dup.integer("Uniqid"), group, dup.text("GroupName")};
                }
                if (inTarget)
                    ++result.inTarget;
                else if (seen.insert(first->uniqid).second)
                    result.elsewhere.push_back(*first);
                continue;
            }
            // Sales and price go in as the number texts they are; the columns make
            // numbers of them.
            db.exec(joinSql({"insert into TB_URL(tag,uGroup,num_iid,detail_url,title,SaleNum,"
                             "SalePrice)",
                             "select ?,?,?,?,?,?,?"}),
                    {std::int64_t{kListKind}, targetGroup, link.id, link.address, link.title,
                     link.sales, link.price});
            ++result.added;
            addedIds.insert(link.id);
        }
    } catch (...) {
        // The lines added before the failing one stay added.
        transaction.commit();
        throw;
    }
    transaction.commit();
    return result;
}

std::string linkAddReport(const LinkAddResult& result) {
    std::string text = "添加 " + std::to_string(result.added) + " 个";
    if (result.inTarget > 0)
        text += "，已在本组 " + std::to_string(result.inTarget) + " 个";
    if (result.refused > 0)
        text += "，格式不正确未添加 " + std::to_string(result.refused) + " 个";
    if (!result.elsewhere.empty()) {
        std::vector<std::string> names;
        for (const ExistingLink& link : result.elsewhere) {
            std::string name = link.groupName.empty() ? "未分组" : link.groupName;
            if (std::find(names.begin(), names.end(), name) == names.end())
                names.push_back(name);
        }
        std::string joined;
        for (const std::string& name : names)
            joined += (joined.empty() ? "" : "、") + name;
        text +=
            "，已存在于其他组 " + std::to_string(result.elsewhere.size()) + " 个 (" + joined + ")";
    }
    return text + ".";
}

std::size_t tellSkippedLinks(Database& db, Dialogs& dialogs, const LinkAddResult& result,
                             std::int64_t targetGroup, bool offerMove) {
    if (result.elsewhere.empty() && result.refused == 0)
        return 0;
    std::string report = linkAddReport(result);
    if (result.elsewhere.empty() || !offerMove) {
        dialogs.message("提示", report, result.refused > 0 ? Icon::Warning : Icon::Information);
        return 0;
    }
    std::string target =
        db.query("select GroupName from TB_Groups where Uniqid=?", {targetGroup}).first();
    std::size_t count = result.elsewhere.size();
    if (!dialogs.question("提示", report + "\r\n是否将这 " + std::to_string(count) +
                                      " 个移动到组\"" + target + "\"?"))
        return 0;
    std::vector<std::int64_t> ids;
    for (const ExistingLink& link : result.elsewhere)
        ids.push_back(link.uniqid);
    ItemLinkStore(db).moveTo(ids, targetGroup);
    dialogs.message("提示", itemsMovedText(count), Icon::Information);
    return count;
}

} // namespace lw

#include "items/item_query.hpp"

#include "store/text_routines.hpp"

#include <charconv>
#include <cstdlib>

namespace lw {

std::string placeholders(size_t n) {
    std::string out = "(";
    for (size_t i = 0; i < n; ++i)
        out += i == 0 ? "?" : ",?";
    return out + ")";
}

ItemStatement buildItemStatement(const ItemFilter& filter) {
    ItemStatement s;
    std::vector<std::int64_t> ids;
    bool noGroup = false;
    for (std::int64_t id : filter.groupIds) {
        if (id == kNoGroup)
            noGroup = true;
        else
            ids.push_back(id);
    }
    // Ids, not names: a name may hold the "," the picker joins its names with.
    if (noGroup && ids.empty()) {
        s.lines.push_back("select * from TB_URL where uGroup not in (");
        s.lines.push_back("select Uniqid from Tb_Groups)");
        s.lines.push_back("and tag=?");
        s.params.emplace_back(std::int64_t{kListKind});
    } else {
        s.lines.push_back(noGroup ? "select * from TB_URL where (uGroup in ("
                                  : "select * from TB_URL where uGroup in (");
        std::string groups = "select Uniqid from Tb_Groups where 1=1";
        if (!ids.empty()) {
            groups += " and Uniqid in " + placeholders(ids.size());
            s.params.insert(s.params.end(), ids.begin(), ids.end());
        }
        s.lines.push_back(groups);
        s.lines.push_back("and Tag=?)");
        s.params.emplace_back(std::int64_t{kListKind});
        if (noGroup) {
            s.lines.push_back("or uGroup not in (select Uniqid from Tb_Groups) and tag=?)");
            s.params.emplace_back(std::int64_t{kListKind});
        }
    }
    if (!filter.keyword.empty()) {
        // The typed text matches literally: % and _ are no wildcards.
        std::string literal;
        for (char c : filter.keyword) {
            if (c == '%' || c == '_' || c == '\\')
                literal += '\\';
            literal += c;
        }
        std::string pattern = "%" + literal + "%";
        s.lines.push_back("and (detail_url like ? escape '\\'");
        s.lines.push_back("or title like ? escape '\\')");
        s.params.emplace_back(pattern);
        s.params.emplace_back(pattern);
    }
    if (filter.state == StateFilter::Downloaded)
        s.lines.push_back("and isDownload=1");
    else if (filter.state == StateFilter::Pending)
        s.lines.push_back("and isDownload=0");
    else if (filter.state == StateFilter::Problems)
        s.lines.push_back("and CheckState>=2");
    return s;
}

namespace {

int columnIndex(const Query& query, const char* name) {
    std::string wanted = lowerAscii(name);
    for (int i = 0; i < query.columnCount(); ++i)
        if (lowerAscii(query.columnName(i)) == wanted)
            return i;
    throw DbError(std::string("no such column: ") + name);
}

} // namespace

ItemRowReader::ItemRowReader(const Query& query)
    : url_(columnIndex(query, "detail_url")), title_(columnIndex(query, "title")),
      sales_(columnIndex(query, "SaleNum")), price_(columnIndex(query, "SalePrice")),
      remark_(columnIndex(query, "remark")), uniqid_(columnIndex(query, "Uniqid")),
      download_(columnIndex(query, "IsDownload")), check_(columnIndex(query, "bcheck")),
      checkState_(columnIndex(query, "CheckState")) {}

std::string shortestDecimal(double value) {
    char buffer[64];
    auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed);
    if (result.ec != std::errc())
        return "0";
    std::string out(buffer, result.ptr);
    return out == "-0" ? "0" : out;
}

ItemRow ItemRowReader::read(const Query& query) const {
    ItemRow row;
    bool downloaded = query.textAt(download_) == "1";
    row.state = downloaded ? kStateDownloaded : kStatePending;
    row.icon = downloaded ? kIconDownloaded : kIconPending;
    row.sub[kSubUrl] = trim(query.textAt(url_));
    row.sub[kSubTitle] = trim(query.textAt(title_));
    row.sub[kSubSales] = trim(query.textAt(sales_));
    row.sub[kSubPrice] = shortestDecimal(std::strtod(query.textAt(price_).c_str(), nullptr));
    row.sub[kSubNumIid] = textBetween(row.sub[kSubUrl], "/offer/", ".html");
    row.sub[kSubRemark] = trim(query.textAt(remark_));
    row.sub[kSubCheck] = checkMarkText(
        checkStateFromNumber(std::strtoll(query.textAt(checkState_).c_str(), nullptr, 10)));
    row.sub[kSubUniqid] = trim(query.textAt(uniqid_));
    row.uniqid = std::strtoll(row.sub[kSubUniqid].c_str(), nullptr, 10);
    row.ticked = query.textAt(check_) == "1";
    return row;
}

void forEachIdSlice(const std::vector<std::int64_t>& ids,
                    const std::function<void(const std::vector<std::int64_t>&)>& fn) {
    // SQLite of this age allows 999 bound values per statement.
    constexpr size_t kSlice = 500;
    for (size_t i = 0; i < ids.size(); i += kSlice) {
        size_t end = std::min(ids.size(), i + kSlice);
        fn(std::vector<std::int64_t>(ids.begin() + static_cast<long>(i),
                                     ids.begin() + static_cast<long>(end)));
    }
}

} // namespace lw

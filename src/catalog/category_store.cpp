#include "catalog/category_store.hpp"

#include "store/text_routines.hpp"

#include <charconv>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace lw {
namespace {

// The callers of the split pass this limit; answers never come near it.
constexpr int kMaxPieces = 99999;

using PieceReader = std::optional<DbParams> (*)(const std::string& piece);

// A well-formed answer writes "M&amp;M"; a Relay may also send the characters as they are.
// Only the five entities XML defines are decoded, in one pass ("&amp;lt;" stays "&lt;").
std::string decodeXmlEntities(const std::string& text) {
    static const std::pair<std::string_view, char> entities[] = {
        {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool decoded = false;
        if (text[i] == '&') {
            for (const auto& [entity, character] : entities) {
                if (text.compare(i, entity.size(), entity) == 0) {
                    out += character;
                    i += entity.size() - 1;
                    decoded = true;
                    break;
                }
            }
        }
        if (!decoded)
            out += text[i];
    }
    return out;
}

StoreResult storePieces(Database& db, std::string_view answer, std::string_view separator,
                        const char* clearSql, const std::string& insertSql, const SplitHooks& hooks,
                        PieceReader read) {
    StoreResult result;
    if (trim(answer).empty()) {
        result.empty = true;
        return result;
    }
    // Events run only during the split, before the transaction opens, so nothing the
    // user starts meanwhile can land inside it.
    std::vector<std::string> pieces = splitAnswer(answer, separator, hooks.between);
    auto cancelled = [&] { return hooks.cancelled && hooks.cancelled(); };

    Transaction transaction(db);
    db.exec(clearSql);
    Statement insert = db.prepare(insertSql);
    for (const std::string& piece : pieces) {
        if (cancelled()) {
            result.cancelled = true;
            return result;
        }
        if (std::optional<DbParams> row = read(piece)) {
            insert.run(*row);
            ++result.rows;
        }
    }
    if (result.rows == 0) {
        result.empty = true;
        return result;
    }
    transaction.commit();
    return result;
}

std::string tag(const std::string& piece, const char* name) {
    std::string open = std::string("<") + name + ">";
    std::string close = std::string("</") + name + ">";
    return textBetween(piece, open, close);
}

DbValue flag(const std::string& piece, const char* name) {
    return static_cast<std::int64_t>(flagText(tag(piece, name)) == "1" ? 1 : 0);
}

// Single-row "values" inserts: an insert from a select makes the engine keep a
// statement journal, which the encrypted store pays for on every row.
const std::string kItemcatsInsert =
    joinSql({"Insert into TB_Itemcats(cid,parent_cid,name,is_parent,layer_level,status,sort_order)",
             "values (?,?,?,?,?,?,?)"});

const std::string kItempropsInsert = joinSql({
    "insert into TB_ItemProps(",
    "is_input_prop,cid,pid,parent_pid,parent_vid,name,",
    "is_key_prop,is_sale_prop,is_color_prop,is_enum_prop,",
    "is_item_prop,must,multi,status,sort_order,",
    "child_template,is_allow_alias)",
    "values (?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)",
});

const std::string kItempropValueInsert = joinSql({
    "insert into TB_ItemPropValue(",
    "cid,pid,",
    "prop_name,vid,name,name_alias)",
    "values (?,?,?,?,?,?)",
});

} // namespace

std::vector<std::string> splitAnswer(std::string_view answer, std::string_view separator,
                                     const std::function<void()>& between) {
    return splitTextMax(answer, separator, kMaxPieces, between);
}

std::optional<DbParams> itemcatRow(const std::string& piece) {
    std::string name = decodeXmlEntities(tag(piece, "name"));
    if (name.empty())
        return std::nullopt;
    std::string status = tag(piece, "status");
    DbValue statusValue =
        isNumber(status) ? numberValue(status) : DbValue(std::int64_t{status == "normal" ? 1 : 0});
    return DbParams{tag(piece, "cid"),
                    tag(piece, "parent_cid"),
                    std::move(name),
                    std::int64_t{lowerAscii(tag(piece, "is_parent")) == "true" ? 1 : 0},
                    numberValue(tag(piece, "layer_level")),
                    statusValue,
                    numberValue(tag(piece, "sort_order"))};
}

std::optional<DbParams> itempropRow(const std::string& piece) {
    std::string cid = tag(piece, "cid");
    if (cid.empty())
        return std::nullopt;
    return DbParams{flag(piece, "is_input_prop"),
                    std::move(cid),
                    tag(piece, "pid"),
                    tag(piece, "parent_pid"),
                    tag(piece, "parent_vid"),
                    tag(piece, "name"),
                    flag(piece, "is_key_prop"),
                    flag(piece, "is_sale_prop"),
                    flag(piece, "is_color_prop"),
                    flag(piece, "is_enum_prop"),
                    flag(piece, "is_item_prop"),
                    flag(piece, "must"),
                    flag(piece, "multi"),
                    flag(piece, "status"),
                    tag(piece, "sort_order"),
                    tag(piece, "child_template"),
                    flag(piece, "is_allow_alias")};
}

std::optional<DbParams> itempropValueRow(const std::string& piece) {
    std::string cid = tag(piece, "cid");
    if (cid.empty())
        return std::nullopt;
    return DbParams{std::move(cid),    tag(piece, "pid"),  tag(piece, "prop_name"),
                    tag(piece, "vid"), tag(piece, "name"), tag(piece, "name_alias")};
}

DbValue numberValue(std::string_view text) {
    std::string_view digits = text;
    if (!digits.empty() && digits.front() == '-')
        digits.remove_prefix(1);
    if (!isNumber(digits))
        return std::int64_t{0};
    if (digits.find('.') == std::string_view::npos) {
        std::int64_t value = 0;
        auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (ec == std::errc() && end == text.data() + text.size())
            return value;
    }
    return std::strtod(std::string(text).c_str(), nullptr);
}

StoreResult storeCategoryAnswer(Database& db, std::string_view answer, const SplitHooks& hooks) {
    return storePieces(db, answer, "</item_cat>", "delete from TB_Itemcats", kItemcatsInsert, hooks,
                       itemcatRow);
}

StoreResult storePropertyAnswer(Database& db, std::string_view answer, const SplitHooks& hooks) {
    return storePieces(db, answer, "</item_prop>", "delete from TB_Itemprops", kItempropsInsert,
                       hooks, itempropRow);
}

StoreResult storePropertyValueAnswer(Database& db, std::string_view answer,
                                     const SplitHooks& hooks) {
    return storePieces(db, answer, "</item_prop>", "delete from TB_ItemPropValue",
                       kItempropValueInsert, hooks, itempropValueRow);
}

} // namespace lw

#pragma once

#include "items/item_list.hpp"
#include "store/database.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lw {

// The state filter cmbStatus, in the order of its entries.
enum class StateFilter { All = 0, Downloaded = 1, Pending = 2 };
inline constexpr const char* kStateFilterTexts[3] = {"全部", "已下载", "未下载"};

// What the list shows: the group picker's text, the keyword and the state filter.
struct ItemFilter {
    std::string groupText; // ticked Group names joined by ","; empty: every Group
    std::string keyword;   // matched anywhere in the address or the title; not trimmed
    StateFilter state = StateFilter::All;
};

// The list statement: its lines and its bound values.
struct ItemStatement {
    std::vector<std::string> lines;
    DbParams params;
    std::string sql() const { return joinSql(lines); }
};
ItemStatement buildItemStatement(const ItemFilter& filter);

// " and GroupName in (?,...)" for the names of a picker text, with their values.
std::string groupNameCondition(const std::string& groupText, DbParams& params);
// "(?,?,...)" for n values.
std::string placeholders(size_t n);

// Reads the rows of an open list statement into list rows.
class ItemRowReader {
public:
    explicit ItemRowReader(const Query& query);
    ItemRow read(const Query& query) const;

private:
    int url_, title_, sales_, price_, remark_, uniqid_, download_, check_;
};

// A money value in its shortest decimal form (12.5, 0).
std::string shortestDecimal(double value);

// Runs fn over ids in slices small enough for the engine's parameter limit.
void forEachIdSlice(const std::vector<std::int64_t>& ids,
                    const std::function<void(const std::vector<std::int64_t>&)>& fn);

} // namespace lw

#pragma once

#include "items/item_list.hpp"
#include "store/database.hpp"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace lw {

// The state filter cmbStatus, in the order of its entries.
// "有问题": rows whose last check found errors or warnings.
enum class StateFilter { All = 0, Downloaded = 1, Pending = 2, Problems = 3 };
inline constexpr const char* kStateFilterTexts[4] = {"全部", "已下载", "未下载", "有问题"};

// The picker's entry for Item Links whose Group is gone (or was never there).
inline constexpr std::int64_t kNoGroup = 0;
inline constexpr const char* kNoGroupName = "未分组";

// What the list shows: the ticked Groups, the keyword and the state filter.
struct ItemFilter {
    // Uniqid of each ticked Group, kNoGroup for the links of no Group; empty: every Group.
    std::vector<std::int64_t> groupIds;
    std::string keyword; // matched anywhere in the address or the title; not trimmed
    StateFilter state = StateFilter::All;
};

// The list statement: its lines and its bound values.
struct ItemStatement {
    std::vector<std::string> lines;
    DbParams params;
    std::string sql() const { return joinSql(lines); }
};
ItemStatement buildItemStatement(const ItemFilter& filter);

// "(?,?,...)" for n values.
std::string placeholders(size_t n);

// Reads the rows of an open list statement into list rows.
class ItemRowReader {
public:
    explicit ItemRowReader(const Query& query);
    ItemRow read(const Query& query) const;

private:
    int url_, title_, sales_, price_, remark_, uniqid_, download_, check_, checkState_;
};

// A money value in its shortest decimal form (12.5, 0).
std::string shortestDecimal(double value);

// Runs fn over ids in slices small enough for the engine's parameter limit.
void forEachIdSlice(const std::vector<std::int64_t>& ids,
                    const std::function<void(const std::vector<std::int64_t>&)>& fn);

} // namespace lw

#include "app/window_layout.hpp"

#include "store/settings.hpp"
#include "store/text_routines.hpp"

#include <charconv>

namespace lw {
namespace {

std::optional<int> number(const std::string& text) {
    int value = 0;
    const std::string t = trim(text);
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), value);
    if (ec != std::errc() || end != t.data() + t.size() || t.empty())
        return std::nullopt;
    return value;
}

std::vector<int> numbers(const std::string& text) {
    std::vector<int> values;
    if (trim(text).empty())
        return values;
    for (const std::string& piece : splitText(text, ",")) {
        std::optional<int> v = number(piece);
        if (!v)
            return {};
        values.push_back(*v);
    }
    return values;
}

std::string joined(const std::vector<int>& values) {
    std::string text;
    for (size_t i = 0; i < values.size(); ++i)
        text += (i ? "," : "") + std::to_string(values[i]);
    return text;
}

} // namespace

WindowLayout readWindowLayout(Database& db) {
    WindowLayout layout;
    std::vector<int> g = numbers(readSetting(db, Setting::WindowGeometry));
    // A window of no size would be lost on the screen.
    if (g.size() == 5 && g[2] > 0 && g[3] > 0) {
        layout.normalGeometry = WindowLayout::Rect{g[0], g[1], g[2], g[3]};
        layout.maximised = g[4] != 0;
    }
    layout.columnWidths = numbers(readSetting(db, Setting::ItemColumnWidths));
    for (int width : layout.columnWidths)
        if (width < 0)
            layout.columnWidths.clear();
    return layout;
}

void storeWindowLayout(Database& db, const WindowLayout& layout) {
    if (layout.normalGeometry) {
        const WindowLayout::Rect& r = *layout.normalGeometry;
        storeSetting(db, Setting::WindowGeometry,
                     joined({r.x, r.y, r.width, r.height, layout.maximised ? 1 : 0}));
    }
    if (!layout.columnWidths.empty())
        storeSetting(db, Setting::ItemColumnWidths, joined(layout.columnWidths));
}

ListSort readListSort(Database& db) {
    ListSort sort;
    if (std::optional<int> column = number(readSetting(db, Setting::ItemSortColumn)))
        sort.column = *column;
    sort.descending = readSetting(db, Setting::ItemSortOrder) != "0";
    return sort;
}

void storeListSort(Database& db, const ListSort& sort) {
    storeSetting(db, Setting::ItemSortColumn, sort.column < 0 ? "" : std::to_string(sort.column));
    storeSetting(db, Setting::ItemSortOrder, sort.descending ? "1" : "0");
}

} // namespace lw

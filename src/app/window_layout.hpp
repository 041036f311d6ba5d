#pragma once

#include <optional>
#include <string>
#include <vector>

namespace lw {

class Database;

// Where the main window was and how its list looked, kept across starts.
struct WindowLayout {
    struct Rect {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool operator==(const Rect&) const = default;
    };
    // The window's place when not maximised; none on the first start.
    std::optional<Rect> normalGeometry;
    bool maximised = true;
    // The item list's column widths; empty when never stored.
    std::vector<int> columnWidths;
    bool operator==(const WindowLayout&) const = default;
};

// Settings 621 and 622; unreadable values count as missing.
WindowLayout readWindowLayout(Database& db);
void storeWindowLayout(Database& db, const WindowLayout& layout);

// The list's sort (settings 623 and 624): column -1 when unsorted.
struct ListSort {
    int column = -1;
    bool descending = true;
};
ListSort readListSort(Database& db);
void storeListSort(Database& db, const ListSort& sort);

} // namespace lw

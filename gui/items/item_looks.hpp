#pragma once

#include "items/item_list.hpp"

#include <array>

namespace lw::gui {

// Widths of the item list's columns, in pixels.
inline constexpr std::array<int, kColumnCount> kItemColumnWidths = {80, 300, 360, 60,
                                                                    60, 1,   119, 50};

// Background of the row at a list position, as red, green, blue: six pale colours in turn.
struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};
Rgb rowBackground(int position);

} // namespace lw::gui

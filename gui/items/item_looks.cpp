#include "items/item_looks.hpp"

namespace lw::gui {

Rgb rowBackground(int position) {
    static const Rgb colours[6] = {{240, 255, 240}, {255, 255, 240}, {255, 240, 240},
                                   {240, 255, 255}, {240, 240, 255}, {255, 240, 255}};
    int i = position % 6;
    if (i < 0)
        i += 6;
    return colours[i];
}

} // namespace lw::gui

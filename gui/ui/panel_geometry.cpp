#include "ui/panel_geometry.hpp"

#include <cmath>

namespace lw {

int roundHalfEven(double value) {
    double down = std::floor(value);
    double diff = value - down;
    if (diff > 0.5)
        return static_cast<int>(down) + 1;
    if (diff < 0.5)
        return static_cast<int>(down);
    long whole = static_cast<long>(down);
    return static_cast<int>(whole % 2 == 0 ? whole : whole + 1);
}

Point panelPlaceInWindow(int windowWidth, int windowHeight, int panelWidth, int panelHeight) {
    return {roundHalfEven(windowWidth / 2.0 - panelWidth / 2.0),
            roundHalfEven(windowHeight / 2.0 - panelHeight - 10)};
}

Point panelPlaceOverPage(int pageTop, int pageWidth, int pageHeight, int panelWidth) {
    return {roundHalfEven(pageWidth / 2.0 - panelWidth / 2.0),
            roundHalfEven(pageHeight / 2.0) + pageTop - 20};
}

} // namespace lw

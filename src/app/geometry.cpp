#include "app/geometry.hpp"

#include <cmath>

namespace lw {

int RoundHalfEven(double value) {
    double down = std::floor(value);
    double diff = value - down;
    if (diff > 0.5)
        return static_cast<int>(down) + 1;
    if (diff < 0.5)
        return static_cast<int>(down);
    long whole = static_cast<long>(down);
    return static_cast<int>(whole % 2 == 0 ? whole : whole + 1);
}

Point PanelPlaceInWindow(int windowWidth, int windowHeight, int panelWidth, int panelHeight) {
    return {RoundHalfEven(windowWidth / 2.0 - panelWidth / 2.0),
            RoundHalfEven(windowHeight / 2.0 - panelHeight - 10)};
}

Point PanelPlaceOverPage(int pageTop, int pageWidth, int pageHeight, int panelWidth) {
    return {RoundHalfEven(pageWidth / 2.0 - panelWidth / 2.0),
            RoundHalfEven(pageHeight / 2.0) + pageTop - 20};
}

} // namespace lw

#pragma once

namespace lw {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

// Rounds to the nearest integer, halves to even.
int roundHalfEven(double value);

// panelPosition: the progress panel centred on the window, raised by its height + 10.
Point panelPlaceInWindow(int windowWidth, int windowHeight, int panelWidth, int panelHeight);
// reloadItems: the progress panel over the middle of the page control.
Point panelPlaceOverPage(int pageTop, int pageWidth, int pageHeight, int panelWidth);

} // namespace lw

#include "colour_scheme.hpp"

namespace lw::gui {

QString colourSchemeStyleSheet() {
    return QStringLiteral(
        "QMenuBar { background: rgb(246,246,246); }"
        "QMenuBar::item:selected { background: rgb(185,200,229); border: 1px solid rgb(48,93,184); "
        "}"
        "QMenu { background: qlineargradient(x1:0, y1:0, x2:1, y2:0,"
        " stop:0 rgb(233,238,238), stop:0.1 rgb(233,238,238),"
        " stop:0.1001 rgb(246,246,246), stop:1 rgb(246,246,246));"
        " border: 1px solid rgb(160,160,160); }"
        "QMenu::item { padding: 4px 24px 4px 28px; color: black; }"
        "QMenu::item:selected { background: rgb(185,200,229); border: 1px solid rgb(48,93,184); }"
        "QMenu::item:disabled { color: rgb(150,150,150); }"
        "QMenu::separator { height: 1px; background: rgb(200,200,200); margin: 3px 4px 3px 28px; }"
        "QToolBar#_ToolBar QToolButton { padding: 3px 6px; border: 1px solid transparent; }"
        "QToolBar#_ToolBar QToolButton:hover, QToolBar#_ToolBar QToolButton:pressed {"
        " background: rgb(185,200,229); border: 1px solid rgb(48,93,184); }"
        // The overflow arrow is a tool button too: the padding above would leave its
        // narrow button no room for the arrow.
        "QToolBar QToolBarExtension { padding: 0px; }");
}

} // namespace lw::gui

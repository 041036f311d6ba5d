#pragma once

#include "app/main_window.hpp"

#include <QWidget>

namespace lw::gui {

class MappingEditorWindow;

// The category subsystem in the main window: the Tools-menu downloads and counts
// (D01, D02, D03, N20, N21, N23) and the mapping editor with its dialog, created hidden
// here and reused for every showing. Everything lives as long as mainWindow. Returns
// the editor.
MappingEditorWindow* installCatalogHooks(MainWindowLogic& logic, QWidget* mainWindow);

} // namespace lw::gui

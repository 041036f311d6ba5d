#pragma once

#include "app/main_window.hpp"

#include <QWidget>

namespace lw::gui {

// Fills the main window's hooks with the windows of the other subsystems: the download
// run ("开始下载"), the harvest window, the mapping editor and the category downloads.
// A hook left empty keeps its command inert. Called once the main window exists.
void installWindowHooks(MainWindowLogic& logic, QWidget* mainWindow);

} // namespace lw::gui

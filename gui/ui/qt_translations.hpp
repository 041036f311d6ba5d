#pragma once

class QObject;

namespace lw::gui {

// Loads Qt's own Simplified Chinese texts (file dialogs, standard buttons, the edit
// fields' context menus) from Qt's translations folder: Debian's qt6-translations-l10n
// on Linux, the translations folder beside the program on Windows (named by qt.conf).
// The translator lives as long as owner. False when the file was not found.
bool installQtTranslations(QObject* owner);

} // namespace lw::gui

#pragma once

#include <QString>

namespace lw::gui {

// SetColor: the menus and the main toolbar's buttons, colours as red, green, blue.
//   menu icon bar, start and end of its gradient   233, 238, 238
//   menu background                                246, 246, 246
//   menu selection, start and end                  185, 200, 229
//   menu selection frame                           48, 93, 184
//   main toolbar buttons: selection and frame      as the menu selection
QString colourSchemeStyleSheet();

} // namespace lw::gui

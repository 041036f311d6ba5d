#pragma once

#include <QIcon>
#include <QPixmap>

namespace lw::gui {

// The three state icons of the list: not downloaded, downloaded, downloading.
QIcon stateIcon(int index);
// The program's icon (window and tray).
QIcon appIcon();
// The pictures of the splash and the about box.
QPixmap splashPicture(int width, int height);

} // namespace lw::gui

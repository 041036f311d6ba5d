#pragma once

#include <QIcon>
#include <QPixmap>

namespace lw::gui {

// The three state icons of the list: not downloaded, downloaded, downloading.
QIcon StateIcon(int index);
// The program's icon (window and tray).
QIcon AppIcon();
// The pictures of the splash and the about box.
QPixmap SplashPicture(int width, int height);

} // namespace lw::gui

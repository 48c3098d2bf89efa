// The about box's two 32 x 32 icons, drawn here pixel by pixel in the 16 standard colours.
#pragma once

#include <QImage>
#include <QPixmap>

namespace about_icons {

// 16-colour images (indexed, the standard palette) and 1-bit transparency masks.
QImage templeImage();
QImage safeImage();
// The image with its mask applied.
QPixmap templeIcon();
QPixmap safeIcon();

} // namespace about_icons

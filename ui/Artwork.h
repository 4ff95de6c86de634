// The program's own pictures, drawn in code so that they scale to any size
// and need no image plug-in: the padlock icon, the Browse button's folder and
// the information dialog's picture.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace tarnex {

// The padlock on a blue tile, size × size pixels.
QPixmap DrawAppIcon(int size);
// The padlock at the sizes desktops ask for (16 to 256).
QIcon AppIcon();
// A 16 × 16 open folder for the Browse button.
QPixmap DrawBrowseGlyph();
// A 16 × 16 "i" in a blue disc, for the caption-bar button.
QPixmap DrawInfoGlyph();
// The information dialog's 234 × 210 picture.
QPixmap DrawInfoPicture();

} // namespace tarnex

#include <QFont>

namespace tarnex {

// The font of the program's windows: the desktop's sans-serif, sized in
// pixels so that the fixed pixel layout holds at any screen resolution.
QFont FormFont();

} // namespace tarnex

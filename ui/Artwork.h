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
// An open folder for the Browse button, drawn for a 16 × 16 face at `size`
// pixels.
QPixmap DrawBrowseGlyph(int size = 16);
// An "i" in a blue disc, for the caption-bar button, likewise.
QPixmap DrawInfoGlyph(int size = 16);
// Both as icons holding each drawn for the usual screen scales, so that a
// scaled screen gets one drawn for it rather than one blown up.
QIcon BrowseGlyph();
QIcon InfoGlyph();
// The information dialog's 234 × 210 picture, for a screen of this scale.
QPixmap DrawInfoPicture(qreal devicePixelRatio = 1.0);

} // namespace tarnex

#include <QFont>

class QLineEdit;

namespace tarnex {

// Password boxes show one '*' for each character.
void UseStarMask(QLineEdit* edit);

// The font of the program's windows: the desktop's sans-serif, sized in
// pixels so that the fixed pixel layout holds at any screen resolution.
QFont FormFont();

} // namespace tarnex

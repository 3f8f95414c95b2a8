#pragma once

#include <QImage>

// The big pictures of the program, each at the size the program shows it, in logical pixels,
// drawn at `scale` (1 or 2) times as many pixels.
namespace Scenes {

QImage splash(int scale);           // start.png, 800 x 441
QImage backdrop(int scale);         // full.jpg, 1680 x 1050, stretched around the page
QImage quitIcon(int scale);         // qut_ico.png, 150 x 150, with transparency
QImage windowBackground(int scale); // default.jpg, 1100 x 723, around page and buttons
QImage wordBackground(int scale);   // word.jpg, 1100 x 723, the spelling practice
// The program's icon in the desktop's menus: the reading owl on a round meadow badge, drawn
// for `size` x `size` pixels rather than scaled, so each size stays sharp.
QImage appIcon(int size);

} // namespace Scenes

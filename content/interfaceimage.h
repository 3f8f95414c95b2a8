#pragma once

#include <QPixmap>
#include <QString>

// The interface's pictures (buttons, backgrounds, splash) come at two scales: as many pixels as
// the window has logical pixels, and twice as many in a picture of the same name with "@2x"
// before its extension, Qt's high-DPI naming. A screen of more than one pixel per logical
// pixel is drawn from the 2x pictures, scaled down if need be, never up.

// The name of `file` ("button.png", ":/Image/full.jpg") at `scale`: unchanged at 1,
// "button@2x.png" at 2.
QString atScale(const QString &file, int scale);

// The picture at `path` for a screen of this device pixel ratio: its @2x picture where that
// exists and the ratio is above 1, carrying its ratio of 2 so that it is drawn at its logical
// size.
QPixmap interfacePixmap(const QString &path, qreal devicePixelRatio);

// The picture at `path` decoded straight to `pixels` (stretched) for a screen of this device
// pixel ratio, from its @2x picture where the ratio is above 1: a picture stretched over the
// screen never exists at its own size as well.
QPixmap interfacePixmap(const QString &path, qreal devicePixelRatio, QSize pixels);

// The style sheet `sheet` for a screen of this device pixel ratio. Above a ratio of 1 every
// border image whose @2x picture exists is that picture, its cuts doubled: Qt takes a border
// image's cuts as pixels of the picture it loaded, whatever that picture's own ratio.
QString styleSheetFor(const QString &sheet, qreal devicePixelRatio);

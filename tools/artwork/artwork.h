#pragma once

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

class QPainter;

// The shared pieces of Mivora's pictures: one sunny-meadow world with an owl for a guide, so
// the splash, both backgrounds, the backdrop and the quit icon look like one family.
namespace Art {

namespace Colour {
inline const QColor skyTop{0x74, 0xC6, 0xF0};
inline const QColor skyLow{0xE2, 0xF5, 0xFF};
inline const QColor grass{0x79, 0xC2, 0x5C};
inline const QColor grassDark{0x55, 0xA0, 0x44};
inline const QColor cream{0xFF, 0xFB, 0xEE};
inline const QColor wood{0xF3, 0xDC, 0xA8};
inline const QColor woodEdge{0xC9, 0x9B, 0x55};
inline const QColor ink{0x2D, 0x4A, 0x6B};
inline const QColor sun{0xFF, 0xD5, 0x4F};
} // namespace Colour

void sky(QPainter &p, const QRectF &area, qreal horizon);
void cloud(QPainter &p, QPointF centre, qreal width);
void sun(QPainter &p, QPointF centre, qreal radius, bool face = true);
// Two rolling hills filling `area` from `top` down; `seed` varies the curve.
void hills(QPainter &p, const QRectF &area, qreal top, int seed);
void flower(QPainter &p, QPointF centre, qreal radius, const QColor &petals);
void grassTufts(QPainter &p, qreal left, qreal right, qreal baseline, int seed);

// The owl that guides the child through the program. `height` is from ear tips to feet.
enum class OwlPose { Standing, Waving, Reading };
void owl(QPainter &p, QPointF feet, qreal height, OwlPose pose);

// A toy letter block, as on a nursery floor.
void letterBlock(QPainter &p, QPointF centre, qreal size, QChar letter, const QColor &colour,
                 qreal angle);

// Text with a white outline and a soft shadow, readable on any part of the sky or grass.
void outlinedText(QPainter &p, QPointF baseline, const QString &text, const QFont &font,
                  const QColor &fill, qreal outline, const QColor &outlineColour = Qt::white);
// Text right-aligned to `right`, vertically centred on `middle`.
void caption(QPainter &p, qreal right, qreal middle, const QString &text, const QFont &font,
             const QColor &fill);

// "Mivora" in rainbow letters; `baseline` is the left end of the baseline.
void title(QPainter &p, QPointF baseline, qreal pixelSize);

// A rounded panel with a soft drop shadow.
void panel(QPainter &p, const QRectF &rect, qreal radius, const QColor &fill, const QColor &edge,
           qreal edgeWidth);

} // namespace Art

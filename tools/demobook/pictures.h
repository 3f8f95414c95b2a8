#pragma once

#include <QRectF>
#include <QString>

class QFont;
class QPainter;

// The simple drawings of the demo book: places, people, signs and maps, drawn with
// QPainter into any rectangle, so that they stay sharp at every image size.
namespace Pictures {

bool isPicture(const QString &name);
// Draws the picture into the rectangle, keeping its proportions, standing on the bottom edge.
void drawPicture(QPainter &painter, const QString &name, const QRectF &rect);

// The backgrounds of comic panels and scenes ("street", "room"), filling the rectangle.
bool isPanel(const QString &name);
void drawPanel(QPainter &painter, const QString &name, const QRectF &rect);

// The largest font from maxPx down to minPx in which the text, wrapped, fits the box; the
// smallest, with fits false, when none does.
QFont fittedFont(const QString &text, const QRectF &box, int maxPx, int minPx, bool bold,
                 bool italic, int flags, bool *fits = nullptr);

} // namespace Pictures

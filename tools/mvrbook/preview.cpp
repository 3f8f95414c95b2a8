#include "tools/mvrbook/preview.h"

#include "tools/common/fonts.h"

#include <QPainter>

namespace {

constexpr int scale = 2;

// Neighbouring hotspots get clearly different colours.
QColor colourOf(qsizetype i)
{
    return QColor::fromHsv(int(i * 137 % 360), 230, 200);
}

QString timesOf(const Hotspot &hotspot)
{
    if (hotspot.endTime <= hotspot.startTime)
        return QStringLiteral("no sound");
    return QStringLiteral("%1-%2 s")
        .arg(hotspot.startTime / 1000.0, 0, 'f', 1)
        .arg(hotspot.endTime / 1000.0, 0, 'f', 1);
}

} // namespace

QImage previewSpread(const QImage &page, const QList<Hotspot> &hotspots)
{
    const QSize size = spreadFrame * scale;
    QImage image(size, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                           QPainter::SmoothPixmapTransform);
    if (!page.isNull())
        painter.drawImage(QRect(QPoint(0, 0), size), page);

    const QFont label = Fonts::chinese(20);
    const QFont text = Fonts::chinese(18, false);

    for (qsizetype i = 0; i < hotspots.size(); ++i) {
        const Hotspot &hotspot = hotspots[i];
        const QColor colour = colourOf(i);
        // Edges are inclusive in the frame, so a rectangle covers right + 1 - left units.
        const QRectF area(hotspot.rect.left() * scale, hotspot.rect.top() * scale,
                          hotspot.rect.width() * scale, hotspot.rect.height() * scale);
        QColor fill = colour;
        fill.setAlpha(40);
        painter.fillRect(area, fill);
        painter.setPen(QPen(colour, 3));
        painter.drawRect(area.adjusted(1.5, 1.5, -1.5, -1.5));

        // The number sits in a tab above the top-left corner, the text and times in a box
        // below the rectangle (or above it where the page ends).
        painter.setFont(label);
        const QString number = QStringLiteral("N_%1").arg(i);
        QRectF tab = painter.boundingRect(QRectF(), Qt::AlignLeft, number).adjusted(-4, -1, 4, 1);
        tab.moveBottomLeft(area.topLeft());
        if (tab.top() < 0)
            tab.moveTopLeft(area.topLeft());
        painter.fillRect(tab, colour);
        painter.setPen(Qt::white);
        painter.drawText(tab, Qt::AlignCenter, number);

        painter.setFont(text);
        const QString caption =
            (hotspot.text.isEmpty() ? QStringLiteral("(no text)") : hotspot.text) +
            QStringLiteral("\n") + timesOf(hotspot);
        QRectF box = painter
                         .boundingRect(QRectF(0, 0, std::max(area.width(), 240.0), 1000),
                                       Qt::AlignLeft | Qt::TextWordWrap, caption)
                         .adjusted(-4, -2, 4, 2);
        box.moveTopLeft(area.bottomLeft() + QPointF(0, 2));
        if (box.bottom() > size.height())
            box.moveBottomLeft(area.topLeft() - QPointF(0, tab.height() + 2));
        if (box.right() > size.width())
            box.moveRight(size.width());
        QColor ground = Qt::white;
        ground.setAlpha(215);
        painter.fillRect(box, ground);
        painter.setPen(QPen(colour, 1));
        painter.drawRect(box);
        painter.setPen(Qt::black);
        painter.drawText(box.adjusted(4, 2, -4, -2), Qt::AlignLeft | Qt::TextWordWrap, caption);
    }
    return image;
}

#include "tools/mvrbook/preview.h"

#include "tools/common/fonts.h"

#include <QPainter>

namespace {

constexpr int scale = 2;

// Neighbouring hotspots get clearly different colours.
QColor colourOf(qsizetype i)
{
    return QColor::fromHsv(int(i * 137 % 360), 230, 190);
}

QString timesOf(const Hotspot &hotspot)
{
    if (hotspot.endTime <= hotspot.startTime)
        return QStringLiteral("no sound");
    return QStringLiteral("%1-%2 s")
        .arg(hotspot.startTime / 1000.0, 0, 'f', 1)
        .arg(hotspot.endTime / 1000.0, 0, 'f', 1);
}

// The hotspot's rectangle at the preview's scale; its edges are inclusive in the frame.
QRectF areaOf(const Hotspot &hotspot)
{
    return {qreal(hotspot.rect.left() * scale), qreal(hotspot.rect.top() * scale),
            qreal(hotspot.rect.width() * scale), qreal(hotspot.rect.height() * scale)};
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

    // Outlines first, then every caption, then every number, so that no rectangle hides the
    // words of another and every number stays readable.
    for (qsizetype i = 0; i < hotspots.size(); ++i) {
        QColor fill = colourOf(i);
        fill.setAlpha(35);
        const QRectF area = areaOf(hotspots[i]);
        painter.fillRect(area, fill);
        painter.setPen(QPen(colourOf(i), 3));
        painter.drawRect(area.adjusted(1.5, 1.5, -1.5, -1.5));
    }

    // The text and the times sit in the rectangle's lower right corner, or below it where the
    // rectangle is too small for them.
    painter.setFont(Fonts::chinese(15, false));
    for (qsizetype i = 0; i < hotspots.size(); ++i) {
        const Hotspot &hotspot = hotspots[i];
        const QRectF area = areaOf(hotspot);
        const QString caption =
            (hotspot.text.isEmpty() ? QStringLiteral("(no text)") : hotspot.text) +
            QStringLiteral("  ") + timesOf(hotspot);
        QRectF box = painter
                         .boundingRect(QRectF(0, 0, std::max(area.width() - 8, 220.0), 400),
                                       Qt::AlignLeft | Qt::TextWordWrap, caption)
                         .adjusted(-3, -1, 3, 1);
        if (box.width() <= area.width() - 6 && box.height() <= area.height() - 6)
            box.moveBottomRight(area.bottomRight() - QPointF(3, 3));
        else
            box.moveTopLeft(area.bottomLeft() + QPointF(0, 2));
        if (box.bottom() > size.height())
            box.moveBottom(area.top() - 2);
        if (box.right() > size.width())
            box.moveRight(size.width());
        QColor ground = Qt::white;
        ground.setAlpha(210);
        painter.fillRect(box, ground);
        painter.setPen(QPen(colourOf(i), 1));
        painter.drawRect(box);
        painter.setPen(Qt::black);
        painter.drawText(box.adjusted(3, 1, -3, -1), Qt::AlignLeft | Qt::TextWordWrap, caption);
    }

    // The number in the upper left corner, inside the rectangle.
    painter.setFont(Fonts::chinese(16));
    for (qsizetype i = 0; i < hotspots.size(); ++i) {
        const QString number = QStringLiteral("N_%1").arg(i);
        QRectF tab = painter.boundingRect(QRectF(), Qt::AlignLeft, number).adjusted(-4, 0, 4, 0);
        tab.moveTopLeft(areaOf(hotspots[i]).topLeft());
        painter.fillRect(tab, colourOf(i));
        painter.setPen(Qt::white);
        painter.drawText(tab, Qt::AlignCenter, number);
    }
    return image;
}

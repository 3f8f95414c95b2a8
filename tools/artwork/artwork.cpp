#include "artwork.h"

#include "tools/common/fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <numbers>
#include <random>

namespace Art {

void sky(QPainter &p, const QRectF &area, qreal horizon)
{
    QLinearGradient gradient(area.topLeft(), QPointF(area.left(), horizon));
    gradient.setColorAt(0, Colour::skyTop);
    gradient.setColorAt(1, Colour::skyLow);
    p.fillRect(area, gradient);
}

void cloud(QPainter &p, QPointF centre, qreal width)
{
    const qreal u = width / 10;
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    path.addRoundedRect(QRectF(centre.x() - 5 * u, centre.y() - 0.2 * u, 10 * u, 2.4 * u), 1.2 * u,
                        1.2 * u);
    path.addEllipse(QPointF(centre.x() - 2.4 * u, centre.y()), 2.2 * u, 2.0 * u);
    path.addEllipse(QPointF(centre.x() + 0.6 * u, centre.y() - 1.0 * u), 2.9 * u, 2.7 * u);
    path.addEllipse(QPointF(centre.x() + 3.2 * u, centre.y() + 0.3 * u), 1.8 * u, 1.6 * u);
    path = path.simplified();

    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(70, 130, 180, 40));
    p.drawPath(path.translated(0.3 * u, 0.4 * u));
    QLinearGradient gradient(centre.x(), centre.y() - 4 * u, centre.x(), centre.y() + 2.2 * u);
    gradient.setColorAt(0, Qt::white);
    gradient.setColorAt(1, QColor(0xEA, 0xF4, 0xFB));
    p.setBrush(gradient);
    p.drawPath(path);
    p.restore();
}

void sun(QPainter &p, QPointF centre, qreal radius, bool face)
{
    p.save();
    p.setPen(Qt::NoPen);
    QRadialGradient glow(centre, radius * 2.2);
    glow.setColorAt(0, QColor(255, 240, 170, 160));
    glow.setColorAt(1, QColor(255, 240, 170, 0));
    p.setBrush(glow);
    p.drawEllipse(centre, radius * 2.2, radius * 2.2);

    p.setBrush(QColor(0xFF, 0xC1, 0x2E));
    for (int i = 0; i < 12; ++i) {
        p.save();
        p.translate(centre);
        p.rotate(i * 30.0);
        QPainterPath ray;
        ray.moveTo(-radius * 0.16, -radius * 1.12);
        ray.lineTo(0, -radius * 1.55);
        ray.lineTo(radius * 0.16, -radius * 1.12);
        ray.closeSubpath();
        p.drawPath(ray);
        p.restore();
    }
    QRadialGradient disc(centre - QPointF(radius * 0.3, radius * 0.3), radius * 1.3);
    disc.setColorAt(0, QColor(0xFF, 0xEB, 0x8A));
    disc.setColorAt(1, Colour::sun);
    p.setBrush(disc);
    p.setPen(QPen(QColor(0xF5, 0xA6, 0x23), radius * 0.06));
    p.drawEllipse(centre, radius, radius);

    if (face) {
        const QColor features(0x8A, 0x4B, 0x1C);
        p.setPen(QPen(features, radius * 0.09, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        const qreal e = radius * 0.34;
        // Closed, smiling eyes: two small arcs.
        p.drawArc(QRectF(centre.x() - e - radius * 0.15, centre.y() - radius * 0.3, radius * 0.3,
                         radius * 0.25),
                  0, 180 * 16);
        p.drawArc(QRectF(centre.x() + e - radius * 0.15, centre.y() - radius * 0.3, radius * 0.3,
                         radius * 0.25),
                  0, 180 * 16);
        p.drawArc(QRectF(centre.x() - radius * 0.42, centre.y() - radius * 0.2, radius * 0.84,
                         radius * 0.65),
                  200 * 16, 140 * 16);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(255, 140, 90, 110));
        p.drawEllipse(QPointF(centre.x() - radius * 0.6, centre.y() + radius * 0.18), radius * 0.16,
                      radius * 0.11);
        p.drawEllipse(QPointF(centre.x() + radius * 0.6, centre.y() + radius * 0.18), radius * 0.16,
                      radius * 0.11);
    }
    p.restore();
}

void hills(QPainter &p, const QRectF &area, qreal top, int seed)
{
    std::minstd_rand random(static_cast<unsigned>(seed) + 1);
    std::uniform_real_distribution<qreal> phase(0, 2 * std::numbers::pi);
    const qreal w = area.width();
    const qreal depth = area.bottom() - top;

    p.save();
    p.setPen(Qt::NoPen);
    for (int layer = 0; layer < 2; ++layer) {
        // Two long waves laid over each other give gentle, uneven hills without seams.
        const qreal lift = layer == 0 ? 0 : depth * 0.3;
        const qreal phase1 = phase(random);
        const qreal phase2 = phase(random);
        QPainterPath path;
        path.moveTo(area.left(), area.bottom());
        const qreal step = std::max<qreal>(1, w / 400);
        for (qreal x = area.left(); x <= area.right() + step; x += step) {
            const qreal t = (x - area.left()) / w * 2 * std::numbers::pi;
            const qreal y =
                top + lift -
                depth * (0.12 * std::sin(1.4 * t + phase1) + 0.06 * std::sin(3.1 * t + phase2));
            path.lineTo(x, y);
        }
        path.lineTo(area.right() + step, area.bottom());
        path.closeSubpath();
        QLinearGradient gradient(0, top + lift - depth * 0.2, 0, area.bottom());
        if (layer == 0) {
            gradient.setColorAt(0, QColor(0xA8, 0xDB, 0x8A));
            gradient.setColorAt(1, QColor(0x86, 0xC6, 0x6C));
        } else {
            gradient.setColorAt(0, Colour::grass);
            gradient.setColorAt(1, Colour::grassDark);
        }
        p.setBrush(gradient);
        p.drawPath(path);
    }
    p.restore();
}

void flower(QPainter &p, QPointF centre, qreal radius, const QColor &petals)
{
    p.save();
    p.setPen(
        QPen(Colour::grassDark, std::max<qreal>(1.0, radius * 0.25), Qt::SolidLine, Qt::RoundCap));
    p.drawLine(centre, centre + QPointF(0, radius * 2.6));
    p.setPen(QPen(petals.darker(130), std::max<qreal>(0.8, radius * 0.08)));
    p.setBrush(petals);
    for (int i = 0; i < 5; ++i) {
        const qreal a = i * 2 * std::numbers::pi / 5;
        p.drawEllipse(centre + QPointF(std::cos(a), std::sin(a)) * radius * 0.62, radius * 0.48,
                      radius * 0.48);
    }
    p.setBrush(Colour::sun);
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, radius * 0.38, radius * 0.38);
    p.restore();
}

void grassTufts(QPainter &p, qreal left, qreal right, qreal baseline, int seed)
{
    std::minstd_rand random(static_cast<unsigned>(seed) + 7);
    std::uniform_real_distribution<qreal> spread(0, 1);
    p.save();
    p.setPen(QPen(Colour::grassDark, 2, Qt::SolidLine, Qt::RoundCap));
    for (qreal x = left; x < right; x += 14 + 20 * spread(random)) {
        const qreal h = 6 + 8 * spread(random);
        p.drawLine(QPointF(x, baseline), QPointF(x - 3, baseline - h));
        p.drawLine(QPointF(x + 3, baseline), QPointF(x + 4, baseline - h * 1.2));
        p.drawLine(QPointF(x + 6, baseline), QPointF(x + 10, baseline - h * 0.8));
    }
    p.restore();
}

void owl(QPainter &p, QPointF feet, qreal height, OwlPose pose)
{
    const qreal s = height;
    const QPointF c(feet.x(), feet.y() - s * 0.5); // body centre
    const QColor body(0xF4, 0xA2, 0x59);
    const QColor bodyEdge(0xB8, 0x6A, 0x2E);
    const QColor wing(0xDA, 0x84, 0x3E);
    const QColor belly(0xFF, 0xEB, 0xC8);

    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    const QPen edge(bodyEdge, std::max<qreal>(1.0, s * 0.018), Qt::SolidLine, Qt::RoundCap,
                    Qt::RoundJoin);

    // Shadow on the ground.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(40, 80, 40, 50));
    p.drawEllipse(QPointF(feet.x(), feet.y()), s * 0.32, s * 0.05);

    // Ear tufts.
    p.setPen(edge);
    p.setBrush(body);
    for (int side : {-1, 1}) {
        QPainterPath ear;
        ear.moveTo(c.x() + side * s * 0.12, c.y() - s * 0.36);
        ear.lineTo(c.x() + side * s * 0.32, c.y() - s * 0.5);
        ear.lineTo(c.x() + side * s * 0.3, c.y() - s * 0.26);
        ear.closeSubpath();
        p.drawPath(ear);
    }

    // Wings behind the body; the waving one is raised.
    p.setBrush(wing);
    for (int side : {-1, 1}) {
        p.save();
        const bool raised = pose == OwlPose::Waving && side == 1;
        p.translate(c.x() + side * s * 0.3, c.y() + (raised ? -s * 0.02 : s * 0.05));
        p.rotate(raised ? -120.0 : side * 18.0);
        p.drawEllipse(QRectF(-s * 0.09, -s * 0.03, s * 0.18, s * 0.36));
        p.restore();
    }

    // Body.
    QRadialGradient bodyFill(c - QPointF(s * 0.1, s * 0.15), s * 0.6);
    bodyFill.setColorAt(0, body.lighter(112));
    bodyFill.setColorAt(1, body);
    p.setBrush(bodyFill);
    p.drawEllipse(c, s * 0.33, s * 0.42);

    // Belly with little feather marks.
    p.setPen(Qt::NoPen);
    p.setBrush(belly);
    p.drawEllipse(QPointF(c.x(), c.y() + s * 0.12), s * 0.22, s * 0.26);
    p.setPen(QPen(QColor(0xE3, 0xB0, 0x78), std::max<qreal>(1.0, s * 0.014), Qt::SolidLine,
                  Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    for (int row = 0; row < 3; ++row) {
        for (int col = -1; col <= 1; ++col) {
            if (row == 2 && col != 0)
                continue;
            const QPointF m(c.x() + col * s * 0.09 + (row % 2) * s * 0.045,
                            c.y() + s * (0.04 + row * 0.08));
            p.drawArc(QRectF(m.x() - s * 0.03, m.y() - s * 0.02, s * 0.06, s * 0.04), 200 * 16,
                      140 * 16);
        }
    }

    // Eyes.
    p.setPen(edge);
    for (int side : {-1, 1}) {
        const QPointF e(c.x() + side * s * 0.14, c.y() - s * 0.17);
        p.setBrush(QColor(0xFF, 0xE0, 0x9A));
        p.drawEllipse(e, s * 0.15, s * 0.15);
        p.setBrush(Qt::white);
        p.drawEllipse(e, s * 0.115, s * 0.115);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x3B, 0x2A, 0x1A));
        p.drawEllipse(e + QPointF(side * -s * 0.01, s * 0.01), s * 0.065, s * 0.065);
        p.setBrush(Qt::white);
        p.drawEllipse(e + QPointF(-s * 0.02, -s * 0.02), s * 0.022, s * 0.022);
        p.setPen(edge);
    }

    // Beak.
    p.setBrush(QColor(0xFF, 0x7A, 0x2F));
    QPainterPath beak;
    beak.moveTo(c.x() - s * 0.04, c.y() - s * 0.09);
    beak.lineTo(c.x() + s * 0.04, c.y() - s * 0.09);
    beak.lineTo(c.x(), c.y() - s * 0.02);
    beak.closeSubpath();
    p.drawPath(beak);

    // Cheeks.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 120, 120, 90));
    p.drawEllipse(QPointF(c.x() - s * 0.24, c.y() - s * 0.04), s * 0.04, s * 0.025);
    p.drawEllipse(QPointF(c.x() + s * 0.24, c.y() - s * 0.04), s * 0.04, s * 0.025);

    // Feet.
    p.setBrush(QColor(0xFF, 0x8A, 0x3D));
    p.setPen(QPen(QColor(0xD0, 0x60, 0x20), std::max<qreal>(0.8, s * 0.01)));
    p.drawEllipse(QPointF(c.x() - s * 0.1, feet.y() - s * 0.03), s * 0.07, s * 0.035);
    p.drawEllipse(QPointF(c.x() + s * 0.1, feet.y() - s * 0.03), s * 0.07, s * 0.035);

    // An open book held in front of the belly.
    if (pose == OwlPose::Reading) {
        const QPointF b(c.x(), c.y() + s * 0.2);
        p.setPen(QPen(QColor(0x2F, 0x6F, 0xB0), std::max<qreal>(1.0, s * 0.014), Qt::SolidLine,
                      Qt::RoundCap, Qt::RoundJoin));
        for (int side : {-1, 1}) {
            QPainterPath page;
            page.moveTo(b);
            page.quadTo(b + QPointF(side * s * 0.12, -s * 0.06),
                        b + QPointF(side * s * 0.25, -s * 0.02));
            page.lineTo(b + QPointF(side * s * 0.25, s * 0.14));
            page.quadTo(b + QPointF(side * s * 0.12, s * 0.1), b + QPointF(0, s * 0.16));
            page.closeSubpath();
            p.setBrush(side < 0 ? QColor(0x5B, 0xB4, 0xF5) : QColor(0x4A, 0xA3, 0xE8));
            p.drawPath(page);
        }
        p.setPen(QPen(Qt::white, std::max<qreal>(1.0, s * 0.012), Qt::SolidLine, Qt::RoundCap));
        for (int side : {-1, 1})
            for (int line = 0; line < 3; ++line) {
                const qreal y = b.y() + s * (0.02 + line * 0.035);
                p.drawLine(QPointF(b.x() + side * s * 0.05, y), QPointF(b.x() + side * s * 0.2, y));
            }
    }
    p.restore();
}

void letterBlock(QPainter &p, QPointF centre, qreal size, QChar letter, const QColor &colour,
                 qreal angle)
{
    p.save();
    p.translate(centre);
    p.rotate(angle);
    const QRectF r(-size / 2, -size / 2, size, size);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 45));
    p.drawRoundedRect(r.translated(size * 0.05, size * 0.07), size * 0.16, size * 0.16);
    QLinearGradient fill(r.topLeft(), r.bottomLeft());
    fill.setColorAt(0, colour.lighter(118));
    fill.setColorAt(1, colour);
    p.setBrush(fill);
    p.setPen(QPen(colour.darker(135), size * 0.04));
    p.drawRoundedRect(r, size * 0.16, size * 0.16);
    p.setPen(QPen(QColor(255, 255, 255, 120), size * 0.035));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(size * 0.1, size * 0.1, -size * 0.1, -size * 0.1), size * 0.1,
                      size * 0.1);
    p.setPen(Qt::white);
    p.setFont(Fonts::latin(size * 0.58));
    p.drawText(r, Qt::AlignCenter, QString(letter));
    p.restore();
}

void outlinedText(QPainter &p, QPointF baseline, const QString &text, const QFont &font,
                  const QColor &fill, qreal outline, const QColor &outlineColour)
{
    QPainterPath path;
    path.addText(baseline, font, text);
    p.save();
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(30, 60, 90, 60), outline * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path.translated(outline * 0.5, outline * 0.8));
    p.setPen(QPen(outlineColour, outline * 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPath(path);
    p.restore();
}

void caption(QPainter &p, qreal right, qreal middle, const QString &text, const QFont &font,
             const QColor &fill)
{
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text);
    const qreal baseline = middle + (metrics.ascent() - metrics.descent()) / 2;
    outlinedText(p, QPointF(right - width, baseline), text, font, fill, 2.5);
}

void title(QPainter &p, QPointF baseline, qreal pixelSize)
{
    static const QColor colours[] = {{0xFF, 0x6B, 0x6B}, {0xFF, 0xA9, 0x4D}, {0xF5, 0xC0, 0x1A},
                                     {0x51, 0xCF, 0x66}, {0x33, 0x9A, 0xF0}, {0x94, 0x6B, 0xF0}};
    const QString word = QStringLiteral("Mivora");
    QFont font = Fonts::latin(pixelSize);
    const QFontMetricsF metrics(font);
    qreal x = baseline.x();
    for (int i = 0; i < word.size(); ++i) {
        const QString letter(word.at(i));
        const qreal advance = metrics.horizontalAdvance(letter);
        p.save();
        // Each letter hops a little, like toy letters standing on a shelf.
        const qreal hop = (i % 2 == 0 ? -1 : 1) * pixelSize * 0.04;
        p.translate(x + advance / 2, baseline.y() + hop);
        p.rotate((i % 2 == 0 ? -4.0 : 4.0));
        outlinedText(p, QPointF(-advance / 2, 0), letter, font, colours[i % 6], pixelSize * 0.07);
        p.restore();
        x += advance * 0.98;
    }
}

void panel(QPainter &p, const QRectF &rect, qreal radius, const QColor &fill, const QColor &edge,
           qreal edgeWidth)
{
    p.save();
    p.setPen(Qt::NoPen);
    for (int i = 3; i >= 1; --i) {
        p.setBrush(QColor(30, 60, 90, 18));
        p.drawRoundedRect(rect.translated(0, i * 1.5).adjusted(-i, -i, i, i), radius + i,
                          radius + i);
    }
    p.setBrush(fill);
    p.setPen(edgeWidth > 0 ? QPen(edge, edgeWidth) : QPen(Qt::NoPen));
    p.drawRoundedRect(rect, radius, radius);
    p.restore();
}

} // namespace Art

#include "tools/demobook/pictures.h"

#include "tools/common/fonts.h"
#include "tools/common/textfit.h"

#include <QFont>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QList>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <functional>
#include <map>
#include <numbers>

namespace {

const QColor ink(0x3a, 0x33, 0x30);
const QColor skin(0xf6, 0xd2, 0xb0);
const QColor cheek(0xf4, 0xa0, 0x9c);

// The largest rectangle of the given width/height ratio inside r, centred across and standing
// on r's bottom edge, the way a picture stands on the ground of its box.
QRectF standing(const QRectF &r, qreal aspect)
{
    qreal w = r.width();
    qreal h = w / aspect;
    if (h > r.height()) {
        h = r.height();
        w = h * aspect;
    }
    return QRectF(r.center().x() - w / 2, r.bottom() - h, w, h);
}

QRectF centred(const QRectF &r, qreal aspect)
{
    QRectF s = standing(r, aspect);
    s.moveCenter(r.center());
    return s;
}

void outline(QPainter &p, qreal width, const QColor &colour = ink)
{
    QPen pen(colour, width);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
}

// ---- small signs shown on buildings

using Icon = std::function<void(QPainter &, const QRectF &)>;

void bookIcon(QPainter &p, const QRectF &r)
{
    const QRectF b = centred(r, 1.5);
    outline(p, b.height() * 0.06);
    p.setBrush(QColor(0xff, 0xff, 0xff));
    QPolygonF left{b.topLeft() + QPointF(0, b.height() * 0.1),
                   QPointF(b.center().x(), b.top() + b.height() * 0.2),
                   QPointF(b.center().x(), b.bottom()),
                   b.bottomLeft() - QPointF(0, b.height() * 0.1)};
    QPolygonF right{b.topRight() + QPointF(0, b.height() * 0.1),
                    QPointF(b.center().x(), b.top() + b.height() * 0.2),
                    QPointF(b.center().x(), b.bottom()),
                    b.bottomRight() - QPointF(0, b.height() * 0.1)};
    p.drawPolygon(left);
    p.drawPolygon(right);
    outline(p, b.height() * 0.04, QColor(0x99, 0x99, 0x99));
    for (int n = 1; n <= 3; ++n) {
        const qreal y = b.top() + b.height() * (0.2 + 0.18 * n);
        p.drawLine(QPointF(b.left() + b.width() * 0.08, y),
                   QPointF(b.center().x() - b.width() * 0.06, y + b.height() * 0.04));
        p.drawLine(QPointF(b.center().x() + b.width() * 0.06, y + b.height() * 0.04),
                   QPointF(b.right() - b.width() * 0.08, y));
    }
}

void envelopeIcon(QPainter &p, const QRectF &r)
{
    const QRectF b = centred(r, 1.5);
    outline(p, b.height() * 0.07);
    p.setBrush(QColor(0xff, 0xfb, 0xe8));
    p.drawRect(b);
    p.drawPolyline(QPolygonF{
        b.topLeft(), QPointF(b.center().x(), b.center().y() + b.height() * 0.1), b.topRight()});
}

void crossIcon(QPainter &p, const QRectF &r)
{
    const QRectF b = centred(r, 1.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xff, 0xff));
    p.drawEllipse(b);
    p.setBrush(QColor(0xe0, 0x33, 0x3c));
    const qreal t = b.width() * 0.22;
    p.drawRect(QRectF(b.center().x() - t / 2, b.top() + b.height() * 0.18, t, b.height() * 0.64));
    p.drawRect(QRectF(b.left() + b.width() * 0.18, b.center().y() - t / 2, b.width() * 0.64, t));
}

void filmIcon(QPainter &p, const QRectF &r)
{
    const QRectF b = centred(r, 1.2);
    outline(p, b.height() * 0.05);
    p.setBrush(QColor(0x33, 0x33, 0x3a));
    const QRectF board(b.left(), b.top() + b.height() * 0.3, b.width(), b.height() * 0.7);
    p.drawRect(board);
    QPolygonF clapper{QPointF(b.left(), b.top() + b.height() * 0.28),
                      QPointF(b.right(), b.top() + b.height() * 0.05),
                      QPointF(b.right(), b.top() + b.height() * 0.22),
                      QPointF(b.left(), b.top() + b.height() * 0.45)};
    p.drawPolygon(clapper);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd2, 0x3f));
    QPainterPath star;
    const QPointF c = board.center();
    const qreal ro = board.height() * 0.36, ri = ro * 0.45;
    for (int n = 0; n < 10; ++n) {
        const qreal a = -std::numbers::pi / 2 + n * std::numbers::pi / 5;
        const QPointF pt = c + QPointF(std::cos(a), std::sin(a)) * (n % 2 ? ri : ro);
        n ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.drawPath(star);
}

void atomIcon(QPainter &p, const QRectF &r)
{
    const QRectF b = centred(r, 1.0);
    outline(p, b.width() * 0.06, QColor(0x2b, 0x6c, 0xb0));
    p.setBrush(Qt::NoBrush);
    for (int n = 0; n < 3; ++n) {
        p.save();
        p.translate(b.center());
        p.rotate(n * 60);
        p.drawEllipse(QRectF(-b.width() / 2, -b.height() * 0.18, b.width(), b.height() * 0.36));
        p.restore();
    }
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x33, 0x3c));
    p.drawEllipse(b.center(), b.width() * 0.1, b.width() * 0.1);
}

void pizzaIcon(QPainter &p, const QRectF &r)
{
    const QRectF b = centred(r, 1.0);
    outline(p, b.width() * 0.05, QColor(0xb8, 0x6b, 0x1f));
    p.setBrush(QColor(0xff, 0xd8, 0x6b));
    p.drawPolygon(QPolygonF{QPointF(b.center().x(), b.bottom()),
                            b.topLeft() + QPointF(0, b.height() * 0.12),
                            b.topRight() + QPointF(0, b.height() * 0.12)});
    p.setBrush(QColor(0xc8, 0x9a, 0x4c));
    p.drawRoundedRect(QRectF(b.left(), b.top(), b.width(), b.height() * 0.2), b.height() * 0.1,
                      b.height() * 0.1);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xd9, 0x3b, 0x2f));
    const qreal s = b.width() * 0.09;
    for (const QPointF f : {QPointF(0.38, 0.35), QPointF(0.6, 0.4), QPointF(0.5, 0.6)})
        p.drawEllipse(QPointF(b.left() + f.x() * b.width(), b.top() + f.y() * b.height()), s, s);
}

// ---- buildings

enum class Roof { Gable, Flat, Temple };

struct Building
{
    QColor wall;
    QColor roof;
    Roof kind = Roof::Flat;
    Icon icon;
    int windowRows = 1;
};

void drawWindows(QPainter &p, const QRectF &area, int rows, int columns)
{
    outline(p, area.width() * 0.012 + 0.3);
    p.setBrush(QColor(0xbf, 0xe4, 0xf7));
    const qreal cw = area.width() / columns, ch = area.height() / rows;
    for (int row = 0; row < rows; ++row) {
        for (int col = 0; col < columns; ++col) {
            const QRectF cell(area.left() + col * cw, area.top() + row * ch, cw, ch);
            const QRectF pane = cell.adjusted(cw * 0.18, ch * 0.18, -cw * 0.18, -ch * 0.18);
            p.drawRect(pane);
            p.drawLine(QPointF(pane.center().x(), pane.top()),
                       QPointF(pane.center().x(), pane.bottom()));
        }
    }
}

void drawBuilding(QPainter &p, const QRectF &r, const Building &look)
{
    const QRectF b = standing(r, 1.0);
    const qreal line = b.width() * 0.018 + 0.4;
    const qreal roofHeight = b.height() * (look.kind == Roof::Flat ? 0.2 : 0.32);
    const QRectF body(b.left() + b.width() * 0.06, b.top() + roofHeight, b.width() * 0.88,
                      b.height() - roofHeight);

    outline(p, line);
    p.setBrush(look.wall);
    p.drawRect(body);

    QRectF sign;
    if (look.kind == Roof::Gable) {
        p.setBrush(look.roof);
        p.drawPolygon(QPolygonF{QPointF(b.left(), body.top()), QPointF(b.center().x(), b.top()),
                                QPointF(b.right(), body.top())});
        sign = QRectF(b.center().x() - roofHeight * 0.42, b.top() + roofHeight * 0.32,
                      roofHeight * 0.84, roofHeight * 0.6);
    } else if (look.kind == Roof::Temple) {
        p.setBrush(look.roof);
        p.drawPolygon(QPolygonF{QPointF(b.left(), body.top()), QPointF(b.center().x(), b.top()),
                                QPointF(b.right(), body.top())});
        sign = QRectF(b.center().x() - roofHeight * 0.35, b.top() + roofHeight * 0.35,
                      roofHeight * 0.7, roofHeight * 0.6);
        // Columns instead of windows: a museum is a temple of things.
        p.setBrush(QColor(0xf7, 0xf3, 0xe8));
        const int columns = 4;
        const qreal gap = body.width() / (columns * 2 + 1);
        for (int n = 0; n < columns; ++n) {
            const qreal x = body.left() + gap * (1 + 2 * n);
            if (n == 1 || n == 2)
                continue;
            p.drawRect(QRectF(x, body.top() + body.height() * 0.08, gap, body.height() * 0.8));
        }
        p.drawRect(QRectF(b.left() + b.width() * 0.02, body.bottom() - body.height() * 0.1,
                          b.width() * 0.96, body.height() * 0.1));
    } else {
        p.setBrush(look.roof);
        const QRectF band(b.left(), b.top(), b.width(), roofHeight);
        p.drawRect(band);
        sign =
            band.adjusted(b.width() * 0.3, roofHeight * 0.12, -b.width() * 0.3, -roofHeight * 0.12);
    }

    if (look.kind != Roof::Temple) {
        const QRectF windows(body.left() + body.width() * 0.06, body.top() + body.height() * 0.08,
                             body.width() * 0.88, body.height() * 0.48);
        outline(p, line);
        drawWindows(p, windows, look.windowRows, 3);
    }
    // The door.
    outline(p, line);
    p.setBrush(QColor(0x8b, 0x5a, 0x2b));
    const qreal dw = body.width() * 0.26;
    const qreal dh = body.height() * (look.kind == Roof::Temple ? 0.5 : 0.36);
    const qreal doorBottom =
        look.kind == Roof::Temple ? body.bottom() - body.height() * 0.1 : body.bottom();
    p.drawRoundedRect(QRectF(body.center().x() - dw / 2, doorBottom - dh, dw, dh), dw * 0.2,
                      dw * 0.2);

    if (look.icon) {
        if (look.kind == Roof::Flat) {
            outline(p, line);
            p.setBrush(QColor(0xff, 0xff, 0xff));
            p.drawRoundedRect(sign, sign.height() * 0.2, sign.height() * 0.2);
            look.icon(p, sign.adjusted(sign.width() * 0.12, sign.height() * 0.12,
                                       -sign.width() * 0.12, -sign.height() * 0.12));
        } else {
            look.icon(p, sign);
        }
    }
}

// ---- people and the robot

enum class Look { Boy, Girl, Man, Grandpa };

void drawFace(QPainter &p, QPointF c, qreal radius, bool glasses)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const qreal eye = radius * 0.11;
    p.drawEllipse(c + QPointF(-radius * 0.36, -radius * 0.02), eye, eye);
    p.drawEllipse(c + QPointF(radius * 0.36, -radius * 0.02), eye, eye);
    p.setBrush(cheek);
    p.drawEllipse(c + QPointF(-radius * 0.55, radius * 0.3), radius * 0.15, radius * 0.1);
    p.drawEllipse(c + QPointF(radius * 0.55, radius * 0.3), radius * 0.15, radius * 0.1);
    outline(p, radius * 0.09);
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(c.x() - radius * 0.3, c.y() + radius * 0.05, radius * 0.6, radius * 0.45),
              200 * 16, 140 * 16);
    if (glasses) {
        outline(p, radius * 0.07);
        p.drawEllipse(c + QPointF(-radius * 0.36, -radius * 0.02), radius * 0.24, radius * 0.2);
        p.drawEllipse(c + QPointF(radius * 0.36, -radius * 0.02), radius * 0.24, radius * 0.2);
    }
}

void drawPerson(QPainter &p, const QRectF &r, Look look)
{
    const QRectF b = standing(r, 0.5);
    const qreal w = b.width(), h = b.height(), cx = b.center().x();
    const qreal line = w * 0.03 + 0.3;
    const qreal headR = h * 0.14;
    const QPointF head(cx, b.top() + headR + h * 0.01);
    const qreal shoulder = head.y() + headR + h * 0.01;
    const qreal hip = b.top() + h * 0.66;

    QColor shirt, trousers, hair;
    switch (look) {
    case Look::Boy:
        shirt = QColor(0x3a, 0x86, 0xd4);
        trousers = QColor(0x39, 0x4a, 0x6b);
        hair = QColor(0x2b, 0x22, 0x1c);
        break;
    case Look::Girl:
        shirt = QColor(0xe2, 0x57, 0x8a);
        trousers = skin;
        hair = QColor(0x4a, 0x2c, 0x1a);
        break;
    case Look::Man:
        shirt = QColor(0x5b, 0xaa, 0x3a);
        trousers = QColor(0x6b, 0x5a, 0x44);
        hair = QColor(0x6b, 0x40, 0x22);
        break;
    case Look::Grandpa:
        shirt = QColor(0xa0, 0x6a, 0x3c);
        trousers = QColor(0x55, 0x55, 0x60);
        hair = QColor(0xd8, 0xd8, 0xd8);
        break;
    }

    // Legs and shoes.
    outline(p, line);
    p.setBrush(trousers);
    const qreal legW = w * 0.16;
    for (const qreal dx : {-w * 0.13, w * 0.13})
        p.drawRect(QRectF(cx + dx - legW / 2, hip - h * 0.02, legW, b.bottom() - hip - h * 0.03));
    p.setBrush(ink);
    for (const qreal dx : {-w * 0.15, w * 0.15})
        p.drawEllipse(QRectF(cx + dx - w * 0.13, b.bottom() - h * 0.05, w * 0.26, h * 0.05));

    // Arms behind the body, hands in front.
    QPen arm(shirt.darker(115), w * 0.12);
    arm.setCapStyle(Qt::RoundCap);
    p.setPen(arm);
    const QPointF handL(cx - w * 0.42, hip - h * 0.04), handR(cx + w * 0.42, hip - h * 0.04);
    p.drawLine(QPointF(cx - w * 0.22, shoulder + h * 0.04), handL);
    p.drawLine(QPointF(cx + w * 0.22, shoulder + h * 0.04), handR);

    // Body: a shirt, or a dress that flares.
    outline(p, line);
    p.setBrush(shirt);
    if (look == Look::Girl) {
        p.drawPolygon(QPolygonF{QPointF(cx - w * 0.22, shoulder), QPointF(cx + w * 0.22, shoulder),
                                QPointF(cx + w * 0.38, hip + h * 0.08),
                                QPointF(cx - w * 0.38, hip + h * 0.08)});
    } else {
        p.drawRoundedRect(QRectF(cx - w * 0.27, shoulder, w * 0.54, hip - shoulder + h * 0.02),
                          w * 0.1, w * 0.1);
        if (look == Look::Man || look == Look::Grandpa) {
            p.drawLine(QPointF(cx, shoulder + h * 0.02), QPointF(cx, hip));
            p.setBrush(QColor(0xff, 0xff, 0xff));
            p.drawPolygon(QPolygonF{QPointF(cx - w * 0.09, shoulder),
                                    QPointF(cx + w * 0.09, shoulder),
                                    QPointF(cx, shoulder + h * 0.06)});
        }
    }
    p.setPen(Qt::NoPen);
    p.setBrush(skin);
    p.drawEllipse(handL, w * 0.07, w * 0.07);
    p.drawEllipse(handR, w * 0.07, w * 0.07);

    if (look == Look::Grandpa) {
        outline(p, w * 0.06, QColor(0x6b, 0x40, 0x22));
        p.drawLine(handR, QPointF(handR.x() + w * 0.04, b.bottom()));
    }

    // Head, hair, face.
    if (look == Look::Girl) {
        p.setPen(Qt::NoPen);
        p.setBrush(hair);
        p.drawEllipse(head + QPointF(-headR * 1.05, headR * 0.3), headR * 0.36, headR * 0.5);
        p.drawEllipse(head + QPointF(headR * 1.05, headR * 0.3), headR * 0.36, headR * 0.5);
    }
    outline(p, line);
    p.setBrush(skin);
    p.drawEllipse(head, headR, headR);
    p.setPen(Qt::NoPen);
    p.setBrush(hair);
    if (look == Look::Grandpa) {
        p.drawPie(QRectF(head.x() - headR, head.y() - headR, headR * 2, headR * 2), 140 * 16,
                  60 * 16);
        p.drawPie(QRectF(head.x() - headR, head.y() - headR, headR * 2, headR * 2), -20 * 16,
                  60 * 16);
    } else {
        p.drawChord(
            QRectF(head.x() - headR * 1.02, head.y() - headR * 1.06, headR * 2.04, headR * 1.5), 0,
            180 * 16);
    }
    drawFace(p, head + QPointF(0, headR * 0.12), headR, look == Look::Grandpa);
}

void drawRobot(QPainter &p, const QRectF &r, bool gps)
{
    const QRectF b = standing(r, 0.72);
    const qreal w = b.width(), h = b.height(), cx = b.center().x();
    const qreal line = w * 0.025 + 0.3;
    const QColor metal(0x9d, 0xb7, 0xc9), dark(0x4d, 0x63, 0x75);

    // Antenna.
    outline(p, line * 1.4, dark);
    p.drawLine(QPointF(cx, b.top() + h * 0.06), QPointF(cx, b.top() + h * 0.14));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x33, 0x3c));
    p.drawEllipse(QPointF(cx, b.top() + h * 0.05), w * 0.06, w * 0.06);
    if (gps) {
        outline(p, line, QColor(0x1f, 0xa3, 0x9a));
        p.setBrush(Qt::NoBrush);
        for (int n = 1; n <= 2; ++n) {
            const qreal s = w * 0.1 * n;
            p.drawArc(QRectF(cx - s, b.top() + h * 0.05 - s, 2 * s, 2 * s), 20 * 16, 50 * 16);
            p.drawArc(QRectF(cx - s, b.top() + h * 0.05 - s, 2 * s, 2 * s), 110 * 16, 50 * 16);
        }
    }

    // Head with a screen face.
    outline(p, line);
    p.setBrush(metal);
    const QRectF head(b.left() + w * 0.14, b.top() + h * 0.14, w * 0.72, h * 0.3);
    p.drawRoundedRect(head, w * 0.12, w * 0.12);
    p.setBrush(QColor(0x24, 0x32, 0x40));
    const QRectF screen = head.adjusted(w * 0.08, h * 0.04, -w * 0.08, -h * 0.04);
    p.drawRoundedRect(screen, w * 0.07, w * 0.07);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x6c, 0xf0, 0xf0));
    p.drawEllipse(
        QPointF(screen.left() + screen.width() * 0.3, screen.center().y() - screen.height() * 0.08),
        w * 0.06, w * 0.06);
    p.drawEllipse(
        QPointF(screen.left() + screen.width() * 0.7, screen.center().y() - screen.height() * 0.08),
        w * 0.06, w * 0.06);
    outline(p, line, QColor(0x6c, 0xf0, 0xf0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(
        QRectF(screen.center().x() - w * 0.1, screen.center().y(), w * 0.2, screen.height() * 0.3),
        200 * 16, 140 * 16);

    // Arms, body, wheels.
    outline(p, w * 0.07, dark);
    const qreal shoulder = b.top() + h * 0.52;
    p.drawLine(QPointF(cx - w * 0.3, shoulder), QPointF(cx - w * 0.46, shoulder + h * 0.16));
    p.drawLine(QPointF(cx + w * 0.3, shoulder), QPointF(cx + w * 0.46, shoulder + h * 0.16));
    outline(p, line);
    p.setBrush(metal);
    const QRectF body(b.left() + w * 0.2, b.top() + h * 0.47, w * 0.6, h * 0.38);
    p.drawRoundedRect(body, w * 0.08, w * 0.08);
    if (gps) {
        // A small map on the chest: the new feature.
        const QRectF map = body.adjusted(w * 0.08, h * 0.05, -w * 0.08, -h * 0.12);
        p.setBrush(QColor(0xcf, 0xe8, 0xb0));
        p.drawRect(map);
        outline(p, line * 1.2, QColor(0xff, 0xff, 0xff));
        p.drawLine(QPointF(map.left(), map.center().y()), QPointF(map.right(), map.center().y()));
        p.drawLine(QPointF(map.center().x(), map.top()), QPointF(map.center().x(), map.bottom()));
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0xe0, 0x33, 0x3c));
        p.drawEllipse(QPointF(map.left() + map.width() * 0.72, map.top() + map.height() * 0.3),
                      w * 0.05, w * 0.05);
    } else {
        p.setPen(Qt::NoPen);
        const QColor lights[] = {QColor(0xe0, 0x33, 0x3c), QColor(0xff, 0xd2, 0x3f),
                                 QColor(0x5b, 0xaa, 0x3a)};
        for (int n = 0; n < 3; ++n) {
            p.setBrush(lights[n]);
            p.drawEllipse(QPointF(body.left() + body.width() * (0.25 + 0.25 * n),
                                  body.top() + body.height() * 0.35),
                          w * 0.05, w * 0.05);
        }
    }
    outline(p, line);
    p.setBrush(dark);
    p.drawEllipse(QPointF(cx - w * 0.17, b.bottom() - h * 0.075), w * 0.1, h * 0.07);
    p.drawEllipse(QPointF(cx + w * 0.17, b.bottom() - h * 0.075), w * 0.1, h * 0.07);
}

// ---- nature, things and signs

void drawTree(QPainter &p, const QRectF &r)
{
    const QRectF b = standing(r, 0.75);
    const qreal w = b.width(), h = b.height();
    outline(p, w * 0.02 + 0.3);
    p.setBrush(QColor(0x8b, 0x5a, 0x2b));
    p.drawRect(QRectF(b.center().x() - w * 0.08, b.top() + h * 0.55, w * 0.16, h * 0.45));
    p.setBrush(QColor(0x5b, 0xaa, 0x3a));
    p.drawEllipse(QRectF(b.left(), b.top() + h * 0.22, w * 0.6, h * 0.42));
    p.drawEllipse(QRectF(b.left() + w * 0.4, b.top() + h * 0.2, w * 0.6, h * 0.44));
    p.setBrush(QColor(0x72, 0xc0, 0x4c));
    p.drawEllipse(QRectF(b.left() + w * 0.18, b.top(), w * 0.64, h * 0.46));
}

void drawPresent(QPainter &p, const QRectF &r)
{
    const QRectF b = standing(r, 1.0);
    const qreal w = b.width(), line = w * 0.03 + 0.3;
    outline(p, line);
    p.setBrush(QColor(0x8e, 0x5c, 0xc2));
    const QRectF box(b.left(), b.top() + w * 0.25, w, w * 0.75);
    p.drawRect(box);
    p.setBrush(QColor(0xff, 0xd2, 0x3f));
    p.drawRect(QRectF(box.center().x() - w * 0.08, box.top(), w * 0.16, box.height()));
    p.drawEllipse(QRectF(b.center().x() - w * 0.3, b.top() + w * 0.05, w * 0.3, w * 0.2));
    p.drawEllipse(QRectF(b.center().x(), b.top() + w * 0.05, w * 0.3, w * 0.2));
}

void drawBooks(QPainter &p, const QRectF &r)
{
    const QRectF b = standing(r, 3.0);
    const qreal h = b.height();
    const QColor colours[] = {QColor(0xe2, 0x57, 0x8a), QColor(0x3a, 0x86, 0xd4),
                              QColor(0xf2, 0x8c, 0x28)};
    outline(p, h * 0.03 + 0.3);
    for (int n = 0; n < 3; ++n) {
        p.setBrush(colours[n]);
        const qreal inset = (n % 2) * b.width() * 0.06;
        const QRectF book(b.left() + inset, b.top() + n * h / 3, b.width() * 0.9, h / 3);
        p.drawRoundedRect(book, h * 0.05, h * 0.05);
        p.setBrush(QColor(0xff, 0xff, 0xff));
        p.drawRect(QRectF(book.right() - book.width() * 0.08, book.top() + book.height() * 0.2,
                          book.width() * 0.06, book.height() * 0.6));
    }
}

void drawHouse(QPainter &p, const QRectF &r)
{
    drawBuilding(p, r, {QColor(0xff, 0xe9, 0xb8), QColor(0xd9, 0x53, 0x4f), Roof::Gable, {}, 1});
}

// A round traffic sign with a white arrow: 0 degrees points up.
void drawArrowSign(QPainter &p, const QRectF &r, qreal degrees)
{
    const QRectF b = standing(r, 0.7);
    const qreal w = b.width();
    outline(p, w * 0.03 + 0.3);
    p.setBrush(QColor(0x8a, 0x8a, 0x8a));
    p.drawRect(QRectF(b.center().x() - w * 0.05, b.top() + w * 0.5, w * 0.1, b.height() - w * 0.5));
    p.setBrush(QColor(0x2b, 0x6c, 0xb0));
    const QPointF c(b.center().x(), b.top() + w * 0.5);
    p.drawEllipse(c, w * 0.48, w * 0.48);
    p.save();
    p.translate(c);
    p.rotate(degrees);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xff, 0xff));
    const qreal s = w * 0.3;
    p.drawPolygon(QPolygonF{QPointF(0, -s), QPointF(s * 0.75, -s * 0.1),
                            QPointF(s * 0.25, -s * 0.1), QPointF(s * 0.25, s),
                            QPointF(-s * 0.25, s), QPointF(-s * 0.25, -s * 0.1),
                            QPointF(-s * 0.75, -s * 0.1)});
    p.restore();
}

void drawSignpost(QPainter &p, const QRectF &r)
{
    const QRectF b = standing(r, 1.0);
    const qreal w = b.width();
    outline(p, w * 0.02 + 0.3);
    p.setBrush(QColor(0x8b, 0x5a, 0x2b));
    p.drawRect(
        QRectF(b.center().x() - w * 0.04, b.top() + w * 0.05, w * 0.08, b.height() - w * 0.05));
    const auto board = [&](qreal y, bool left, const QColor &colour) {
        const qreal bw = w * 0.42, bh = w * 0.16, x = b.center().x();
        QPolygonF shape =
            left ? QPolygonF{QPointF(x + bw * 0.3, y), QPointF(x - bw * 0.8, y),
                             QPointF(x - bw, y + bh / 2), QPointF(x - bw * 0.8, y + bh),
                             QPointF(x + bw * 0.3, y + bh)}
                 : QPolygonF{QPointF(x - bw * 0.3, y), QPointF(x + bw * 0.8, y),
                             QPointF(x + bw, y + bh / 2), QPointF(x + bw * 0.8, y + bh),
                             QPointF(x - bw * 0.3, y + bh)};
        p.setBrush(colour);
        p.drawPolygon(shape);
    };
    board(b.top() + w * 0.12, true, QColor(0x3a, 0x86, 0xd4));
    board(b.top() + w * 0.34, false, QColor(0x5b, 0xaa, 0x3a));
    board(b.top() + w * 0.56, true, QColor(0xf2, 0x8c, 0x28));
}

// A crossing seen from above: two roads, zebra stripes and a traffic light.
void drawCrossing(QPainter &p, const QRectF &r)
{
    const QRectF b = centred(r, 1.0);
    const qreal w = b.width();
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9c, 0xd0, 0x7a));
    p.drawRoundedRect(b, w * 0.06, w * 0.06);
    p.setBrush(QColor(0x80, 0x80, 0x88));
    const qreal road = w * 0.34;
    p.drawRect(QRectF(b.left(), b.center().y() - road / 2, w, road));
    p.drawRect(QRectF(b.center().x() - road / 2, b.top(), road, w));
    p.setBrush(QColor(0xff, 0xff, 0xff));
    const qreal stripe = road / 9;
    for (int n = 0; n < 4; ++n) {
        const qreal o = b.center().x() - road / 2 + stripe * (1 + 2 * n);
        p.drawRect(QRectF(o, b.center().y() - road / 2 - w * 0.1, stripe, w * 0.08));
        p.drawRect(QRectF(o, b.center().y() + road / 2 + w * 0.02, stripe, w * 0.08));
        const qreal v = b.center().y() - road / 2 + stripe * (1 + 2 * n);
        p.drawRect(QRectF(b.center().x() - road / 2 - w * 0.1, v, w * 0.08, stripe));
        p.drawRect(QRectF(b.center().x() + road / 2 + w * 0.02, v, w * 0.08, stripe));
    }
    // The traffic light on a corner.
    outline(p, w * 0.015 + 0.3);
    p.setBrush(QColor(0x33, 0x33, 0x3a));
    const QRectF light(b.left() + w * 0.06, b.top() + w * 0.04, w * 0.12, w * 0.26);
    p.drawRoundedRect(light, w * 0.03, w * 0.03);
    p.setPen(Qt::NoPen);
    const QColor lamps[] = {QColor(0xe0, 0x33, 0x3c), QColor(0xff, 0xd2, 0x3f),
                            QColor(0x4c, 0xd0, 0x5a)};
    for (int n = 0; n < 3; ++n) {
        p.setBrush(lamps[n]);
        p.drawEllipse(QPointF(light.center().x(), light.top() + light.height() * (0.2 + 0.3 * n)),
                      w * 0.035, w * 0.035);
    }
}

void drawRoads(QPainter &p, const QRectF &b, qreal road, bool centreLines)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x9a, 0x9a, 0xa2));
    p.drawRect(QRectF(b.left(), b.center().y() - road / 2, b.width(), road));
    p.drawRect(QRectF(b.center().x() - road / 2, b.top(), road, b.height()));
    if (centreLines) {
        QPen dash(QColor(0xff, 0xff, 0xff), road * 0.08);
        dash.setDashPattern({4, 3});
        p.setPen(dash);
        p.drawLine(QPointF(b.left(), b.center().y()),
                   QPointF(b.center().x() - road / 2, b.center().y()));
        p.drawLine(QPointF(b.center().x() + road / 2, b.center().y()),
                   QPointF(b.right(), b.center().y()));
        p.drawLine(QPointF(b.center().x(), b.top()),
                   QPointF(b.center().x(), b.center().y() - road / 2));
        p.drawLine(QPointF(b.center().x(), b.center().y() + road / 2),
                   QPointF(b.center().x(), b.bottom()));
    }
}

// The town map of the unit opener: streets and green blocks, the places are drawn over it.
void drawMap(QPainter &p, const QRectF &r)
{
    const QRectF b = r;
    outline(p, 1.5, QColor(0x8a, 0x7a, 0x5a));
    p.setBrush(QColor(0xf3, 0xea, 0xc8));
    p.drawRoundedRect(b, 10, 10);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xc6, 0xe6, 0xa6));
    const qreal road = std::min(b.width(), b.height()) * 0.12;
    const qreal m = road * 0.3;
    const qreal halfW = b.width() / 2 - road / 2, halfH = b.height() / 2 - road / 2;
    for (const QPointF corner :
         {b.topLeft(), QPointF(b.center().x() + road / 2, b.top()),
          QPointF(b.left(), b.center().y() + road / 2), b.center() + QPointF(road / 2, road / 2)})
        p.drawRoundedRect(QRectF(corner.x() + m, corner.y() + m, halfW - 2 * m, halfH - 2 * m),
                          road * 0.3, road * 0.3);
    drawRoads(p, b.adjusted(2, 2, -2, -2), road, true);
    // Little trees along the roads make it a town, not a grid.
    for (const QPointF f :
         {QPointF(0.33, 0.42), QPointF(0.67, 0.42), QPointF(0.33, 0.6), QPointF(0.67, 0.6)}) {
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x5b, 0xaa, 0x3a));
        p.drawEllipse(QPointF(b.left() + f.x() * b.width(), b.top() + f.y() * b.height()),
                      road * 0.22, road * 0.22);
    }
}

struct Place
{
    Building look;
    const char *label;
    bool top;  // above Park Street, else below
    bool left; // left of Green Street, else right
    int cell;  // 0 or 1 across its block, of `cells`
    int cells;
};

// A labelled map for the exercises: Park Street across, Green Street up and down, and the
// places in the blocks between them, where the sentences about them put them.
void drawLabelledMap(QPainter &p, const QRectF &r, const QList<Place> &places)
{
    const QRectF b = r;
    outline(p, 1.5, QColor(0x8a, 0x7a, 0x5a));
    p.setBrush(QColor(0xf3, 0xea, 0xc8));
    p.drawRoundedRect(b, 8, 8);
    const qreal road = std::min(b.width(), b.height()) * 0.13;
    drawRoads(p, b.adjusted(2, 2, -2, -2), road, false);

    const qreal labelPx = std::clamp(std::min(b.width() * 0.045, b.height() * 0.05), 6.0, 11.0);
    p.setFont(Fonts::latin(labelPx * 0.95, false));
    p.setPen(QColor(0xff, 0xff, 0xff));
    p.drawText(QRectF(b.left() + 4, b.center().y() - road / 2, b.width() / 2 - road, road),
               Qt::AlignCenter, QStringLiteral("Park Street"));
    p.save();
    p.translate(b.center().x(), b.top() + b.height() * 0.22);
    p.rotate(-90);
    p.drawText(QRectF(-b.height() * 0.22, -road / 2, b.height() * 0.44, road), Qt::AlignCenter,
               QStringLiteral("Green Street"));
    p.restore();

    const qreal blockW = (b.width() - road) / 2, blockH = (b.height() - road) / 2;
    for (const Place &place : places) {
        const QRectF block(place.left ? b.left() : b.center().x() + road / 2,
                           place.top ? b.top() : b.center().y() + road / 2, blockW, blockH);
        const qreal cellW = block.width() / place.cells;
        const QRectF cell(block.left() + cellW * place.cell, block.top(), cellW, block.height());
        const qreal size = std::min(cellW * 0.7, (block.height() - labelPx * 1.6) * 0.8);
        const qreal labelTop = cell.bottom() - labelPx * 1.5;
        drawBuilding(
            p, QRectF(cell.center().x() - size / 2, labelTop - size - labelPx * 0.1, size, size),
            place.look);
        p.setFont(Fonts::latin(labelPx));
        p.setPen(ink);
        p.drawText(QRectF(cell.left() - cellW * 0.1, labelTop, cellW * 1.2, labelPx * 1.4),
                   Qt::AlignHCenter | Qt::AlignTop, QString::fromLatin1(place.label));
    }
    // Where the walk starts: at the bottom of Green Street.
    const QPointF start(b.center().x(), b.bottom() - road * 0.55);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xe0, 0x33, 0x3c));
    QPainterPath star;
    for (int n = 0; n < 10; ++n) {
        const qreal a = -std::numbers::pi / 2 + n * std::numbers::pi / 5;
        const QPointF pt =
            start + QPointF(std::cos(a), std::sin(a)) * (n % 2 ? road * 0.18 : road * 0.42);
        n ? star.lineTo(pt) : star.moveTo(pt);
    }
    star.closeSubpath();
    p.drawPath(star);
    // Its name on the road just above it, where no building or label is.
    p.setFont(Fonts::latin(std::min(labelPx, road * 0.3)));
    p.setPen(QColor(0xe0, 0x33, 0x3c));
    p.drawText(QRectF(start.x() - road / 2, start.y() - road * 1.25, road, road * 0.6),
               Qt::AlignCenter, QStringLiteral("Start"));
}

const Building cinemaLook{QColor(0xf7, 0xd6, 0xe0), QColor(0x8e, 0x5c, 0xc2), Roof::Flat, filmIcon,
                          1};
const Building hospitalLook{QColor(0xff, 0xff, 0xff), QColor(0x7f, 0xb8, 0xe6), Roof::Flat,
                            crossIcon, 2};
const Building museumLook{QColor(0xf1, 0xe6, 0xcf), QColor(0xc9, 0xb2, 0x88), Roof::Temple,
                          atomIcon, 1};
const Building postLook{QColor(0xc8, 0xe6, 0xc1), QColor(0x2e, 0x8b, 0x57), Roof::Flat,
                        envelopeIcon, 2};
const Building restaurantLook{QColor(0xff, 0xf0, 0xd0), QColor(0xd9, 0x53, 0x4f), Roof::Flat,
                              pizzaIcon, 1};
const Building bookstoreLook{QColor(0xff, 0xe9, 0xb8), QColor(0xf2, 0x8c, 0x28), Roof::Gable,
                             bookIcon, 1};
const Building libraryLook{QColor(0xff, 0xe9, 0xb8), QColor(0x3a, 0x86, 0xd4), Roof::Gable,
                           bookIcon, 2};

// The cinema next to the hospital, the post office near the museum, the restaurant on Park
// Street: what the writing exercise asks about.
void drawBigMap(QPainter &p, const QRectF &r)
{
    drawLabelledMap(p, r,
                    {{hospitalLook, "hospital", true, true, 0, 2},
                     {cinemaLook, "cinema", true, true, 1, 2},
                     {museumLook, "museum", true, false, 0, 2},
                     {postLook, "post office", true, false, 1, 2},
                     {bookstoreLook, "bookstore", false, true, 0, 1},
                     {restaurantLook, "restaurant", false, false, 0, 1}});
}

// Fewer places, for a small map: left at the crossing to the cinema, right to the museum.
void drawTownMap(QPainter &p, const QRectF &r)
{
    drawLabelledMap(p, r,
                    {{cinemaLook, "cinema", true, true, 0, 1},
                     {museumLook, "museum", true, false, 0, 1},
                     {bookstoreLook, "bookstore", false, true, 0, 1},
                     {restaurantLook, "restaurant", false, false, 0, 1}});
}

using Drawer = std::function<void(QPainter &, const QRectF &)>;

const std::map<QString, Drawer> &pictures()
{
    static const std::map<QString, Drawer> all = {
        {QStringLiteral("library"),
         [](QPainter &p, const QRectF &r) { drawBuilding(p, r, libraryLook); }},
        {QStringLiteral("bookstore"),
         [](QPainter &p, const QRectF &r) { drawBuilding(p, r, bookstoreLook); }},
        {QStringLiteral("postoffice"),
         [](QPainter &p, const QRectF &r) { drawBuilding(p, r, postLook); }},
        {QStringLiteral("hospital"),
         [](QPainter &p, const QRectF &r) { drawBuilding(p, r, hospitalLook); }},
        {QStringLiteral("cinema"),
         [](QPainter &p, const QRectF &r) { drawBuilding(p, r, cinemaLook); }},
        {QStringLiteral("museum"),
         [](QPainter &p, const QRectF &r) { drawBuilding(p, r, museumLook); }},
        {QStringLiteral("restaurant"),
         [](QPainter &p, const QRectF &r) { drawBuilding(p, r, restaurantLook); }},
        {QStringLiteral("house"), drawHouse},
        {QStringLiteral("boy"), [](QPainter &p, const QRectF &r) { drawPerson(p, r, Look::Boy); }},
        {QStringLiteral("girl"),
         [](QPainter &p, const QRectF &r) { drawPerson(p, r, Look::Girl); }},
        {QStringLiteral("man"), [](QPainter &p, const QRectF &r) { drawPerson(p, r, Look::Man); }},
        {QStringLiteral("grandpa"),
         [](QPainter &p, const QRectF &r) { drawPerson(p, r, Look::Grandpa); }},
        {QStringLiteral("robot"), [](QPainter &p, const QRectF &r) { drawRobot(p, r, false); }},
        {QStringLiteral("robotgps"), [](QPainter &p, const QRectF &r) { drawRobot(p, r, true); }},
        {QStringLiteral("tree"), drawTree},
        {QStringLiteral("present"), drawPresent},
        {QStringLiteral("books"), drawBooks},
        {QStringLiteral("signpost"), drawSignpost},
        {QStringLiteral("crossing"), drawCrossing},
        {QStringLiteral("arrowleft"),
         [](QPainter &p, const QRectF &r) { drawArrowSign(p, r, -90); }},
        {QStringLiteral("arrowright"),
         [](QPainter &p, const QRectF &r) { drawArrowSign(p, r, 90); }},
        {QStringLiteral("arrowup"), [](QPainter &p, const QRectF &r) { drawArrowSign(p, r, 0); }},
        {QStringLiteral("map"), drawMap},
        {QStringLiteral("bigmap"), drawBigMap},
        {QStringLiteral("townmap"), drawTownMap},
    };
    return all;
}

void drawCloud(QPainter &p, QPointF c, qreal s)
{
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xff, 0xff, 230));
    p.drawEllipse(c, s, s * 0.6);
    p.drawEllipse(c + QPointF(-s * 0.8, s * 0.15), s * 0.6, s * 0.42);
    p.drawEllipse(c + QPointF(s * 0.8, s * 0.15), s * 0.6, s * 0.42);
}

} // namespace

namespace Pictures {

QFont fittedFont(const QString &text, const QRectF &box, int maxPx, int minPx, bool bold,
                 bool italic, int flags, bool *fits)
{
    const auto px = largestFitting(maxPx, minPx, [&](int size) {
        const QRectF used = QFontMetricsF(Fonts::latin(size, bold, italic))
                                .boundingRect(box, flags | Qt::TextWordWrap, text);
        return used.width() <= box.width() + 0.01 && used.height() <= box.height() + 0.01;
    });
    if (fits)
        *fits = px.has_value();
    return Fonts::latin(px.value_or(minPx), bold, italic);
}

bool isPicture(const QString &name)
{
    return pictures().contains(name);
}

void drawPicture(QPainter &painter, const QString &name, const QRectF &rect)
{
    const auto found = pictures().find(name);
    if (found == pictures().end())
        return;
    painter.save();
    found->second(painter, rect);
    painter.restore();
}

bool isPanel(const QString &name)
{
    return name == u"street" || name == u"room";
}

void drawPanel(QPainter &painter, const QString &name, const QRectF &rect)
{
    QPainter &p = painter;
    p.save();
    const qreal radius = 8;
    QPainterPath frame;
    frame.addRoundedRect(rect, radius, radius);
    p.setClipPath(frame);
    if (name == u"street") {
        QLinearGradient sky(rect.topLeft(), rect.bottomLeft());
        sky.setColorAt(0, QColor(0xa8, 0xd8, 0xf5));
        sky.setColorAt(1, QColor(0xe6, 0xf5, 0xff));
        p.fillRect(rect, sky);
        drawCloud(p, rect.topLeft() + QPointF(rect.width() * 0.2, rect.height() * 0.16),
                  rect.height() * 0.08);
        drawCloud(p, rect.topLeft() + QPointF(rect.width() * 0.72, rect.height() * 0.1),
                  rect.height() * 0.06);
        p.fillRect(QRectF(rect.left(), rect.bottom() - rect.height() * 0.14, rect.width(),
                          rect.height() * 0.14),
                   QColor(0x9c, 0xd0, 0x7a));
        p.fillRect(QRectF(rect.left(), rect.bottom() - rect.height() * 0.07, rect.width(),
                          rect.height() * 0.07),
                   QColor(0xc9, 0xc4, 0xbb));
    } else {
        p.fillRect(rect, QColor(0xff, 0xf1, 0xc9));
        p.fillRect(QRectF(rect.left(), rect.bottom() - rect.height() * 0.16, rect.width(),
                          rect.height() * 0.16),
                   QColor(0xc8, 0x96, 0x64));
        // A window on the wall.
        const QRectF window(rect.left() + rect.width() * 0.42, rect.top() + rect.height() * 0.14,
                            rect.width() * 0.16, rect.height() * 0.36);
        outline(p, 1.2);
        p.setBrush(QColor(0xbf, 0xe4, 0xf7));
        p.drawRect(window);
        p.drawLine(QPointF(window.center().x(), window.top()),
                   QPointF(window.center().x(), window.bottom()));
        p.drawLine(QPointF(window.left(), window.center().y()),
                   QPointF(window.right(), window.center().y()));
    }
    p.setClipping(false);
    outline(p, 2);
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(rect, radius, radius);
    p.restore();
}

} // namespace Pictures

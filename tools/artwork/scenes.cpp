#include "scenes.h"

#include "artwork.h"

#include "content/layout.h"
#include "tools/common/fonts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <tuple>

namespace Scenes {
namespace {

using namespace Art;

const QColor petalColours[] = {{0xFF, 0x8F, 0xA3},
                               {0xFF, 0xFF, 0xFF},
                               {0xB3, 0x9D, 0xFF},
                               {0xFF, 0xB3, 0x47},
                               {0x7F, 0xC8, 0xFF}};

// A picture of `size` logical pixels drawn at `scale` times as many, so that a screen at 200 %
// shows it at its own pixels; painting on it stays in logical pixels.
QImage canvas(QSize size, int scale, bool transparent = false)
{
    QImage image(size * scale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(scale);
    image.fill(transparent ? QColor(Qt::transparent) : QColor(Qt::white));
    return image;
}

void prepare(QPainter &p)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
}

void flowersAlong(QPainter &p, qreal left, qreal right, qreal baseline, qreal radius, int step,
                  int seed)
{
    int i = seed;
    for (qreal x = left; x < right; x += step, ++i)
        flower(p, QPointF(x + (i * 37 % 17), baseline - (i * 53 % 11)), radius,
               petalColours[i % 5]);
}

void rainbow(QPainter &p, QPointF centre, qreal radius, qreal band, int alpha)
{
    static const QColor bands[] = {{0xFF, 0x6B, 0x6B}, {0xFF, 0xA9, 0x4D}, {0xFF, 0xE0, 0x66},
                                   {0x69, 0xDB, 0x7C}, {0x4D, 0xAB, 0xF7}, {0x97, 0x75, 0xFA}};
    p.save();
    p.setBrush(Qt::NoBrush);
    for (int i = 0; i < 6; ++i) {
        QColor c = bands[i];
        c.setAlpha(alpha);
        p.setPen(QPen(c, band, Qt::SolidLine, Qt::FlatCap));
        const qreal r = radius - i * band;
        p.drawArc(QRectF(centre.x() - r, centre.y() - r, 2 * r, 2 * r), 0, 180 * 16);
    }
    p.restore();
}

// A check mark or a cross, for the right and wrong counters.
void mark(QPainter &p, QPointF centre, qreal size, bool right)
{
    p.save();
    p.setPen(Qt::NoPen);
    p.setBrush(right ? QColor(0x3C, 0xB3, 0x71) : QColor(0xE8, 0x5A, 0x5A));
    p.drawEllipse(centre, size / 2, size / 2);
    p.setPen(QPen(Qt::white, size * 0.13, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (right) {
        QPainterPath tick;
        tick.moveTo(centre + QPointF(-size * 0.22, 0));
        tick.lineTo(centre + QPointF(-size * 0.05, size * 0.17));
        tick.lineTo(centre + QPointF(size * 0.24, -size * 0.17));
        p.setBrush(Qt::NoBrush);
        p.drawPath(tick);
    } else {
        const qreal a = size * 0.17;
        p.drawLine(centre + QPointF(-a, -a), centre + QPointF(a, a));
        p.drawLine(centre + QPointF(-a, a), centre + QPointF(a, -a));
    }
    p.restore();
}

} // namespace

QImage splash(int scale)
{
    QImage image = canvas({800, 441}, scale);
    QPainter p(&image);
    prepare(p);
    const QRectF all(0, 0, 800, 441);
    sky(p, all, 330);
    rainbow(p, QPointF(560, 380), 330, 16, 90);
    sun(p, QPointF(88, 78), 44);
    cloud(p, QPointF(300, 70), 150);
    cloud(p, QPointF(700, 60), 120);
    cloud(p, QPointF(520, 130), 90);
    hills(p, all, 340, 3);
    grassTufts(p, 0, 800, 441, 3);
    flowersAlong(p, 30, 780, 420, 7, 70, 1);

    owl(p, QPointF(170, 396), 230, OwlPose::Reading);

    title(p, QPointF(318, 238), 104);
    outlinedText(p, QPointF(336, 300), QStringLiteral("快乐英语 · 点读乐园"), Fonts::chinese(34),
                 Colour::ink, 3);
    outlinedText(p, QPointF(338, 338), QStringLiteral("Listen, point and learn!"),
                 Fonts::latin(20, false), QColor(0x3B, 0x7D, 0xC0), 2.5);

    letterBlock(p, QPointF(640, 392), 40, u'A', QColor(0xFF, 0x6B, 0x6B), -8);
    letterBlock(p, QPointF(688, 396), 40, u'B', QColor(0x33, 0x9A, 0xF0), 5);
    letterBlock(p, QPointF(736, 392), 40, u'C', QColor(0x51, 0xCF, 0x66), -4);
    letterBlock(p, QPointF(688, 352), 38, u'D', QColor(0xFF, 0xA9, 0x4D), 3);
    return image;
}

QImage backdrop(int scale)
{
    // Stretched to whatever screen the program runs on, so it carries no writing that would
    // look squashed; the page covers the middle, the full-screen buttons sit on the grass.
    QImage image = canvas({1680, 1050}, scale);
    QPainter p(&image);
    prepare(p);
    const QRectF all(0, 0, 1680, 1050);
    sky(p, all, 760);
    // The page buttons take the top corners, so the sun stands lower, over the hills.
    sun(p, QPointF(150, 330), 62, false);
    for (const auto &[x, y, w] : {std::tuple{330.0, 80.0, 220.0},
                                  {980.0, 60.0, 260.0},
                                  {1500.0, 150.0, 240.0},
                                  {120.0, 560.0, 170.0},
                                  {1610.0, 470.0, 150.0},
                                  {1300.0, 300.0, 120.0},
                                  {640.0, 200.0, 140.0}})
        cloud(p, QPointF(x, y), w);
    hills(p, all, 790, 11);
    grassTufts(p, 0, 1680, 1050, 11);
    flowersAlong(p, 40, 1660, 1030, 9, 95, 2);
    flowersAlong(p, 90, 1640, 980, 7, 140, 4);
    return image;
}

QImage quitIcon(int scale)
{
    QImage image = canvas({150, 150}, scale, true);
    QPainter p(&image);
    prepare(p);
    // A soft round badge so the owl reads on any dialog colour.
    QRadialGradient badge(QPointF(75, 80), 72);
    badge.setColorAt(0, QColor(0xE2, 0xF5, 0xFF));
    badge.setColorAt(1, QColor(0xA9, 0xDC, 0xF7));
    p.setPen(QPen(QColor(0x74, 0xC6, 0xF0), 3));
    p.setBrush(badge);
    p.drawEllipse(QPointF(75, 78), 68, 68);
    p.save();
    p.setClipRegion(QRegion(QRect(7, 10, 137, 137), QRegion::Ellipse));
    hills(p, QRectF(0, 0, 150, 150), 118, 5);
    p.restore();
    owl(p, QPointF(62, 136), 108, OwlPose::Waving);

    // "Bye!" in a speech bubble.
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(88, 8, 58, 32), 14, 14);
    QPainterPath tail;
    tail.moveTo(98, 34);
    tail.lineTo(92, 50);
    tail.lineTo(110, 38);
    tail.closeSubpath();
    bubble = bubble.united(tail);
    p.setPen(QPen(QColor(0xF5, 0xA6, 0x23), 2.5));
    p.setBrush(Qt::white);
    p.drawPath(bubble);
    p.setPen(QColor(0xE8, 0x5A, 0x5A));
    p.setFont(Fonts::latin(17));
    p.drawText(QRectF(88, 8, 58, 32), Qt::AlignCenter, QStringLiteral("Bye!"));
    return image;
}

QImage appIcon(int size)
{
    QImage image = canvas({size, size}, 1, true);
    QPainter p(&image);
    prepare(p);
    // Drawn on a 100 x 100 grid.
    p.scale(size / 100.0, size / 100.0);
    const QRectF badge(3, 3, 94, 94);
    QPainterPath round;
    round.addEllipse(badge);
    p.save();
    p.setClipPath(round);
    sky(p, badge, 72);
    sun(p, QPointF(80, 22), 9, false);
    hills(p, badge, 70, 5);
    p.restore();
    p.setPen(QPen(QColor(0x3B, 0x9C, 0xD9), 3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(badge.adjusted(1.5, 1.5, -1.5, -1.5));
    owl(p, QPointF(50, 92), 78, OwlPose::Reading);
    return image;
}

QImage windowBackground(int scale)
{
    QImage image = canvas(Layout::windowSize, scale);
    QPainter p(&image);
    prepare(p);
    const QRectF all(QPointF(0, 0), QSizeF(Layout::windowSize));
    const QRectF page(Layout::pageArea);
    sky(p, all, 560);

    // Title band above the page.
    sun(p, QPointF(1040, 44), 28);
    cloud(p, QPointF(760, 40), 110);
    cloud(p, QPointF(930, 62), 70);
    cloud(p, QPointF(60, 40), 90);
    title(p, QPointF(150, 74), 60);
    outlinedText(p, QPointF(395, 70), QStringLiteral("快乐英语 · 点读乐园"), Fonts::chinese(26),
                 Colour::ink, 2.5);

    // Meadow under everything, seen at the sides and behind the bottom row.
    hills(p, all, 600, 7);
    grassTufts(p, 0, 1100, 723, 7);
    flowersAlong(p, 10, 120, 700, 6, 36, 3);
    flowersAlong(p, 1050, 1095, 690, 6, 30, 5);

    // The owl above the page buttons, perched on a branch.
    p.save();
    p.setPen(QPen(QColor(0x8B, 0x5A, 0x2B), 7, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(-5, 362), QPointF(112, 352));
    p.setPen(Qt::NoPen);
    p.setBrush(Colour::grass);
    p.drawEllipse(QPointF(96, 344), 10, 5);
    p.drawEllipse(QPointF(30, 352), 9, 4);
    p.restore();
    owl(p, QPointF(62, 360), 118, OwlPose::Reading);
    cloud(p, QPointF(60, 170), 80);

    // A frame round the page, as if the book lay on a cushion.
    panel(p, page.adjusted(-11, -9, 11, 12), 16, Colour::cream, Colour::woodEdge, 2);
    p.fillRect(page, QColor(0xF4, 0xF1, 0xE8));

    // The rail that holds the four page buttons on the left.
    panel(p, QRectF(-12, 414, 120, 202), 14, QColor(255, 251, 238, 235), Colour::woodEdge, 2);

    // The shelf the bottom row of buttons stands on.
    panel(p, QRectF(150, 670, 900, 50), 14, Colour::wood, Colour::woodEdge, 2);

    // Letter blocks stacked at the right edge.
    letterBlock(p, QPointF(1072, 640), 38, u'A', QColor(0xFF, 0x6B, 0x6B), -6);
    letterBlock(p, QPointF(1073, 598), 36, u'B', QColor(0x33, 0x9A, 0xF0), 4);
    letterBlock(p, QPointF(1071, 558), 34, u'C', QColor(0x51, 0xCF, 0x66), -3);
    return image;
}

QImage wordBackground(int scale)
{
    // Widget places of the practice view, in view coordinates.
    const QRectF unitBox(890, 75, 110, 35);
    const QRectF answer(404, 201, 379, 44);
    const QRectF meaning(414, 283, 379, 44);
    const QRectF rightCount(334, 350, 50, 50);
    const QRectF wrongCount(334, 415, 50, 50);
    const QRectF start(818, 204, 90, 36);
    const QRectF back(874, 572, 90, 36);

    QImage image = canvas(Layout::windowSize, scale);
    QPainter p(&image);
    prepare(p);
    const QRectF all(QPointF(0, 0), QSizeF(Layout::windowSize));
    sky(p, all, 560);
    cloud(p, QPointF(520, 60), 120);
    cloud(p, QPointF(700, 110), 70);
    hills(p, all, 575, 9);
    grassTufts(p, 0, 1100, 723, 9);
    flowersAlong(p, 30, 800, 700, 7, 80, 2);

    // Heading with the owl.
    owl(p, QPointF(88, 128), 100, OwlPose::Standing);
    outlinedText(p, QPointF(150, 86), QStringLiteral("背单词"), Fonts::chinese(46),
                 QColor(0xFF, 0x8C, 0x32), 3.5);
    outlinedText(p, QPointF(154, 122), QStringLiteral("Spelling time!"), Fonts::latin(22),
                 QColor(0x3B, 0x7D, 0xC0), 2.5);

    // Unit choice, top right, on a small board of its own.
    panel(p,
          QRectF(unitBox.left() - 120, unitBox.top() - 10, unitBox.width() + 134,
                 unitBox.height() + 20),
          14, QColor(255, 251, 238, 230), Colour::woodEdge, 2);
    caption(p, unitBox.left() - 10, unitBox.center().y(), QStringLiteral("选择单元"),
            Fonts::chinese(22), Colour::ink);

    // The practice card. Widget areas stay plain paper so text drawn over them reads well.
    panel(p, QRectF(224, 160, 720, 380), 22, Colour::cream, Colour::woodEdge, 3);
    // A thin strip of colour along the card's top, like a notebook.
    p.save();
    p.setClipRect(QRectF(224, 160, 720, 18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x7F, 0xC8, 0xFF));
    p.drawRoundedRect(QRectF(225.5, 161.5, 717, 40), 20, 20);
    p.restore();

    const QFont captionFont = Fonts::chinese(24);
    caption(p, answer.left() - 12, answer.center().y(), QStringLiteral("拼写"), captionFont,
            Colour::ink);
    caption(p, answer.left() - 12, meaning.center().y(), QStringLiteral("中文意思"), captionFont,
            Colour::ink);

    // A pale band behind the meaning, so the word to spell stands out.
    p.setPen(QPen(QColor(0xF2, 0xD2, 0x8A), 1.5));
    p.setBrush(QColor(0xFF, 0xF4, 0xD6));
    p.drawRoundedRect(meaning.adjusted(-6, -2, 6, 2), 10, 10);

    // The counters: a white badge behind each number, the caption and a mark beside it.
    for (const auto &[box, text, right] : {std::tuple{rightCount, QStringLiteral("答对"), true},
                                           {wrongCount, QStringLiteral("答错"), false}}) {
        p.setPen(QPen(right ? QColor(0x9C, 0xC8, 0xF5) : QColor(0xF5, 0xA8, 0xA8), 2));
        p.setBrush(Qt::white);
        p.drawRoundedRect(box.adjusted(-2, -2, 2, 2), 12, 12);
        caption(p, box.left() - 12, box.center().y(), text, captionFont, Colour::ink);
        mark(p, QPointF(box.left() - 90, box.center().y()), 24, right);
    }

    // The start and check buttons share this place; a soft spot marks it.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xFF, 0xE9, 0xB8));
    p.drawRoundedRect(start.adjusted(-6, -6, 6, 6), 14, 14);

    // The back button sits on a little signpost base at the bottom right.
    panel(p, back.adjusted(-8, -8, 8, 8), 14, Colour::wood, Colour::woodEdge, 2);

    letterBlock(p, QPointF(640, 640), 40, u'A', QColor(0xFF, 0x6B, 0x6B), -6);
    letterBlock(p, QPointF(690, 644), 40, u'B', QColor(0x33, 0x9A, 0xF0), 4);
    letterBlock(p, QPointF(740, 640), 40, u'C', QColor(0x51, 0xCF, 0x66), -3);
    return image;
}

} // namespace Scenes

#include "faces.h"

#include "artwork.h"
#include "content/interfaceimage.h"
#include "tools/common/failure.h"
#include "tools/common/fonts.h"
#include "tools/common/textfit.h"

#include <QFontMetricsF>
#include <QHash>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>
#include <numbers>

namespace Faces {
namespace {

enum class Look { Normal, Hover, Pressed };

// The sprite images and their sizes; the style sheets' numbers are counted from these edges.
struct Sprite
{
    QString file;
    QSize size;
    bool tiles; // fullbutton.png: light, blue and dark tiles rather than coloured candies
};
const Sprite sprites[] = {
    {QStringLiteral("button.png"), {300, 194}, false},
    {QStringLiteral("interact.png"), {318, 420}, false},
    {QStringLiteral("fullbutton.png"), {299, 345}, true},
    // The practice's history button, in its three looks one above the other.
    {QStringLiteral("history.png"), {100, 130}, false},
    // The reading helps, in a row per button and a column per look.
    {QStringLiteral("readbutton.png"), {284, 122}, false},
    {QStringLiteral("readfullbutton.png"), {218, 149}, true},
};

Look lookOf(const SheetRule &rule)
{
    if (rule.state == u"hover")
        return Look::Hover;
    if (rule.state == u"pressed")
        return Look::Pressed;
    return Look::Normal;
}

// One face on a sprite image: the union of every slice that shows it (where it must be
// painted) and their intersection (where its label must fit whole).
struct Cell
{
    QString label;
    Look look = Look::Normal;
    QRect area;
    QRect common;
};

// Each button its own colour, so a child finds "the green one" again; the page buttons share
// one blue because they are a pair.
QColor candyColour(const QString &label)
{
    static const QHash<QString, QColor> colours{
        {QStringLiteral("目录"), QColor(0x43, 0xB0, 0x5C)},
        {QStringLiteral("上一页"), QColor(0x2E, 0x9B, 0xE0)},
        {QStringLiteral("下一页"), QColor(0x2E, 0x9B, 0xE0)},
        {QStringLiteral("退出"), QColor(0xE8, 0x5A, 0x5A)},
        {QStringLiteral("找一找"), QColor(0xFF, 0x8C, 0x32)},
        {QStringLiteral("全屏"), QColor(0x7E, 0x5B, 0xD6)},
        {QStringLiteral("动画"), QColor(0xE8, 0x5D, 0xA0)},
        {QStringLiteral("背单词"), QColor(0x2F, 0xAE, 0x7A)},
        {QStringLiteral("跳页"), QColor(0x1F, 0xA5, 0xB0)},
        {QStringLiteral("下一个"), QColor(0xFF, 0x8C, 0x32)},
        {QStringLiteral("返回"), QColor(0x2E, 0x9B, 0xE0)},
        {QStringLiteral("学习记录"), QColor(0x9B, 0x59, 0xD0)},
        {QStringLiteral("连读"), QColor(0xF2, 0xB1, 0x1D)},
        {QStringLiteral("复读"), QColor(0x5C, 0x7C, 0xE6)},
        {QStringLiteral("跟读"), QColor(0xE0, 0x6C, 0x4C)},
    };
    return colours.value(label, QColor(0x88, 0x88, 0x88));
}

// Small line icons drawn beside a label when the face is wide enough for both.
void icon(QPainter &p, const QString &label, const QRectF &box, const QColor &colour)
{
    const qreal s = box.height();
    const qreal w = std::max<qreal>(1.4, s * 0.16);
    const QPointF c = box.center();
    p.save();
    p.setPen(QPen(colour, w, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    auto triangle = [&](int direction) {
        QPainterPath path;
        path.moveTo(c.x() - direction * s * 0.3, c.y() - s * 0.38);
        path.lineTo(c.x() + direction * s * 0.36, c.y());
        path.lineTo(c.x() - direction * s * 0.3, c.y() + s * 0.38);
        path.closeSubpath();
        p.setBrush(colour);
        p.drawPath(path);
    };
    if (label == u"目录") {
        for (int i = -1; i <= 1; ++i) {
            const qreal y = c.y() + i * s * 0.3;
            p.drawPoint(QPointF(c.x() - s * 0.36, y));
            p.drawLine(QPointF(c.x() - s * 0.12, y), QPointF(c.x() + s * 0.42, y));
        }
    } else if (label == u"上一页") {
        triangle(-1);
    } else if (label == u"下一页") {
        triangle(1);
    } else if (label == u"退出") {
        p.drawRoundedRect(QRectF(c.x() - s * 0.42, c.y() - s * 0.42, s * 0.5, s * 0.84), s * 0.06,
                          s * 0.06);
        p.drawLine(QPointF(c.x() - s * 0.1, c.y()), QPointF(c.x() + s * 0.42, c.y()));
        p.drawLine(QPointF(c.x() + s * 0.24, c.y() - s * 0.18), QPointF(c.x() + s * 0.42, c.y()));
        p.drawLine(QPointF(c.x() + s * 0.24, c.y() + s * 0.18), QPointF(c.x() + s * 0.42, c.y()));
    } else if (label == u"找一找") {
        p.drawEllipse(QPointF(c.x() - s * 0.08, c.y() - s * 0.08), s * 0.27, s * 0.27);
        p.setPen(QPen(colour, w * 1.5, Qt::SolidLine, Qt::RoundCap));
        p.drawLine(QPointF(c.x() + s * 0.14, c.y() + s * 0.14),
                   QPointF(c.x() + s * 0.4, c.y() + s * 0.4));
    } else if (label == u"全屏") {
        const qreal a = s * 0.4;
        const qreal b = s * 0.16;
        for (int sx : {-1, 1})
            for (int sy : {-1, 1}) {
                const QPointF corner(c.x() + sx * a, c.y() + sy * a);
                p.drawLine(corner, corner - QPointF(sx * b, 0));
                p.drawLine(corner, corner - QPointF(0, sy * b));
            }
    } else if (label == u"动画") {
        p.drawEllipse(c, s * 0.42, s * 0.42);
        QPainterPath play;
        play.moveTo(c.x() - s * 0.12, c.y() - s * 0.2);
        play.lineTo(c.x() + s * 0.22, c.y());
        play.lineTo(c.x() - s * 0.12, c.y() + s * 0.2);
        play.closeSubpath();
        p.setBrush(colour);
        p.drawPath(play);
    } else if (label == u"背单词") {
        p.translate(c);
        p.rotate(-45);
        p.drawRect(QRectF(-s * 0.3, -s * 0.12, s * 0.5, s * 0.24));
        QPainterPath tip;
        tip.moveTo(s * 0.2, -s * 0.12);
        tip.lineTo(s * 0.44, 0);
        tip.lineTo(s * 0.2, s * 0.12);
        p.drawPath(tip);
    } else if (label == u"跳页") {
        QPainterPath hop;
        hop.moveTo(c.x() - s * 0.42, c.y() + s * 0.3);
        hop.cubicTo(c.x() - s * 0.3, c.y() - s * 0.5, c.x() + s * 0.2, c.y() - s * 0.5,
                    c.x() + s * 0.32, c.y() + s * 0.22);
        p.drawPath(hop);
        p.drawLine(QPointF(c.x() + s * 0.32, c.y() + s * 0.22),
                   QPointF(c.x() + s * 0.1, c.y() + s * 0.12));
        p.drawLine(QPointF(c.x() + s * 0.32, c.y() + s * 0.22),
                   QPointF(c.x() + s * 0.4, c.y() - s * 0.02));
    } else if (label == u"连读") {
        // Two sentences played one after the other.
        for (qreal dx : {-0.2, 0.14}) {
            QPainterPath play;
            play.moveTo(c.x() + s * (dx - 0.18), c.y() - s * 0.3);
            play.lineTo(c.x() + s * (dx + 0.16), c.y());
            play.lineTo(c.x() + s * (dx - 0.18), c.y() + s * 0.3);
            play.closeSubpath();
            p.setBrush(colour);
            p.drawPath(play);
        }
    } else if (label == u"复读") {
        // Round and round again.
        const QRectF ring(c.x() - s * 0.34, c.y() - s * 0.34, s * 0.68, s * 0.68);
        p.drawArc(ring, 30 * 16, 300 * 16);
        const QPointF end(c.x() + s * 0.34 * std::cos(std::numbers::pi / 6),
                          c.y() - s * 0.34 * std::sin(std::numbers::pi / 6));
        p.drawLine(end, end + QPointF(-s * 0.2, -s * 0.04));
        p.drawLine(end, end + QPointF(s * 0.04, -s * 0.2));
    } else if (label == u"跟读") {
        // A microphone on its stand.
        p.drawRoundedRect(QRectF(c.x() - s * 0.13, c.y() - s * 0.44, s * 0.26, s * 0.5), s * 0.13,
                          s * 0.13);
        p.drawArc(QRectF(c.x() - s * 0.26, c.y() - s * 0.26, s * 0.52, s * 0.48), 180 * 16,
                  180 * 16);
        p.drawLine(QPointF(c.x(), c.y() + s * 0.22), QPointF(c.x(), c.y() + s * 0.42));
        p.drawLine(QPointF(c.x() - s * 0.16, c.y() + s * 0.42),
                   QPointF(c.x() + s * 0.16, c.y() + s * 0.42));
    } else if (label == u"下一个") {
        for (qreal dx : {-0.2, 0.12}) {
            p.drawLine(QPointF(c.x() + s * (dx - 0.12), c.y() - s * 0.3),
                       QPointF(c.x() + s * (dx + 0.14), c.y()));
            p.drawLine(QPointF(c.x() + s * (dx + 0.14), c.y()),
                       QPointF(c.x() + s * (dx - 0.12), c.y() + s * 0.3));
        }
    } else if (label == u"返回") {
        QPainterPath back;
        back.moveTo(c.x() - s * 0.3, c.y() - s * 0.12);
        back.lineTo(c.x() + s * 0.12, c.y() - s * 0.12);
        back.cubicTo(c.x() + s * 0.5, c.y() - s * 0.12, c.x() + s * 0.5, c.y() + s * 0.38,
                     c.x() + s * 0.12, c.y() + s * 0.38);
        back.lineTo(c.x() - s * 0.1, c.y() + s * 0.38);
        p.drawPath(back);
        p.drawLine(QPointF(c.x() - s * 0.3, c.y() - s * 0.12),
                   QPointF(c.x() - s * 0.1, c.y() - s * 0.34));
        p.drawLine(QPointF(c.x() - s * 0.3, c.y() - s * 0.12),
                   QPointF(c.x() - s * 0.1, c.y() + s * 0.1));
    } else if (label == u"学习记录") {
        // Three bars rising on a base line: scores getting better.
        p.drawLine(QPointF(c.x() - s * 0.42, c.y() + s * 0.4),
                   QPointF(c.x() + s * 0.42, c.y() + s * 0.4));
        const qreal heights[] = {0.3, 0.5, 0.72};
        for (int i = 0; i < 3; ++i) {
            const qreal x = c.x() + (i - 1) * s * 0.27;
            p.drawLine(QPointF(x, c.y() + s * 0.28), QPointF(x, c.y() + s * (0.28 - heights[i])));
        }
    }
    p.restore();
}

// How a label is set: one size and one decision on the icon for all looks of a button, so
// the face does not jump when the pointer comes or the button goes down.
struct LabelFit
{
    qreal pixelSize = 12;
    bool icon = false;
};

constexpr qreal labelPadding = 3;

qreal iconSizeFor(qreal pixelSize)
{
    return std::round(pixelSize * 0.9);
}

qreal iconGapFor(qreal pixelSize)
{
    return std::max<qreal>(2, pixelSize * 0.22);
}

qreal textWidth(const QString &text, qreal pixelSize)
{
    return QFontMetricsF(Fonts::chinese(pixelSize)).horizontalAdvance(text);
}

// The largest label that fits `content`; with `withIcon`, an icon goes in front if the label
// need shrink by no more than a little to make room for it.
LabelFit fitLabel(QSizeF content, const QString &text, bool withIcon)
{
    const qreal room = content.width() - 2 * labelPadding;
    const int largest = int(std::floor(std::min(content.height() * 0.64, room / text.size())));
    // Below 9 pixels a label is not shrunk any further; it stays at 8 however wide.
    const int size = largestFitting(largest, 9, [&](int px) {
                         return textWidth(text, px) <= room;
                     }).value_or(std::min(largest, 8));
    if (withIcon) {
        const auto withRoomForIcon =
            largestFitting(size, int(std::floor(size * 0.85)), [&](int px) {
                return textWidth(text, px) + iconSizeFor(px) + iconGapFor(px) <= room;
            });
        if (withRoomForIcon)
            return {qreal(*withRoomForIcon), true};
    }
    return {qreal(size), false};
}

// The label, with its icon in front when the fit says so, centred on `content`.
void labelAndIcon(QPainter &p, const QRectF &content, const QString &text, const QColor &colour,
                  const QColor &shadow, const LabelFit &fit)
{
    const QFont font = Fonts::chinese(fit.pixelSize);
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text);
    const qreal iconSize = iconSizeFor(fit.pixelSize);
    const qreal gap = iconGapFor(fit.pixelSize);
    const qreal groupWidth = width + (fit.icon ? iconSize + gap : 0);
    const qreal left = content.center().x() - groupWidth / 2;
    const qreal middle = content.center().y();

    if (fit.icon) {
        const QRectF box(left, middle - iconSize / 2, iconSize, iconSize);
        if (shadow.alpha())
            icon(p, text, box.translated(0, 1), shadow);
        icon(p, text, box, colour);
    }
    const qreal textLeft = left + (fit.icon ? iconSize + gap : 0);
    // Ink centred on the middle: Chinese glyphs sit between the baseline and the ascent.
    const QRectF ink = metrics.tightBoundingRect(text);
    const qreal baseline = middle - ink.center().y();
    p.setFont(font);
    if (shadow.alpha()) {
        p.setPen(shadow);
        p.drawText(QPointF(textLeft, baseline + 1), text);
    }
    p.setPen(colour);
    p.drawText(QPointF(textLeft, baseline), text);
}

// The raised top of a key inside its face: a lip shows below it until the key is pressed.
QRectF keyRect(const Cell &cell, bool tiles)
{
    const QRectF outer(cell.area);
    if (cell.look == Look::Pressed)
        return outer.adjusted(1, 2, -1, -1);
    return outer.adjusted(1, 1, -1, tiles ? -2 : -3);
}

// Where the label goes: on the key top and inside the slice that every sheet shows for the
// face, so it is whole in each of them.
QRectF contentRect(const Cell &cell, bool tiles)
{
    const QRectF key = keyRect(cell, tiles);
    const QRectF common(cell.common);
    return QRectF(common.left(), key.top(), common.width(), key.height())
        .intersected(common)
        .adjusted(2, 1, -2, -1);
}

// Both key styles: an outlined lip filling the cell, and the key top on it in a vertical
// gradient.
void keyWithLip(QPainter &p, const QRectF &outer, const QRectF &key, qreal radius,
                const QColor &edge, const QColor &lip, const QColor &top, const QColor &bottom)
{
    p.setPen(QPen(edge, 1));
    p.setBrush(lip);
    p.drawRoundedRect(outer.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
    QLinearGradient fill(key.topLeft(), key.bottomLeft());
    fill.setColorAt(0, top);
    fill.setColorAt(1, bottom);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawRoundedRect(key, radius - 1, radius - 1);
}

// A round, glossy "candy" key with a lip underneath that disappears when it is pressed.
void candyFace(QPainter &p, const Cell &cell, const LabelFit &fit)
{
    const QColor base = candyColour(cell.label);
    const QRectF outer(cell.area);
    const qreal radius = std::min<qreal>(outer.height() * 0.3, 10);
    const bool pressed = cell.look == Look::Pressed;
    const bool hover = cell.look == Look::Hover;

    QColor top = base.lighter(128);
    QColor bottom = base;
    if (hover) {
        top = base.lighter(140);
        bottom = base.lighter(112);
    } else if (pressed) {
        top = base.darker(122);
        bottom = base.darker(104);
    }

    const QRectF key = keyRect(cell, false);
    keyWithLip(p, outer, key, radius, base.darker(160), base.darker(135), top, bottom);

    // Gloss on the upper half; a pressed key is in its own shade and has none.
    if (!pressed) {
        const QRectF gloss = key.adjusted(3, 2, -3, -key.height() * 0.52);
        QLinearGradient shine(gloss.topLeft(), gloss.bottomLeft());
        shine.setColorAt(0, QColor(255, 255, 255, hover ? 150 : 110));
        shine.setColorAt(1, QColor(255, 255, 255, 20));
        p.setBrush(shine);
        p.drawRoundedRect(gloss, gloss.height() / 2, gloss.height() / 2);
    }
    if (hover) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(QColor(255, 255, 255, 200), 1.5));
        p.drawRoundedRect(key.adjusted(1.5, 1.5, -1.5, -1.5), radius - 2, radius - 2);
    }

    QColor shadow = base.darker(190);
    shadow.setAlpha(pressed ? 90 : 130);
    labelAndIcon(p, contentRect(cell, false), cell.label, Qt::white, shadow, fit);
}

// Full-screen tiles: light at rest, blue under the pointer, dark when pressed.
void tileFace(QPainter &p, const Cell &cell, const LabelFit &fit)
{
    const QRectF outer(cell.area);
    const qreal radius = std::min<qreal>(outer.height() * 0.26, 9);
    QColor top, bottom, edge, lipColour, text, shadow;
    switch (cell.look) {
    case Look::Normal:
        top = QColor(0xFF, 0xFF, 0xFF);
        bottom = QColor(0xFF, 0xEF, 0xC4);
        edge = QColor(0xD9, 0xA7, 0x48);
        lipColour = QColor(0xE8, 0xC0, 0x6E);
        text = Art::Colour::ink;
        shadow = QColor(255, 255, 255, 0);
        break;
    case Look::Hover:
        top = QColor(0x7C, 0xCD, 0xFF);
        bottom = QColor(0x2E, 0x95, 0xEA);
        edge = QColor(0x1A, 0x66, 0xAD);
        lipColour = QColor(0x1F, 0x70, 0xB8);
        text = Qt::white;
        shadow = QColor(10, 60, 110, 140);
        break;
    case Look::Pressed:
        top = QColor(0x1B, 0x30, 0x50);
        bottom = QColor(0x2E, 0x4E, 0x7A);
        edge = QColor(0x0E, 0x1C, 0x30);
        lipColour = edge;
        text = QColor(0xFF, 0xF3, 0xC8);
        shadow = QColor(0, 0, 0, 120);
        break;
    }
    keyWithLip(p, outer, keyRect(cell, true), radius, edge, lipColour, top, bottom);

    labelAndIcon(p, contentRect(cell, true), cell.label, text, shadow, fit);
}

QString lookName(Look look)
{
    switch (look) {
    case Look::Normal:
        return QStringLiteral("normal");
    case Look::Hover:
        return QStringLiteral("hover");
    case Look::Pressed:
        return QStringLiteral("pressed");
    }
    return {};
}

} // namespace

QString label(const SheetRule &rule)
{
    static const QHash<QString, QString> labels{
        {QStringLiteral("directory"), QStringLiteral("目录")},
        {QStringLiteral("qut"), QStringLiteral("退出")},
        {QStringLiteral("next"), QStringLiteral("下一页")},
        {QStringLiteral("up"), QStringLiteral("上一页")},
        {QStringLiteral("find"), QStringLiteral("找一找")},
        {QStringLiteral("jump"), QStringLiteral("跳页")},
        {QStringLiteral("full"), QStringLiteral("全屏")},
        {QStringLiteral("word"), QStringLiteral("背单词")},
        {QStringLiteral("nextword"), QStringLiteral("下一个")},
        {QStringLiteral("goback"), QStringLiteral("返回")},
        {QStringLiteral("history"), QStringLiteral("学习记录")},
        {QStringLiteral("flash"), QStringLiteral("动画")},
        {QStringLiteral("readon"), QStringLiteral("连读")},
        {QStringLiteral("repeat"), QStringLiteral("复读")},
        {QStringLiteral("sayafter"), QStringLiteral("跟读")},
    };
    if (rule.objectName == u"full" && rule.image == u"fullbutton.png")
        return QStringLiteral("退出");
    return labels.value(rule.objectName);
}

void drawSpriteSheets(const QList<SheetRule> &rules, const QString &directory, int scale)
{
    for (const Sprite &sprite : sprites) {
        QList<Cell> cells;
        for (const SheetRule &rule : rules) {
            if (rule.image != sprite.file)
                continue;
            const QRect slice = rule.slice(sprite.size);
            if (slice.isEmpty() || !QRect(QPoint(0, 0), sprite.size).contains(slice)) {
                throw Failure(QStringLiteral("%1 %2 cuts outside %3")
                                  .arg(rule.selector(), rule.numbers(), sprite.file));
            }
            const QString text = label(rule);
            if (text.isEmpty())
                throw Failure(QStringLiteral("no label for %1").arg(rule.selector()));
            const Look look = lookOf(rule);
            auto same = std::find_if(cells.begin(), cells.end(), [&](const Cell &cell) {
                return cell.label == text && cell.look == look;
            });
            if (same == cells.end()) {
                cells.append({text, look, slice, slice});
            } else {
                same->area |= slice;
                same->common &= slice;
            }
        }
        for (qsizetype i = 0; i < cells.size(); ++i)
            for (qsizetype j = i + 1; j < cells.size(); ++j)
                if (cells[i].area.intersects(cells[j].area)) {
                    throw Failure(QStringLiteral("%1: the %2 %3 face overlaps the %4 %5 face")
                                      .arg(sprite.file, lookName(cells[i].look), cells[i].label,
                                           lookName(cells[j].look), cells[j].label));
                }

        // One fit per label, for the smallest of its faces on this image.
        QHash<QString, QSizeF> smallest;
        for (const Cell &cell : std::as_const(cells)) {
            const QSizeF content = contentRect(cell, sprite.tiles).size();
            const auto known = smallest.constFind(cell.label);
            smallest.insert(cell.label,
                            known == smallest.cend() ? content : known->boundedTo(content));
        }
        QHash<QString, LabelFit> fits;
        for (auto it = smallest.cbegin(); it != smallest.cend(); ++it)
            fits.insert(it.key(), fitLabel(it.value(), it.key(), !sprite.tiles));

        QImage image(sprite.size * scale, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(scale);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        for (const Cell &cell : std::as_const(cells)) {
            p.save();
            // Nothing of a face may spill out of its slice into a neighbour's.
            p.setClipRect(cell.area);
            if (sprite.tiles)
                tileFace(p, cell, fits.value(cell.label));
            else
                candyFace(p, cell, fits.value(cell.label));
            p.restore();
        }
        p.end();
        const QString path = directory + u'/' + atScale(sprite.file, scale);
        if (!image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG"))
            throw Failure(QStringLiteral("cannot write %1").arg(path));
    }
}

} // namespace Faces

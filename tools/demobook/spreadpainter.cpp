#include "tools/demobook/spreadpainter.h"

#include "content/content.h"
#include "tools/common/fonts.h"
#include "tools/demobook/pagelayout.h"
#include "tools/demobook/pictures.h"
#include "tools/demobook/tools.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRegularExpression>

#include <cmath>
#include <numbers>

namespace {

constexpr qreal frameWidth = 910;
constexpr qreal frameHeight = 580;
constexpr qreal spine = frameWidth / 2;
constexpr qreal bandHeight = 26;

const QColor paper(0xff, 0xfd, 0xf6);
const QColor ink(0x33, 0x2e, 0x2b);

QColor accent(int section)
{
    static const QColor colours[] = {
        QColor(0xf2, 0x8c, 0x28), QColor(0x1f, 0xa3, 0x9a), QColor(0x8e, 0x5c, 0xc2),
        QColor(0x5b, 0xaa, 0x3a), QColor(0x3a, 0x86, 0xd4), QColor(0xe2, 0x57, 0x8a),
        QColor(0xd9, 0x53, 0x4f), QColor(0xb0, 0x8a, 0x2e),
    };
    if (section < 0)
        return QColor(0x3a, 0x86, 0xd4);
    return colours[section % std::size(colours)];
}

// A pale tint of a colour, for backgrounds behind text.
QColor tint(const QColor &colour, qreal amount)
{
    return QColor::fromRgbF(colour.redF() * amount + (1 - amount),
                            colour.greenF() * amount + (1 - amount),
                            colour.blueF() * amount + (1 - amount));
}

QColor speakerColour(const QString &speaker)
{
    if (speaker == u"Amy")
        return QColor(0xe2, 0x57, 0x8a);
    if (speaker == u"Tom")
        return QColor(0x3a, 0x86, 0xd4);
    if (speaker == u"Robin")
        return QColor(0x1f, 0xa3, 0x9a);
    if (speaker == u"Man")
        return QColor(0x5b, 0xaa, 0x3a);
    if (speaker == u"Grandpa")
        return QColor(0xa0, 0x6a, 0x3c);
    return QColor(0x88, 0x88, 0x88);
}

struct Fitted
{
    QFont font;
    bool fits = false;
};

Fitted fit(const QString &text, const QRectF &box, int maxPx, int minPx, bool bold, bool italic,
           int flags)
{
    Fitted fitted;
    fitted.font = Pictures::fittedFont(text, box, maxPx, minPx, bold, italic, flags, &fitted.fits);
    return fitted;
}

QString shownText(const PageItem &item)
{
    return QString(item.shown).replace(u'@', u'\n');
}

QPainterPath bubblePath(const QRectF &r, const QString &tail)
{
    QPainterPath path;
    const qreal radius = std::min(12.0, r.height() / 2.5);
    path.addRoundedRect(r, radius, radius);
    if (tail == u"none")
        return path;
    const qreal t = std::clamp(r.height() * 0.4, 7.0, 13.0);
    QPolygonF triangle;
    if (tail == u"left" || tail == u"right") {
        const bool left = tail == u"left";
        const qreal edge = left ? r.left() + 2 : r.right() - 2;
        const qreal y = r.top() + r.height() * 0.55;
        const qreal tip = left ? r.left() - t : r.right() + t;
        triangle << QPointF(edge, y - t * 0.35) << QPointF(tip, y + t * 0.55)
                 << QPointF(edge, y + t * 0.35);
    } else if (tail == u"up") {
        const qreal x = r.left() + r.width() * 0.3;
        triangle << QPointF(x - t * 0.4, r.top() + 2) << QPointF(x, r.top() - t)
                 << QPointF(x + t * 0.4, r.top() + 2);
    } else {
        qreal x = r.left() + r.width() * 0.3;
        qreal lean = -t * 0.3;
        if (tail == u"downleft") {
            x = r.left() + r.width() * 0.18;
            lean = -t * 0.6;
        } else if (tail == u"downright") {
            x = r.left() + r.width() * 0.75;
            lean = t * 0.5;
        }
        triangle << QPointF(x - t * 0.4, r.bottom() - 2) << QPointF(x + lean, r.bottom() + t)
                 << QPointF(x + t * 0.4, r.bottom() - 2);
    }
    QPainterPath point;
    point.addPolygon(triangle);
    point.closeSubpath();
    return path.united(point);
}

QPolygonF starburst(const QRectF &r, int points)
{
    QPolygonF shape;
    for (int n = 0; n < points * 2; ++n) {
        const qreal a = n * std::numbers::pi / points;
        const qreal scale = n % 2 ? 0.78 : 1.0;
        shape << r.center() + QPointF(std::cos(a) * r.width() / 2 * scale,
                                      std::sin(a) * r.height() / 2 * scale);
    }
    return shape;
}

const QStringList &kinds()
{
    static const QStringList all = {
        QStringLiteral("title"),    QStringLiteral("subtitle"), QStringLiteral("heading"),
        QStringLiteral("text"),     QStringLiteral("line"),     QStringLiteral("bubble"),
        QStringLiteral("sound"),    QStringLiteral("note"),     QStringLiteral("chant"),
        QStringLiteral("contents"), QStringLiteral("picture"),  QStringLiteral("panel"),
    };
    return all;
}

// Draws one item of a spread. Hotspots and drawings share the kinds; a picture that is a
// hotspot stands on a card with its English below it.
class ItemPainter
{
public:
    ItemPainter(QPainter &painter, QColor colour, const Outline &outline)
        : m_p(painter)
        , m_accent(colour)
        , m_outline(outline)
    {}

    struct Drawn
    {
        bool fits = true; // false when the English had to be drawn larger than its rectangle
                          // allows
        QRectF extent;    // what a reader sees of it: its text as set, and its box if it has one
    };

    Drawn draw(const PageItem &item, const QRectF &r, bool hotspot)
    {
        m_fits = true;
        m_extent = QRectF();
        m_p.save();
        const QString &kind = item.kind;
        if (kind == u"title")
            drawText(shownText(item), r, 34, 12, true, false, Qt::AlignCenter,
                     m_accent.darker(135));
        else if (kind == u"subtitle")
            drawText(shownText(item), r, 26, 10, true, true, Qt::AlignCenter, m_accent);
        else if (kind == u"heading")
            heading(shownText(item), r);
        else if (kind == u"text")
            drawText(shownText(item), r.adjusted(2, 0, -2, 0), 16, 8, false, false,
                     Qt::AlignLeft | Qt::AlignVCenter, ink);
        else if (kind == u"line")
            line(item, r);
        else if (kind == u"bubble")
            bubble(item, r);
        else if (kind == u"sound")
            sound(shownText(item), r);
        else if (kind == u"note")
            note(shownText(item), r);
        else if (kind == u"chant")
            chant(shownText(item), r);
        else if (kind == u"contents")
            contents(item, r);
        else if (kind == u"picture")
            picture(item, r, hotspot);
        else if (kind == u"panel")
            Pictures::drawPanel(m_p, item.argument, r);
        m_p.restore();
        return {m_fits, m_extent};
    }

private:
    void drawText(const QString &text, const QRectF &box, int maxPx, int minPx, bool bold,
                  bool italic, int flags, const QColor &colour)
    {
        const Fitted f = fit(text, box, maxPx, minPx, bold, italic, flags);
        m_fits = m_fits && f.fits;
        m_p.setFont(f.font);
        m_p.setPen(colour);
        m_p.drawText(box, flags | Qt::TextWordWrap, text);
        m_extent |= m_p.boundingRect(box, flags | Qt::TextWordWrap, text);
    }

    void heading(const QString &text, const QRectF &r)
    {
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(m_accent);
        m_p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        m_extent |= r;
        // "A  Let's talk": the part letter sits in a white disc at the start of the banner.
        static const QRegularExpression part(QStringLiteral(R"(^([A-Z])\s\s+(.+)$)"));
        const auto match = part.match(text);
        if (match.hasMatch()) {
            const qreal d = r.height() - 6;
            const QRectF disc(r.left() + 3, r.top() + 3, d, d);
            m_p.setBrush(QColor(0xff, 0xff, 0xff));
            m_p.drawEllipse(disc);
            m_p.setFont(Fonts::latin(std::max(8, qRound(d * 0.7)), true));
            m_p.setPen(m_accent.darker(120));
            m_p.drawText(disc, Qt::AlignCenter, match.captured(1));
            drawText(match.captured(2), r.adjusted(d + 10, 1, -r.height() / 2, -1), 18, 8, true,
                     false, Qt::AlignLeft | Qt::AlignVCenter, QColor(0xff, 0xff, 0xff));
        } else {
            drawText(text, r.adjusted(r.height() / 2, 1, -r.height() / 2, -1), 18, 8, true, false,
                     Qt::AlignCenter, QColor(0xff, 0xff, 0xff));
        }
    }

    void line(const PageItem &item, const QRectF &r)
    {
        const QString speaker = item.option(QStringLiteral("speaker"));
        qreal textLeft = r.left();
        if (!speaker.isEmpty()) {
            const QFont tagFont = Fonts::latin(12, true);
            const qreal width = QFontMetricsF(tagFont).horizontalAdvance(speaker) + 14;
            const QRectF tag(r.left(), r.center().y() - 9, width, 18);
            m_p.setPen(Qt::NoPen);
            m_p.setBrush(speakerColour(speaker));
            m_p.drawRoundedRect(tag, 9, 9);
            m_p.setFont(tagFont);
            m_p.setPen(QColor(0xff, 0xff, 0xff));
            m_p.drawText(tag, Qt::AlignCenter, speaker);
            m_extent |= tag;
            textLeft = tag.right() + 7;
        }
        drawText(shownText(item), QRectF(textLeft, r.top(), r.right() - textLeft, r.height()), 15,
                 8, false, false, Qt::AlignLeft | Qt::AlignVCenter, ink);
    }

    void bubble(const PageItem &item, const QRectF &r)
    {
        const QString tail = item.options.value(QStringLiteral("tail"), QStringLiteral("down"));
        QPen pen(speakerColour(item.option(QStringLiteral("speaker"))), 1.6);
        pen.setJoinStyle(Qt::RoundJoin);
        m_p.setPen(pen);
        m_p.setBrush(QColor(0xff, 0xff, 0xff));
        m_p.drawPath(bubblePath(r, tail));
        m_extent |= r;
        drawText(shownText(item), r.adjusted(6, 3, -6, -3), 15, 7, false, false, Qt::AlignCenter,
                 ink);
    }

    void sound(const QString &text, const QRectF &r)
    {
        m_p.setPen(QPen(QColor(0xf2, 0x8c, 0x28), 1.5));
        m_p.setBrush(QColor(0xff, 0xe4, 0x5c));
        m_p.drawPolygon(starburst(r, 9));
        m_extent |= r;
        drawText(
            text,
            r.adjusted(r.width() * 0.1, r.height() * 0.14, -r.width() * 0.1, -r.height() * 0.14),
            16, 7, true, true, Qt::AlignCenter, QColor(0xd9, 0x3b, 0x2f));
    }

    void note(const QString &text, const QRectF &r)
    {
        QPen pen(m_accent, 1.4, Qt::DashLine);
        m_p.setPen(pen);
        m_p.setBrush(QColor(0xff, 0xf6, 0xc7));
        m_p.drawRoundedRect(r, 6, 6);
        m_extent |= r;
        drawText(text, r.adjusted(8, 2, -8, -2), 14, 7, false, true,
                 Qt::AlignLeft | Qt::AlignVCenter, ink);
    }

    void chant(const QString &text, const QRectF &r)
    {
        const qreal mark = std::min(22.0, r.height() * 0.85);
        m_p.setFont(Fonts::latin(qRound(mark * 0.8), true));
        m_p.setPen(m_accent);
        const QRectF markBox(r.left(), r.top(), mark, std::min(r.height(), 28.0));
        m_p.drawText(markBox, Qt::AlignCenter, QStringLiteral("\u266a"));
        m_extent |= m_p.boundingRect(markBox, Qt::AlignCenter, QStringLiteral("\u266a"));
        drawText(text, r.adjusted(mark + 4, 0, 0, 0), 16, 8, true, true,
                 Qt::AlignLeft | Qt::AlignVCenter, QColor(0x6a, 0x3d, 0x9a));
    }

    void contents(const PageItem &item, const QRectF &r)
    {
        bool numbered = false;
        const int target = item.argument.toInt(&numbered);
        const QColor colour =
            numbered ? accent(m_outline.section(target)) : QColor(0x99, 0x99, 0x99);
        m_p.setPen(Qt::NoPen);
        m_p.setBrush(tint(colour, 0.18));
        m_p.drawRoundedRect(r, 8, 8);
        m_extent |= r;
        m_p.setBrush(colour);
        m_p.drawRoundedRect(QRectF(r.left(), r.top(), 8, r.height()), 4, 4);

        const QRectF box = r.adjusted(18, 0, numbered ? -52 : -10, 0);
        const QString text = shownText(item);
        drawText(text, box, 18, 8, true, false, Qt::AlignLeft | Qt::AlignVCenter, ink);
        if (!numbered)
            return;
        const QRectF number(r.right() - 46, r.top(), 38, r.height());
        m_p.setFont(Fonts::latin(17, true));
        m_p.setPen(colour.darker(120));
        m_p.drawText(number, Qt::AlignRight | Qt::AlignVCenter, QString::number(2 * target));
        // A dotted leader from the title to its page number, as contents pages have.
        const Fitted f = fit(text, box, 18, 8, true, false, Qt::AlignLeft | Qt::AlignVCenter);
        const qreal textEnd = box.left() + QFontMetricsF(f.font).horizontalAdvance(text) + 8;
        QPen dots(QColor(0x99, 0x99, 0x99), 1.6, Qt::DotLine);
        m_p.setPen(dots);
        if (textEnd < number.left())
            m_p.drawLine(QPointF(textEnd, r.center().y() + 5),
                         QPointF(number.left() + 6, r.center().y() + 5));
    }

    void picture(const PageItem &item, const QRectF &r, bool hotspot)
    {
        const QString caption = shownText(item);
        if (!hotspot) {
            Pictures::drawPicture(m_p, item.argument, r);
            return;
        }
        m_p.setPen(QPen(tint(m_accent, 0.6), 1.5));
        m_p.setBrush(QColor(0xff, 0xff, 0xff));
        m_p.drawRoundedRect(r, 8, 8);
        m_extent |= r;
        qreal captionHeight = std::clamp(r.height() * 0.2, 14.0, 24.0);
        // A long caption gets a second line rather than shrinking out of reach of a child's eyes.
        bool oneLine = false;
        Pictures::fittedFont(caption, QRectF(0, 0, r.width() - 6, captionHeight), 15, 11, true,
                             false, Qt::AlignCenter, &oneLine);
        if (!oneLine)
            captionHeight = std::min(r.height() * 0.36, 36.0);
        Pictures::drawPicture(m_p, item.argument, r.adjusted(6, 6, -6, -(captionHeight + 4)));
        drawText(caption,
                 QRectF(r.left() + 3, r.bottom() - captionHeight - 2, r.width() - 6, captionHeight),
                 15, 7, true, false, Qt::AlignCenter, ink);
    }

    QPainter &m_p;
    QColor m_accent;
    const Outline &m_outline;
    bool m_fits = true;
    QRectF m_extent;
};

void paintPageFrame(QPainter &p, int k, const QColor &colour, const QString &runningHead)
{
    p.fillRect(QRectF(0, 0, frameWidth, frameHeight), paper);

    // The fold between the pages.
    QLinearGradient left(spine - 36, 0, spine, 0);
    left.setColorAt(0, QColor(120, 100, 70, 0));
    left.setColorAt(1, QColor(120, 100, 70, 70));
    p.fillRect(QRectF(spine - 36, 0, 36, frameHeight), left);
    QLinearGradient right(spine, 0, spine + 36, 0);
    right.setColorAt(0, QColor(120, 100, 70, 70));
    right.setColorAt(1, QColor(120, 100, 70, 0));
    p.fillRect(QRectF(spine, 0, 36, frameHeight), right);
    p.setPen(QPen(QColor(0xc8, 0xbc, 0xa8), 1));
    p.drawLine(QPointF(spine, 0), QPointF(spine, frameHeight));

    // The band across the top of both pages, with the running head.
    const QColor band = tint(colour, 0.3);
    p.fillRect(QRectF(0, 0, spine - 1, bandHeight), band);
    p.fillRect(QRectF(spine + 1, 0, frameWidth - spine - 1, bandHeight), band);
    p.setPen(Qt::NoPen);
    p.setBrush(colour);
    for (int n = 0; n < 5; ++n) {
        p.drawEllipse(QPointF(spine - 30 - n * 14, bandHeight / 2), 3, 3);
        p.drawEllipse(QPointF(spine + 30 + n * 14, bandHeight / 2), 3, 3);
    }
    if (!runningHead.isEmpty()) {
        p.setFont(Fonts::latin(13, true));
        p.setPen(colour.darker(140));
        p.drawText(QRectF(20, 0, spine - 120, bandHeight), Qt::AlignLeft | Qt::AlignVCenter,
                   runningHead);
        p.drawText(QRectF(spine + 100, 0, frameWidth - spine - 120, bandHeight),
                   Qt::AlignRight | Qt::AlignVCenter, runningHead);
    }

    // Page numbers in the outer bottom corners, and a thin rule above them.
    p.setPen(QPen(tint(colour, 0.5), 1));
    p.drawLine(QPointF(50, frameHeight - 18), QPointF(spine - 30, frameHeight - 18));
    p.drawLine(QPointF(spine + 30, frameHeight - 18), QPointF(frameWidth - 50, frameHeight - 18));
    p.setFont(Fonts::latin(12, true));
    const QPointF corners[] = {QPointF(30, frameHeight - 18),
                               QPointF(frameWidth - 30, frameHeight - 18)};
    for (int n = 0; n < 2; ++n) {
        p.setPen(Qt::NoPen);
        p.setBrush(colour);
        p.drawEllipse(corners[n], 13, 13);
        p.setPen(QColor(0xff, 0xff, 0xff));
        p.drawText(QRectF(corners[n].x() - 13, corners[n].y() - 13, 26, 26), Qt::AlignCenter,
                   QString::number(2 * k + n));
    }
}

// A spread the hotspot map does not describe: its section title and two numbered pages.
void paintPlainPages(QPainter &p, int k, const QColor &colour, const QString &heading)
{
    const QRectF title(40, 56, spine - 80, 56);
    p.setPen(Qt::NoPen);
    p.setBrush(tint(colour, 0.2));
    p.drawRoundedRect(title, 14, 14);
    const Fitted f =
        fit(heading, title.adjusted(14, 0, -14, 0), 26, 10, true, false, Qt::AlignCenter);
    p.setFont(f.font);
    p.setPen(colour.darker(130));
    p.drawText(title.adjusted(14, 0, -14, 0), Qt::AlignCenter | Qt::TextWordWrap, heading);

    p.setFont(Fonts::latin(150, true));
    QColor faint = colour;
    faint.setAlpha(45);
    p.setPen(faint);
    p.drawText(QRectF(0, 130, spine, 330), Qt::AlignCenter, QString::number(2 * k));
    p.drawText(QRectF(spine, 130, frameWidth - spine, 330), Qt::AlignCenter,
               QString::number(2 * k + 1));

    p.setFont(Fonts::latin(16, false, true));
    p.setPen(QColor(0x99, 0x90, 0x88));
    p.drawText(QRectF(0, 460, spine, 40), Qt::AlignCenter, QStringLiteral("Page %1").arg(2 * k));
    p.drawText(QRectF(spine, 460, frameWidth - spine, 40), Qt::AlignCenter,
               QStringLiteral("Page %1").arg(2 * k + 1));
}

} // namespace

Outline::Outline(const SpreadText *contents)
{
    if (!contents)
        return;
    for (const auto &[i, item] : contents->hotspots) {
        bool numbered = false;
        const int target = item.argument.toInt(&numbered);
        if (item.kind == u"contents" && numbered && target >= 1)
            m_sections.append({target, QString(item.shown).replace(u'@', u' ')});
    }
    std::sort(m_sections.begin(), m_sections.end());
}

int Outline::section(int k) const
{
    int found = -1;
    for (qsizetype n = 0; n < m_sections.size(); ++n) {
        if (m_sections[n].first <= k)
            found = static_cast<int>(n);
    }
    return found;
}

QString Outline::heading(int k) const
{
    if (k == 0)
        return QStringLiteral("Contents");
    const int n = section(k);
    return n < 0 ? QString() : m_sections[n].second;
}

SpreadPainter::SpreadPainter(const Outline &outline)
    : m_outline(outline)
{}

void SpreadPainter::check(const PageItem &item, const QString &where)
{
    const auto fail = [&](const QString &why) {
        throw Failure(
            QStringLiteral("%1 (book.txt line %2): %3").arg(where).arg(item.line).arg(why));
    };
    if (!kinds().contains(item.kind))
        fail(QStringLiteral("unknown kind \"%1\"; known are %2")
                 .arg(item.kind, kinds().join(u", ")));
    if (item.kind == u"picture" && !Pictures::isPicture(item.argument))
        fail(QStringLiteral("no picture named \"%1\"").arg(item.argument));
    if (item.kind == u"panel" && !Pictures::isPanel(item.argument))
        fail(QStringLiteral("no panel named \"%1\"").arg(item.argument));
    static const QStringList tails = {QStringLiteral("down"),      QStringLiteral("downleft"),
                                      QStringLiteral("downright"), QStringLiteral("left"),
                                      QStringLiteral("right"),     QStringLiteral("up"),
                                      QStringLiteral("none")};
    if (item.options.contains(QStringLiteral("tail")) &&
        !tails.contains(item.option(QStringLiteral("tail"))))
        fail(QStringLiteral("a tail is one of %1").arg(tails.join(u", ")));
}

QImage SpreadPainter::paint(int k, QSize size, const QList<Hotspot> &hotspots,
                            const SpreadText *text, QList<Painted> *painted)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing |
                     QPainter::SmoothPixmapTransform);
    p.scale(size.width() / frameWidth, size.height() / frameHeight);

    const QColor colour = accent(m_outline.section(k));
    paintPageFrame(p, k, colour, k == 0 ? QString() : m_outline.heading(k));
    const bool laidOut = text && text->laidOut();
    if (!text || (hotspots.isEmpty() && !laidOut)) {
        paintPlainPages(p, k, colour, m_outline.heading(k));
        return image;
    }

    ItemPainter items(p, colour, m_outline);
    const QString tag = Content::spreadTag(k);
    const auto overflowed = [this](const QString &where) {
        if (!m_overflows.contains(where))
            m_overflows.append(where);
    };
    if (laidOut) {
        for (int page = 0; page < 2; ++page) {
            for (const PlacedItem &placed : layOutPage(text->pages[page], page, tag)) {
                const auto drawn = items.draw(placed.item, placed.rect, placed.hotspot);
                if (!drawn.fits)
                    overflowed(QStringLiteral("%1 line %2").arg(tag).arg(placed.item.line));
                if (painted && placed.hotspot)
                    painted->append({placed, drawn.extent});
            }
        }
        return image;
    }
    for (const Decoration &drawing : text->decorations)
        items.draw(drawing.item, QRectF(drawing.rect), false);
    for (qsizetype i = 0; i < hotspots.size(); ++i) {
        const auto found = text->hotspots.find(static_cast<int>(i));
        if (found == text->hotspots.end())
            continue;
        if (!items.draw(found->second, QRectF(hotspots[i].rect), true).fits)
            overflowed(QStringLiteral("%1 N_%2").arg(tag).arg(i));
    }
    return image;
}

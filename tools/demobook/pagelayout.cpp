#include "tools/demobook/pagelayout.h"

#include "tools/common/fonts.h"
#include "tools/demobook/tools.h"

#include <QFontMetricsF>

#include <algorithm>

namespace {

// The column of each page, clear of the band at the top, the page numbers at the bottom and
// the fold between the pages.
constexpr qreal columnLeft[2] = {30, 485};
constexpr qreal columnWidth = 395;
constexpr qreal columnTop = 40;
constexpr qreal columnBottom = 545;
constexpr qreal gap = 10;

constexpr qreal speakerWidth = 40;
constexpr qreal speakerHeight = 62;
constexpr qreal cardSize = 110;

// The person drawn beside a speaker's bubble.
QString speakerPicture(const QString &speaker)
{
    if (speaker == u"Amy")
        return QStringLiteral("girl");
    if (speaker == u"Tom")
        return QStringLiteral("boy");
    if (speaker == u"Robin")
        return QStringLiteral("robot");
    if (speaker == u"Grandpa")
        return QStringLiteral("grandpa");
    return speaker.isEmpty() ? QString() : QStringLiteral("man");
}

// The height the English takes wrapped in `width` at the size the painter prefers for it.
qreal wrappedHeight(const QString &text, qreal width, int px, bool bold, bool italic)
{
    const QFontMetricsF metrics(Fonts::latin(px, bold, italic));
    return metrics
        .boundingRect(QRectF(0, 0, width, 1000), Qt::TextWordWrap,
                      QString(text).replace(u'@', u'\n'))
        .height();
}

qreal textWidth(const QString &text, int px, bool bold)
{
    qreal widest = 0;
    for (const QString &line : text.split(u'@'))
        widest = std::max(widest, QFontMetricsF(Fonts::latin(px, bold)).horizontalAdvance(line));
    return widest;
}

} // namespace

QList<PlacedItem> layOutPage(const QList<PageItem> &items, int page, const QString &where)
{
    QList<PlacedItem> placed;
    const qreal left = columnLeft[page];
    qreal y = columnTop;
    for (qsizetype n = 0; n < items.size(); ++n) {
        const PageItem &item = items[n];
        const QString &kind = item.kind;
        if (kind == u"heading" && n > 0)
            y += gap;
        if (kind == u"picture") {
            // A row of cards: this picture and the ones that follow it, spread evenly.
            qsizetype end = n;
            while (end < items.size() && items[end].kind == u"picture")
                ++end;
            const auto count = std::min<qsizetype>(end - n, 3);
            const qreal space =
                (columnWidth - count * cardSize) / std::max<qsizetype>(1, count - 1);
            for (qsizetype c = 0; c < count; ++c)
                placed.append({QRectF(left + c * (cardSize + space), y, cardSize, cardSize),
                               items[n + c], true});
            n += count - 1;
            y += cardSize + gap;
        } else if (kind == u"bubble") {
            const QString person = speakerPicture(item.option(QStringLiteral("speaker")));
            qreal bubbleLeft = left;
            if (!person.isEmpty()) {
                PageItem drawing;
                drawing.kind = QStringLiteral("picture");
                drawing.argument = person;
                placed.append({QRectF(left, y, speakerWidth, speakerHeight), drawing, false});
                bubbleLeft = left + speakerWidth + 22;
            }
            const qreal room = left + columnWidth - bubbleLeft;
            const qreal width = std::min(room, textWidth(item.shown, 15, false) + 30);
            const qreal height =
                std::max(36.0, wrappedHeight(item.shown, width - 12, 15, false, false) + 16);
            PageItem bubble = item;
            if (!person.isEmpty())
                bubble.options.insert(QStringLiteral("tail"), QStringLiteral("left"));
            placed.append({QRectF(bubbleLeft, y + 4, width, height), bubble, true});
            y += std::max(person.isEmpty() ? 0.0 : speakerHeight, height + 4) + gap;
        } else {
            qreal height = 30;
            qreal width = columnWidth;
            if (kind == u"title")
                height = 44;
            else if (kind == u"subtitle")
                height = 34;
            else if (kind == u"heading")
                width = std::min(columnWidth, textWidth(item.shown, 18, true) + 80);
            else if (kind == u"text" || kind == u"line" || kind == u"chant")
                height = std::max(28.0, wrappedHeight(item.shown, columnWidth - 70, 16,
                                                      kind == u"chant", kind == u"chant") +
                                            10);
            else if (kind == u"note")
                height = wrappedHeight(item.shown, columnWidth - 16, 14, false, true) + 14;
            else if (kind == u"sound")
                width = 110, height = 56;
            placed.append({QRectF(left, y, width, height), item, true});
            y += height + gap;
        }
        if (y - gap > columnBottom)
            throw Failure(QStringLiteral("%1: the %2 page is full before book.txt line %3")
                              .arg(where, page ? QStringLiteral("right") : QStringLiteral("left"))
                              .arg(item.line));
    }
    return placed;
}

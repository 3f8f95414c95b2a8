#include "tools/mvrbook/edit/mapedits.h"

#include "content/spreadmap.h"

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <numeric>

MapEditCommand::MapEditCommand(MapDocument *document, int k, QList<MapHotspot> after,
                               const QString &what, int key)
    : QUndoCommand(what)
    , m_document(document)
    , m_k(k)
    , m_before(document->hotspots(k))
    , m_after(std::move(after))
    , m_key(key)
{}

void MapEditCommand::undo()
{
    m_document->setHotspots(m_k, m_before);
}

void MapEditCommand::redo()
{
    m_document->setHotspots(m_k, m_after);
}

bool MapEditCommand::mergeWith(const QUndoCommand *other)
{
    const auto *next = static_cast<const MapEditCommand *>(other);
    if (next->m_key != m_key || next->m_k != m_k || next->m_document != m_document)
        return false;
    m_after = next->m_after;
    return true;
}

QList<int> readingOrder(const QList<QRect> &rects)
{
    const int middle = spreadFrame.width() / 2;
    const auto page = [&](int i) { return rects[i].center().x() < middle ? 0 : 1; };
    QList<int> byTop(rects.size());
    std::iota(byTop.begin(), byTop.end(), 0);
    std::stable_sort(byTop.begin(), byTop.end(), [&](int a, int b) {
        return std::pair(page(a), rects[a].top()) < std::pair(page(b), rects[b].top());
    });
    // Lines: a rectangle starting above the middle of a line's first one is on that line.
    QList<int> line(rects.size());
    int lineCount = 0;
    int lineFirst = -1;
    for (const int i : byTop) {
        if (lineFirst < 0 || page(i) != page(lineFirst) ||
            rects[i].top() > rects[lineFirst].center().y()) {
            lineFirst = i;
            ++lineCount;
        }
        line[i] = lineCount;
    }
    QList<int> order = byTop;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return std::pair(line[a], rects[a].left()) < std::pair(line[b], rects[b].left());
    });
    return order;
}

QRect snapToBoxes(const QRect &rect, const QList<QRect> &boxes, int reach, Qt::Edges edges)
{
    const auto nearest = [&](int value, Qt::Edge edge, auto edgeOf) {
        if (!edges.testFlag(edge))
            return value;
        int best = value;
        int bestDistance = reach + 1;
        for (const QRect &box : boxes) {
            const int distance = std::abs(edgeOf(box) - value);
            if (distance < bestDistance) {
                best = edgeOf(box);
                bestDistance = distance;
            }
        }
        return best;
    };
    const QRect snapped(
        QPoint(nearest(rect.left(), Qt::LeftEdge, [](const QRect &b) { return b.left(); }),
               nearest(rect.top(), Qt::TopEdge, [](const QRect &b) { return b.top(); })),
        QPoint(nearest(rect.right(), Qt::RightEdge, [](const QRect &b) { return b.right(); }),
               nearest(rect.bottom(), Qt::BottomEdge, [](const QRect &b) { return b.bottom(); })));
    return snapped.isValid() ? snapped : rect;
}

QRect fitToBoxes(const QRect &rect, const QList<QRect> &boxes, int margin)
{
    QRect around;
    for (const QRect &box : boxes) {
        if (rect.contains(box.center()))
            around = around.isNull() ? box : around.united(box);
    }
    if (around.isNull())
        return rect;
    return around.adjusted(-margin, -margin, margin, margin)
        .intersected(QRect(QPoint(0, 0), spreadFrame));
}

int snapToPause(int ms, bool end, const SpeechStretches &speech, int lengthMs)
{
    // Around its speech a segment keeps a little before the first sound, so that a soft
    // consonant is not cut, and a little after the last, for the fading voice.
    constexpr int lead = 40;
    constexpr int tail = 100;
    int best = ms;
    int bestDistance = std::numeric_limits<int>::max();
    for (size_t i = 0; i <= speech.size(); ++i) {
        // The pause before stretch i: from the end of the one before to its begin.
        const int from = i == 0 ? 0 : speech[i - 1].second;
        const int to = i == speech.size() ? lengthMs : speech[i].first;
        if (to <= from || (i == 0 && end) || (i == speech.size() && !end))
            continue;
        const int middle = (from + to) / 2;
        const int place =
            end ? (i == speech.size() ? std::min(to, from + tail) : std::min(middle, from + tail))
                : (i == 0 ? std::max(from, to - lead) : std::max(middle, to - lead));
        const int distance = ms < from ? from - ms : ms > to ? ms - to : 0;
        if (distance < bestDistance) {
            best = place;
            bestDistance = distance;
        }
    }
    return best;
}

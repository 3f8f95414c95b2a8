#pragma once

#include "tools/mvrbook/edit/mapdocument.h"

#include <QList>
#include <QRect>
#include <QUndoCommand>

#include <utility>
#include <vector>

// Every change of the map is one of these on the editor's undo stack: the hotspots of one
// spread before and after. Changes given the same nonzero key one after another (the steps of
// one drag, the keys typed into one text) undo as one.
class MapEditCommand : public QUndoCommand
{
public:
    MapEditCommand(MapDocument *document, int k, QList<MapHotspot> after, const QString &what,
                   int key = 0);

    void undo() override;
    void redo() override;
    int id() const override { return m_key == 0 ? -1 : 1; }
    bool mergeWith(const QUndoCommand *other) override;

    int spread() const { return m_k; }

private:
    MapDocument *m_document;
    int m_k;
    QList<MapHotspot> m_before;
    QList<MapHotspot> m_after;
    int m_key;
};

// The order a child reads the rectangles in: the left page before the right, on each page
// line by line from the top, and on one line from the left. Rectangles whose tops lie above
// the middle of the first one of a line stand on that line. Indices into `rects`.
QList<int> readingOrder(const QList<QRect> &rects);

// `rect` with each of `edges` moved onto the same edge of one of `boxes` (the words read on the
// page) where one lies within `reach`; an edge with none in reach stays.
QRect snapToBoxes(const QRect &rect, const QList<QRect> &boxes, int reach, Qt::Edges edges);

// The smallest rectangle around the boxes whose centres lie in `rect`, `margin` wider on every
// side and kept in the frame; `rect` where none does.
QRect fitToBoxes(const QRect &rect, const QList<QRect> &boxes, int margin);

// The stretches of speech of a recording, [begin, end) in ms; between them it pauses.
using SpeechStretches = std::vector<std::pair<int, int>>;

// A segment boundary moved into the nearest pause: a start just before the speech that
// follows the pause, an end just after the speech before it, never past the pause's middle.
// `ms` itself where the recording has no pause.
int snapToPause(int ms, bool end, const SpeechStretches &speech, int lengthMs);

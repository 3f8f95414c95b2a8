#pragma once

#include "content/spreadmap.h"
#include "tools/demobook/booktext.h"
#include "tools/demobook/pagelayout.h"

#include <QImage>
#include <QList>
#include <QSize>
#include <QString>
#include <QStringList>

#include <utility>

// The sections of the book as the contents spread lists them: each "contents" entry with a
// target spread starts a section that runs to the next one.
class Outline
{
public:
    explicit Outline(const SpreadText *contents);

    // The title of the section spread k belongs to; "Contents" for the contents spread.
    QString heading(int k) const;
    // 0-based number of that section, for its colour; -1 for the contents spread.
    int section(int k) const;

private:
    QList<std::pair<int, QString>> m_sections; // first spread, title; by first spread
};

// Draws spread k, pages 2k and 2k+1, into an image of the given size. Everything is laid out
// in the 910 x 580 frame of the hotspot rectangles and drawn scaled, so the full-screen image
// is drawn at its own size rather than enlarged. A laid-out spread is drawn where its layout
// puts each item, whatever the map says; a spread without hotspots or layout is a plain
// numbered one.
class SpreadPainter
{
public:
    explicit SpreadPainter(const Outline &outline);

    // A hotspot of a laid-out spread as painted: where the layout put it, and what a reader
    // sees of it there (its text as set, its box if it has one), in the frame.
    struct Painted
    {
        PlacedItem placed;
        QRectF seen;
    };

    // `painted`, if given, gets the hotspots of a laid-out spread in reading order.
    QImage paint(int k, QSize size, const QList<Hotspot> &hotspots, const SpreadText *text,
                 QList<Painted> *painted = nullptr);

    // Fails when an item names a kind or picture the painter does not know.
    static void check(const PageItem &item, const QString &where);

    // Hotspots whose English did not fit their rectangle at the smallest size, as
    // "P4-5 N_3" or "P12-13 line 250" lines, collected over all paints.
    const QStringList &overflows() const { return m_overflows; }

private:
    const Outline &m_outline;
    QStringList m_overflows;
};

#pragma once

#include "tools/demobook/booktext.h"

#include <QList>
#include <QRectF>
#include <QString>

// One thing placed on a laid-out page, in the 910 x 580 frame: a hotspot's English, or a
// drawing that goes with one (the speaker beside a bubble).
struct PlacedItem
{
    QRectF rect;
    PageItem item;
    bool hotspot = true;
};

// Lays out the items of one page (0 left, 1 right) from the top down, as a textbook's page
// is set: titles and banners, sentences the width of the column, bubbles beside their
// speakers, pictures on cards in a row. Fails naming `where` when the page overflows.
QList<PlacedItem> layOutPage(const QList<PageItem> &items, int page, const QString &where);

#pragma once

#include "tools/mvrbook/draft/ocr.h"

#include <QImage>
#include <QList>
#include <QRect>
#include <QSize>
#include <QString>

// What a child clicks on a page: a sentence, a title, a caption, made of the words read there.
struct TextUnit
{
    QRect box;             // pixels: the words' box, or the bubble, card or banner it stands in
    QRect words;           // pixels: the words' box
    bool outlined = false; // its box is the bubble, card or banner it stands in
    QString text;
    double confidence = 0; // 0 ... 1, from the words' recognition
    int page = 0;          // 0 the left page of the spread, 1 the right one
    int lineHeight = 0;    // pixels: the median height of its words
};

namespace TextUnits {

// Groups the words of a spread image into units in reading order: the left page before the
// right, top to bottom, a row of units side by side from left to right. Words are lines when
// they stand side by side, lines are one unit while a sentence runs on in the same size below;
// a line ending a sentence ends its unit. Stray marks read in pictures are left out.
QList<TextUnit> group(const QList<OcrWord> &words, QSize imageSize);

// Grows each unit's box to the bubble, card or banner it stands in, where one holds it alone;
// otherwise gives the words a margin, as an author draws a hotspot.
void fitToSurroundings(QList<TextUnit> &units, const QImage &image);

// Lines of a dialogue, each after its speaker's name tag, and the items of a numbered or
// lettered exercise are rows: where two or more of them stand one below another, each row's
// box runs across the page's text, from the tag, and a tag read as a word of its own is no
// unit. Call after fitToSurroundings.
void spanRows(QList<TextUnit> &units, const QImage &image);

// The rectangle in the 910 x 580 frame that covers these pixels of an image of `imageSize`,
// corners inside the frame.
QRect toFrame(const QRect &pixels, QSize imageSize);

// Intersection over union of two rectangles: 1 for the same, 0 for apart.
double overlap(const QRect &a, const QRect &b);

} // namespace TextUnits

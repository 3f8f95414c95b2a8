#pragma once

#include <QList>
#include <QMap>
#include <QRect>
#include <QString>

#include <map>

// How one thing on a page is drawn and said: a hotspot of the page hotspot map, or a
// drawing that is no hotspot. The English lives here; the Chinese stays in the map.
struct PageItem
{
    int line = 0;                   // in the text file, for messages
    QString kind;                   // title, heading, text, line, bubble, ... (see book.txt)
    QString argument;               // the picture of a "picture", the target of a "contents"
    QMap<QString, QString> options; // speaker=, tail=
    QString shown;                  // the English on the page; "@" breaks the line
    QString spoken;                 // what the audio says; the shown text unless given apart

    QString option(const QString &name) const { return options.value(name); }
};

// A drawing that is not a hotspot, with the rectangle it is drawn in (910 x 580 frame).
struct Decoration
{
    QRect rect;
    PageItem item;
};

// The text of one spread: either described by the page hotspot map (its hotspots by N_<i>,
// drawn in the map's rectangles), or laid out by the generator itself, page by page in
// reading order, and mapped afterwards by drafting from the pages and the recording.
struct SpreadText
{
    int line = 0;
    std::map<int, PageItem> hotspots; // by the i of N_<i>
    QList<Decoration> decorations;    // in drawing order, beneath the hotspots
    QList<PageItem> pages[2];         // laid out: the left page's items, the right page's

    bool laidOut() const { return !pages[0].isEmpty() || !pages[1].isEmpty(); }
};

// One demo animation: a drawn scene and a spoken line.
struct MovieText
{
    int line = 0;
    int spread = 0;
    bool second = false; // information<k>b rather than information<k>
    QString scene;
    QString argument; // how the scene goes, e.g. which way the route on the map turns
    QString speaker;
    QString spoken;
};

// The English of the demo book, read from book.txt.
class BookText
{
public:
    // Reads the file or fails with the file name and line of the first fault.
    static BookText read(const QString &path);

    const std::map<QString, SpreadText> &spreads() const { return m_spreads; }
    const SpreadText *spread(const QString &tag) const;
    const QList<MovieText> &movies() const { return m_movies; }

    // The espeak-ng voice of a speaker; the narrator's for none.
    QString voice(const QString &speaker) const;

private:
    QString m_path;
    QMap<QString, QString> m_voices;
    std::map<QString, SpreadText> m_spreads;
    QList<MovieText> m_movies;
};

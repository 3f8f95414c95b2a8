#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <map>

// What the author did to a drafted spread, kept in tools/demobook/corrections.txt so that it
// can be read and reviewed, and done again on every new draft.
struct SpreadCorrections
{
    struct Hotspot
    {
        int line = 0;
        int drafted = -1;  // N_<i> of the draft
        QString english;   // what the page says there, to make sure it is that hotspot
        QString text;      // the Chinese for TEXT
        QList<int> joined; // drafted hotspots that are one with this one (a sentence
                           // the draft split); their rectangles and segments join it
    };
    int line = 0;
    QList<Hotspot> hotspots; // in the order of the finished map
    QList<int> dropped;      // drafted hotspots that are none (a mark read in a picture)
};

// The corrections by spread tag.
class Corrections
{
public:
    // Reads the file or fails with the file name and line of the first fault.
    static Corrections read(const QString &path);

    const std::map<QString, SpreadCorrections> &spreads() const { return m_spreads; }

private:
    std::map<QString, SpreadCorrections> m_spreads;
};

// The page hotspot map `map` (its bytes) with the spreads the corrections name taken from
// the draft `draftMap` and its sidecar `draftSidecar` (mvrbook draft's point.xml and
// draft.json), corrected; every other spread keeps its bytes. Fails naming the spread and
// hotspot where the draft and the corrections part ways.
QByteArray mergeDraft(const QByteArray &map, const QByteArray &draftMap,
                      const QByteArray &draftSidecar, const Corrections &corrections,
                      const QString &correctionsPath);

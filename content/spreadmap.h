#pragma once

#include "content/listfile.h"

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <optional>

// One clickable place of a spread, in the 910 x 580 frame of the spread image; the rectangle
// includes its right column and bottom row.
struct Hotspot
{
    QRect rect;
    QString text;      // "@" of the map already turned into line feeds
    int startTime = 0; // ms into the spread audio
    int endTime = 0;
};

// A hotspot as the program reads it from the attributes of an N_<i> element of the map.
Hotspot hotspotFrom(const QXmlStreamAttributes &attributes);

// The hotspots of the spread on display, read from the page hotspot map under the spread's
// tag. load() empties the list first; count and flash change only when the spread and its
// "NO" element are found. What the map file holds for every spread is kept from one load to
// the next while the file's bytes stay the same.
class SpreadMap
{
public:
    explicit SpreadMap(ReadFailureReport report = {});

    void setTag(const QString &tag);
    // True when the file could be read as a map, whether or not it describes the spread;
    // false after the failure has been reported.
    bool load(const QString &path);

    const QList<Hotspot> &hotspots() const { return m_hotspots; }
    int count() const { return m_count; }
    int flash() const { return m_flash; }
    const QString &tag() const { return m_tag; }

private:
    QList<Hotspot> m_hotspots;
    int m_count = 0;
    int m_flash = 0;
    QString m_tag;
    ListItemsCache<Hotspot> m_files;
};

// The frame the hotspot rectangles are given in, whatever size the page is shown at.
inline constexpr QSize spreadFrame{910, 580};

// A position in view pixels in the spread frame: x * 910 / width, y * 580 / height in integer
// arithmetic, multiplied first, truncated. Nothing for a view without area.
std::optional<QPoint> toSpreadFrame(QPoint viewPos, QSize viewSize);

// Index of the first hotspot whose rectangle contains the frame point, edges included; -1 for
// none. Where rectangles overlap the lower index wins.
int hotspotAt(const QList<Hotspot> &hotspots, QPoint framePoint);

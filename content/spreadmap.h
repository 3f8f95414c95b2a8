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

// The hotspots of the spread on display, read from the page hotspot map under the spread's
// tag. load() empties the list first; count and flash change only when the spread and its
// "NO" element are found. The map file is parsed once and reused while it is unchanged.
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
    ListFileCache m_files;
};

// The frame the hotspot rectangles are given in, whatever size the page is shown at.
inline constexpr QSize spreadFrame{910, 580};

// A position in view pixels in the spread frame: x * 910 / width, y * 580 / height in integer
// arithmetic, multiplied first, truncated. Nothing for a view without area.
std::optional<QPoint> toSpreadFrame(QPoint viewPos, QSize viewSize);

// Index of the first hotspot whose rectangle contains the frame point, edges included; -1 for
// none. Where rectangles overlap the lower index wins.
int hotspotAt(const QList<Hotspot> &hotspots, QPoint framePoint);

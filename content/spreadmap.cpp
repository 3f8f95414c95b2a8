#include "content/spreadmap.h"

Hotspot hotspotFrom(const QXmlStreamAttributes &attributes)
{
    const int left = intAttribute(attributes, QLatin1StringView("LEFT"));
    const int top = intAttribute(attributes, QLatin1StringView("TOP"));
    const int right = intAttribute(attributes, QLatin1StringView("RIGHT"));
    const int bottom = intAttribute(attributes, QLatin1StringView("BOTTOM"));
    Hotspot hotspot;
    hotspot.rect = QRect(QPoint(left, top), QPoint(right, bottom));
    hotspot.startTime = intAttribute(attributes, QLatin1StringView("STARTTIME"));
    hotspot.endTime = intAttribute(attributes, QLatin1StringView("ENDTIME"));
    hotspot.text = attributes.value(QLatin1StringView("TEXT")).toString().replace(u'@', u'\n');
    return hotspot;
}

SpreadMap::SpreadMap(ReadFailureReport report)
    : m_files(QStringLiteral("Book"), &hotspotFrom, std::move(report))
{}

void SpreadMap::setTag(const QString &tag)
{
    m_tag = tag;
}

bool SpreadMap::load(const QString &path)
{
    m_hotspots.clear();
    const auto file = m_files.load(path);
    if (!file)
        return false;
    if (const auto *spread = file->section(m_tag)) {
        m_count = spread->count.m;
        m_flash = spread->count.flash;
        m_hotspots = spread->items;
    }
    return true;
}

std::optional<QPoint> toSpreadFrame(QPoint viewPos, QSize viewSize)
{
    if (viewSize.width() <= 0 || viewSize.height() <= 0)
        return std::nullopt;
    return QPoint(viewPos.x() * spreadFrame.width() / viewSize.width(),
                  viewPos.y() * spreadFrame.height() / viewSize.height());
}

int hotspotAt(const QList<Hotspot> &hotspots, QPoint framePoint)
{
    for (qsizetype i = 0; i < hotspots.size(); ++i) {
        if (hotspots[i].rect.contains(framePoint))
            return static_cast<int>(i);
    }
    return -1;
}

#include "content/spreadmap.h"

namespace {

Hotspot hotspotFrom(const QDomElement &element)
{
    const int left = intAttribute(element, QStringLiteral("LEFT"));
    const int top = intAttribute(element, QStringLiteral("TOP"));
    const int right = intAttribute(element, QStringLiteral("RIGHT"));
    const int bottom = intAttribute(element, QStringLiteral("BOTTOM"));
    Hotspot hotspot;
    hotspot.rect = QRect(QPoint(left, top), QPoint(right, bottom));
    hotspot.startTime = intAttribute(element, QStringLiteral("STARTTIME"));
    hotspot.endTime = intAttribute(element, QStringLiteral("ENDTIME"));
    hotspot.text = element.attribute(QStringLiteral("TEXT")).replace(u'@', u'\n');
    return hotspot;
}

} // namespace

SpreadMap::SpreadMap(ReadFailureReport report)
    : m_files(QStringLiteral("Book"), std::move(report))
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
    const ListSection *spread = file->section(m_tag);
    if (!spread || spread->countElement.isNull())
        return true;
    m_count = intAttribute(spread->countElement, QStringLiteral("m"));
    m_flash = intAttribute(spread->countElement, QStringLiteral("FLASH"));
    const QList<QDomElement> items = spread->itemsBelow(m_count);
    m_hotspots.reserve(items.size());
    for (const QDomElement &item : items)
        m_hotspots.append(hotspotFrom(item));
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

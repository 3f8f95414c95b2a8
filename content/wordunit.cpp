#include "content/wordunit.h"

WordEntry entryFrom(const QXmlStreamAttributes &attributes)
{
    WordEntry entry;
    entry.english = attributes.value(QLatin1StringView("WORD")).toString();
    entry.meaning = attributes.value(QLatin1StringView("TEXT")).toString();
    entry.startTime = intAttribute(attributes, QLatin1StringView("STARTTIME"));
    entry.endTime = intAttribute(attributes, QLatin1StringView("ENDTIME"));
    return entry;
}

WordUnit::WordUnit(QString tag, ReadFailureReport report)
    : m_tag(std::move(tag))
    , m_report(std::move(report))
{}

void WordUnit::clear()
{
    m_entries.clear();
}

bool WordUnit::load(const QString &path)
{
    // A unit is loaded once and replaced on the next load, so there is nothing to cache.
    const auto file = ListItems<WordEntry>::read(path, u"BookWrod", &entryFrom, m_report);
    if (!file)
        return false;
    if (const auto *unit = file->section(m_tag)) {
        m_count = unit->count.m;
        m_entries += unit->items;
    }
    return true;
}

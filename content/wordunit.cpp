#include "content/wordunit.h"

namespace {

WordEntry entryFrom(const QDomElement &element)
{
    WordEntry entry;
    entry.english = element.attribute(QStringLiteral("WORD"));
    entry.meaning = element.attribute(QStringLiteral("TEXT"));
    entry.startTime = intAttribute(element, QStringLiteral("STARTTIME"));
    entry.endTime = intAttribute(element, QStringLiteral("ENDTIME"));
    return entry;
}

} // namespace

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
    const auto file = ListFile::read(path, QStringLiteral("BookWrod"), m_report);
    if (!file)
        return false;
    const ListSection *unit = file->section(m_tag);
    if (!unit || unit->countElement.isNull())
        return true;
    m_count = intAttribute(unit->countElement, QStringLiteral("m"));
    for (const QDomElement &item : unit->itemsBelow(m_count))
        m_entries.append(entryFrom(item));
    return true;
}

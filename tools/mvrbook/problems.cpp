#include "tools/mvrbook/problems.h"

#include "content/content.h"

#include <algorithm>

QString Problem::toString() const
{
    QString where = file;
    if (line > 0)
        where += QStringLiteral(":%1").arg(line);
    QString about;
    if (spread >= 0)
        about = QStringLiteral("spread %1 (%2)").arg(spread).arg(Content::spreadTag(spread));
    if (!item.isEmpty())
        about += (about.isEmpty() ? QString() : QStringLiteral(" ")) + item;
    return QStringLiteral("%1: %2: %3%4")
        .arg(where,
             severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning"),
             about.isEmpty() ? QString() : about + QStringLiteral(": "), message);
}

void Problems::add(Problem::Severity severity, const Place &place, const QString &message)
{
    m_problems.append({severity, place.file, place.line, place.spread, place.item, message});
}

void Problems::error(const Place &place, const QString &message)
{
    add(Problem::Severity::Error, place, message);
}

void Problems::warning(const Place &place, const QString &message)
{
    add(Problem::Severity::Warning, place, message);
}

void Problems::append(const Problems &other)
{
    m_problems += other.m_problems;
}

int Problems::errors() const
{
    return static_cast<int>(
        std::count_if(m_problems.begin(), m_problems.end(),
                      [](const Problem &p) { return p.severity == Problem::Severity::Error; }));
}

int Problems::warnings() const
{
    return static_cast<int>(m_problems.size()) - errors();
}

QList<Problem> Problems::sorted(const QStringList &fileOrder) const
{
    const auto rank = [&fileOrder](const QString &file) {
        for (qsizetype n = 0; n < fileOrder.size(); ++n) {
            if (file == fileOrder[n] || file.startsWith(fileOrder[n] + u'/'))
                return n;
        }
        return fileOrder.size();
    };
    QList<Problem> sorted = m_problems;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Problem &a, const Problem &b) {
        if (a.severity != b.severity)
            return a.severity == Problem::Severity::Error;
        if (rank(a.file) != rank(b.file))
            return rank(a.file) < rank(b.file);
        if (a.file != b.file)
            return a.file < b.file;
        return a.line < b.line;
    });
    return sorted;
}

#include "content/listfile.h"

#include <QFile>
#include <QFileInfo>

#include <limits>
#include <optional>

namespace {

// The i of an item name "N_<i>", written in decimal without leading zeros; nothing for any
// other name (n_1, N_01, N_-1, N_ and names too large for an int are not items).
std::optional<int> itemNumber(const QString &name)
{
    if (!name.startsWith(u"N_") || name.size() == 2)
        return std::nullopt;
    const QStringView digits = QStringView(name).mid(2);
    if (digits.size() > 1 && digits.front() == u'0')
        return std::nullopt;
    qint64 value = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
        if (value > std::numeric_limits<int>::max())
            return std::nullopt;
    }
    return static_cast<int>(value);
}

ListSection indexSection(const QDomElement &element)
{
    ListSection section;
    section.countElement = element.firstChildElement(QStringLiteral("NO"));
    for (QDomElement child = element.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (const auto i = itemNumber(child.tagName()))
            section.items[*i].append(child);
    }
    return section;
}

} // namespace

QList<QDomElement> ListSection::itemsBelow(int count) const
{
    QList<QDomElement> found;
    for (auto it = items.begin(); it != items.end() && it->first < count; ++it)
        found += it->second;
    return found;
}

std::shared_ptr<const ListFile> ListFile::read(const QString &path, const QString &rootName,
                                               const ReadFailureReport &report)
{
    const auto tell = [&report](const QString &title, const QString &text) {
        if (report)
            report(title, text);
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        tell(QStringLiteral("err"), QStringLiteral("open file err"));
        return nullptr;
    }
    auto parsed = std::shared_ptr<ListFile>(new ListFile);
    QString parserMessage;
    if (!parsed->m_document.setContent(&file, false, &parserMessage)) {
        tell(QStringLiteral("err"), QStringLiteral("err") + parserMessage);
        return nullptr;
    }
    file.close();

    const QDomElement root = parsed->m_document.documentElement();
    if (root.tagName() != rootName) {
        tell(QStringLiteral("err出错原因"), QStringLiteral("open xml err"));
        return nullptr;
    }
    // Only the first section of a tag is ever read.
    for (QDomElement child = root.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (!parsed->m_sections.contains(child.tagName()))
            parsed->m_sections.emplace(child.tagName(), indexSection(child));
    }
    return parsed;
}

const ListSection *ListFile::section(const QString &tag) const
{
    const auto it = m_sections.find(tag);
    return it == m_sections.end() ? nullptr : &it->second;
}

ListFileCache::ListFileCache(QString rootName, ReadFailureReport report)
    : m_rootName(std::move(rootName))
    , m_report(std::move(report))
{}

std::shared_ptr<const ListFile> ListFileCache::load(const QString &path)
{
    const QFileInfo info(path);
    const bool unchanged =
        m_file && path == m_path && info.lastModified() == m_modified && info.size() == m_size;
    // The open is tried each time so that a file that became unreadable is reported as on a
    // fresh read.
    if (unchanged && QFile(path).open(QIODevice::ReadOnly))
        return m_file;

    m_file = ListFile::read(path, m_rootName, m_report);
    m_path = path;
    m_modified = info.lastModified();
    m_size = info.size();
    return m_file;
}

int intAttribute(const QDomElement &element, const QString &name)
{
    return element.attribute(name).toInt();
}

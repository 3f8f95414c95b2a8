#include "content/listfile.h"

#include <QDomNamedNodeMap>
#include <QFile>
#include <QSet>
#include <QXmlStreamReader>

#include <limits>

namespace {

// The i of an item name "N_<i>", written in decimal without leading zeros; nothing for any
// other name (n_1, N_01, N_-1, N_ and names too large for an int are not items).
std::optional<int> itemNumber(QStringView name)
{
    if (!name.startsWith(u"N_") || name.size() == 2)
        return std::nullopt;
    const QStringView digits = name.mid(2);
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

ListFileFailure parseFailure(const QString &parserMessage, qint64 line, qint64 column)
{
    return {QStringLiteral("err"), QStringLiteral("err") + parserMessage, parserMessage, int(line),
            int(column)};
}

} // namespace

std::optional<QByteArray> readListFileBytes(const QString &path, ListFileFailure &failure)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        failure = {QStringLiteral("err"), QStringLiteral("open file err"), {}, 0, 0};
        return std::nullopt;
    }
    if (file.size() > maxListFileBytes) {
        failure = parseFailure(QStringLiteral("File is larger than 16 MB."), 0, 0);
        return std::nullopt;
    }
    return file.readAll();
}

bool readSections(const QByteArray &bytes, QStringView rootName,
                  const std::function<void(const QString &tag, RawSection &&section)> &take,
                  ListFileFailure &failure)
{
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    QString root;
    qint64 rootLine = 0;
    qint64 rootColumn = 0;
    QSet<QString> seen;
    QString tag; // of the section being read; empty outside one, and in a later one of a tag
    RawSection section;
    int depth = 0;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            if (++depth > maxListFileDepth) {
                reader.raiseError(QStringLiteral("Elements are nested deeper than 256 levels."));
                break;
            }
            const QStringView name = reader.qualifiedName();
            if (depth == 1) {
                root = name.toString();
                rootLine = reader.lineNumber();
                rootColumn = reader.columnNumber();
            } else if (depth == 2 && !seen.contains(name.toString())) {
                tag = name.toString();
                seen.insert(tag);
            } else if (depth == 3 && !tag.isEmpty()) {
                if (name == u"NO") {
                    if (!section.count)
                        section.count = reader.attributes();
                } else if (const auto i = itemNumber(name)) {
                    section.items.append({*i, reader.attributes()});
                }
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (depth == 2 && !tag.isEmpty()) {
                if (take)
                    take(tag, std::move(section));
                section = {};
                tag.clear();
            }
            --depth;
        }
    }
    if (reader.hasError()) {
        failure = parseFailure(reader.errorString(), reader.lineNumber(), reader.columnNumber());
        return false;
    }
    if (root != rootName) {
        failure = {QStringLiteral("err出错原因"),
                   QStringLiteral("open xml err"),
                   {},
                   int(rootLine),
                   int(rootColumn)};
        return false;
    }
    return true;
}

int intAttribute(const QXmlStreamAttributes &attributes, QLatin1StringView name)
{
    return attributes.value(name).toInt();
}

QXmlStreamAttributes attributesOf(const QDomElement &element)
{
    QXmlStreamAttributes attributes;
    const QDomNamedNodeMap nodes = element.attributes();
    for (int n = 0; n < nodes.count(); ++n) {
        const QDomNode node = nodes.item(n);
        attributes.append(node.nodeName(), node.nodeValue());
    }
    return attributes;
}

void tellFailure(const ReadFailureReport &report, const ListFileFailure &failure)
{
    if (report)
        report(failure.title, failure.text);
}

QList<QDomElement> ListSection::itemsBelow(int count) const
{
    QList<QDomElement> found;
    for (auto it = items.begin(); it != items.end() && it->first < count; ++it)
        found += it->second;
    return found;
}

std::shared_ptr<const ListFile> ListFile::parse(const QString &path, const QString &rootName,
                                                ListFileFailure &failure)
{
    const auto bytes = readListFileBytes(path, failure);
    // The program's verdict first: what it refuses is refused here in its words.
    if (!bytes || !readSections(*bytes, rootName, {}, failure))
        return nullptr;
    auto parsed = std::shared_ptr<ListFile>(new ListFile);
    QString parserMessage;
    int line = 0;
    int column = 0;
    if (!parsed->m_document.setContent(*bytes, false, &parserMessage, &line, &column)) {
        failure = parseFailure(parserMessage, line, column);
        return nullptr;
    }
    // Only the first section of a tag is ever read.
    for (QDomElement child = parsed->m_document.documentElement().firstChildElement();
         !child.isNull(); child = child.nextSiblingElement()) {
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

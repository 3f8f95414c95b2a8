#include "content/listfile.h"

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

void tell(const ReadFailureReport &report, const QString &title, const QString &text)
{
    if (report)
        report(title, text);
}

} // namespace

std::optional<QByteArray> readListFileBytes(const QString &path, const ReadFailureReport &report)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        tell(report, QStringLiteral("err"), QStringLiteral("open file err"));
        return std::nullopt;
    }
    if (file.size() > maxListFileBytes) {
        tell(report, QStringLiteral("err"), QStringLiteral("errFile is larger than 16 MB."));
        return std::nullopt;
    }
    return file.readAll();
}

bool readSections(const QByteArray &bytes, QStringView rootName,
                  const std::function<void(const QString &tag, RawSection &&section)> &take,
                  const ReadFailureReport &report)
{
    QXmlStreamReader reader(bytes);
    reader.setNamespaceProcessing(false);
    QString root;
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
                take(tag, std::exchange(section, {}));
                tag.clear();
            }
            --depth;
        }
    }
    if (reader.hasError()) {
        tell(report, QStringLiteral("err"), QStringLiteral("err") + reader.errorString());
        return false;
    }
    if (root != rootName) {
        tell(report, QStringLiteral("err出错原因"), QStringLiteral("open xml err"));
        return false;
    }
    return true;
}

int intAttribute(const QXmlStreamAttributes &attributes, QLatin1StringView name)
{
    return attributes.value(name).toInt();
}

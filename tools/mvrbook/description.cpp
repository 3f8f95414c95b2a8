#include "tools/mvrbook/description.h"

#include "tools/mvrbook/encoding.h"

#include <QFile>
#include <QRegularExpression>

namespace {

const QString bookSection = QStringLiteral("book");
const QString titleKey = QStringLiteral("title");
const QString contentsKey = QStringLiteral("contents");
const QString noTarget = QStringLiteral("-");

QList<int> readContents(const QString &value, const Problems::Place &place, Problems &problems)
{
    QList<int> contents;
    if (value.trimmed().isEmpty())
        return contents;
    const QStringList entries = value.split(u',');
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString entry = entries[i].trimmed();
        bool number = false;
        const int spread = entry.toInt(&number);
        if (entry == noTarget) {
            contents.append(-1);
        } else if (number && spread >= 0 && !entry.startsWith(u'+')) {
            contents.append(spread);
        } else {
            problems.error(place, QStringLiteral("contents entry %1 (N_%1) is \"%2\": write the "
                                                 "spread it opens, or - for none")
                                      .arg(i)
                                      .arg(entry));
            contents.append(-1);
        }
    }
    return contents;
}

} // namespace

BookDescription BookDescription::read(const QString &path, const QString &shown, Problems &problems)
{
    BookDescription description;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        problems.error({shown}, QStringLiteral("the book has no description file: it names the "
                                               "book and gives its contents table"));
        return description;
    }
    static const QRegularExpression sectionLine(QStringLiteral(R"(^\[\s*([^\]]*?)\s*\]$)"));
    static const QRegularExpression keyLine(QStringLiteral(R"(^([A-Za-z_]+)\s*=\s*(.*)$)"));
    QString section;
    bool titleSeen = false;
    bool contentsSeen = false;
    int lineNumber = 0;
    while (!file.atEnd()) {
        const QByteArray bytes = file.readLine();
        ++lineNumber;
        const Problems::Place place{shown, lineNumber};
        // A title in another encoding would be shown as nonsense in the window's title.
        if (firstNonUtf8Line(bytes)) {
            problems.error(place, QStringLiteral("this line is not UTF-8: save the file as UTF-8"));
            return description;
        }
        QString line = QString::fromUtf8(bytes).trimmed();
        if (lineNumber == 1 && line.startsWith(QChar(0xfeff)))
            line = line.mid(1).trimmed();
        if (line.isEmpty() || line.startsWith(u'#') || line.startsWith(u';'))
            continue;
        if (const auto match = sectionLine.match(line); match.hasMatch()) {
            section = match.captured(1);
            if (section != bookSection)
                problems.warning(place, QStringLiteral("section [%1] is not read; the "
                                                       "description has only [book]")
                                            .arg(section));
            continue;
        }
        const auto match = keyLine.match(line);
        if (!match.hasMatch()) {
            problems.error(
                place, QStringLiteral("\"%1\" is neither a [section] nor key = value").arg(line));
            continue;
        }
        if (section != bookSection) {
            if (section.isEmpty())
                problems.error(place,
                               QStringLiteral("%1 comes before [book]").arg(match.captured(1)));
            continue;
        }
        const QString key = match.captured(1);
        const QString value = match.captured(2).trimmed();
        if (key == titleKey) {
            if (titleSeen)
                problems.warning(place, QStringLiteral("a second title; this one counts"));
            titleSeen = true;
            description.title = value;
        } else if (key == contentsKey) {
            if (contentsSeen)
                problems.warning(place, QStringLiteral("a second contents table; this one counts"));
            contentsSeen = true;
            description.contents = readContents(value, place, problems);
            description.contentsLine = lineNumber;
        } else {
            problems.warning(
                place, QStringLiteral("%1 is not read; [book] has title and contents").arg(key));
        }
    }
    if (!titleSeen || description.title.isEmpty())
        problems.warning({shown}, QStringLiteral("the book has no title, which names the "
                                                 "program's window on the desktop"));
    if (!contentsSeen)
        problems.warning({shown}, QStringLiteral("no contents table: a click on a contents entry "
                                                 "opens nothing"));
    return description;
}

QByteArray BookDescription::text() const
{
    QStringList entries;
    for (const int spread : contents)
        entries.append(spread < 0 ? noTarget : QString::number(spread));
    return QStringLiteral("# A book for Mivora; docs/book-format.md describes this file.\n"
                          "[book]\n"
                          "title = %1\n"
                          "# The spread each contents entry (N_0, N_1, ... of the contents "
                          "spread) opens; - for none.\n"
                          "contents = %2\n")
        .arg(title, entries.join(QStringLiteral(", ")))
        .toUtf8();
}

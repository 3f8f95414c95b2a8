#include "tools/demobook/draftmerge.h"

#include "content/content.h"
#include "tools/common/failure.h"

#include <QDomDocument>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QRegularExpression>

#include <algorithm>
#include <optional>

namespace {

// Letters and digits only, lower case: what the English says, whatever the recognition made
// of its punctuation and spacing.
QString essence(const QString &english)
{
    QString kept;
    for (const QChar c : english)
        if (c.isLetterOrNumber())
            kept.append(c.toLower());
    return kept;
}

int editDistance(const QString &a, const QString &b)
{
    std::vector<int> row(size_t(b.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = int(i);
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const int above = row[size_t(j)];
            row[size_t(j)] = std::min(
                {above + 1, row[size_t(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

// The same English, allowing the recognition a letter wrong in five: a name tag or the
// edge of a bubble read with the words, a full stop lost.
bool sameEnglish(const QString &read, const QString &written)
{
    const QString a = essence(read), b = essence(written);
    return editDistance(a, b) <= std::max<qsizetype>(1, b.size() / 5);
}

struct Drafted
{
    QRect rect;
    std::optional<std::pair<int, int>> segment;
    QString english;
};

std::map<QString, QList<Drafted>> readDraft(const QByteArray &map, const QByteArray &sidecar)
{
    QDomDocument document;
    if (!document.setContent(map))
        throw Failure(QStringLiteral("the draft's map cannot be read"));
    std::map<QString, QList<Drafted>> spreads;
    for (QDomElement spread = document.documentElement().firstChildElement(); !spread.isNull();
         spread = spread.nextSiblingElement()) {
        QList<Drafted> &hotspots = spreads[spread.tagName()];
        for (int i = 0;; ++i) {
            const QDomElement e = spread.firstChildElement(QStringLiteral("N_%1").arg(i));
            if (e.isNull())
                break;
            const auto number = [&e](const char *name) {
                return e.attribute(QString::fromLatin1(name)).toInt();
            };
            Drafted hotspot;
            hotspot.rect = QRect(QPoint(number("LEFT"), number("TOP")),
                                 QPoint(number("RIGHT"), number("BOTTOM")));
            if (!e.attribute(QStringLiteral("STARTTIME")).isEmpty())
                hotspot.segment = {number("STARTTIME"), number("ENDTIME")};
            hotspots.append(hotspot);
        }
    }
    const QJsonArray list =
        QJsonDocument::fromJson(sidecar).object().value(QStringLiteral("spreads")).toArray();
    for (const QJsonValue &value : list) {
        const QJsonObject spread = value.toObject();
        const auto found = spreads.find(spread.value(QStringLiteral("tag")).toString());
        if (found == spreads.end())
            continue;
        const QJsonArray hotspots = spread.value(QStringLiteral("hotspots")).toArray();
        for (qsizetype i = 0; i < std::min(hotspots.size(), found->second.size()); ++i)
            found->second[i].english =
                hotspots[i].toObject().value(QStringLiteral("english")).toString();
    }
    return spreads;
}

QString escaped(const QString &text)
{
    return QString(text).toHtmlEscaped();
}

// One spread written as the program's map writes every spread: tabs, CRLF, "NO" first.
QByteArray spreadBytes(const QString &tag, const QList<Drafted> &hotspots,
                       const QList<QString> &texts)
{
    QString xml = QStringLiteral("\t<%1>\r\n\t\t<NO m =\"%2\" FLASH = \"0\"/>\r\n")
                      .arg(tag)
                      .arg(hotspots.size());
    for (qsizetype i = 0; i < hotspots.size(); ++i) {
        const Drafted &h = hotspots[i];
        xml += QStringLiteral("\t\t<N_%1 LEFT=\"%2\" TOP=\"%3\" RIGHT=\"%4\" BOTTOM=\"%5\" "
                              "STARTTIME=\"%6\" ENDTIME=\"%7\" TEXT=\"%8\" />\r\n")
                   .arg(i)
                   .arg(h.rect.left())
                   .arg(h.rect.top())
                   .arg(h.rect.right())
                   .arg(h.rect.bottom())
                   .arg(h.segment ? QString::number(h.segment->first) : QString())
                   .arg(h.segment ? QString::number(h.segment->second) : QString())
                   .arg(escaped(texts[i]));
    }
    return (xml + QStringLiteral("\t</%1>\r\n").arg(tag)).toUtf8();
}

QList<Drafted> corrected(const QString &tag, const QList<Drafted> &drafted,
                         const SpreadCorrections &spread, const QString &path,
                         QList<QString> &texts)
{
    const auto fail = [&](int line, const QString &why) {
        throw Failure(QStringLiteral("%1:%2: %3 %4").arg(path).arg(line).arg(tag, why));
    };
    QList<bool> used(drafted.size(), false);
    const auto take = [&](int line, int i) -> const Drafted & {
        if (i < 0 || i >= drafted.size())
            fail(line,
                 QStringLiteral("N_%1: the draft has %2 hotspots").arg(i).arg(drafted.size()));
        if (used[i])
            fail(line, QStringLiteral("N_%1 is used twice").arg(i));
        used[i] = true;
        return drafted[i];
    };
    QList<Drafted> result;
    for (const SpreadCorrections::Hotspot &wanted : spread.hotspots) {
        Drafted hotspot = take(wanted.line, wanted.drafted);
        for (const int part : wanted.joined) {
            const Drafted &more = take(wanted.line, part);
            hotspot.rect |= more.rect;
            hotspot.english += u' ' + more.english;
            if (hotspot.segment && more.segment)
                hotspot.segment =
                    std::pair{std::min(hotspot.segment->first, more.segment->first),
                              std::max(hotspot.segment->second, more.segment->second)};
        }
        if (!sameEnglish(hotspot.english, wanted.english))
            fail(wanted.line, QStringLiteral("N_%1 was read as \"%2\", not \"%3\"")
                                  .arg(wanted.drafted)
                                  .arg(hotspot.english, wanted.english));
        result.append(hotspot);
        texts.append(wanted.text);
    }
    for (const int i : spread.dropped)
        take(spread.line, i);
    for (qsizetype i = 0; i < drafted.size(); ++i)
        if (!used[i])
            fail(spread.line, QStringLiteral("N_%1 (\"%2\") is neither kept nor dropped")
                                  .arg(i)
                                  .arg(drafted[i].english));
    return result;
}

} // namespace

Corrections Corrections::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    static const QRegularExpression section(QStringLiteral(R"(^\[(P\d+-\d+)\]$)"));
    static const QRegularExpression hotspot(
        QStringLiteral(R"(^N_(\d+)((?:\s*\+\s*N_\d+)*)\s*\|\s*(.+?)\s*\|\s*(\S.*)$)"));
    static const QRegularExpression drop(QStringLiteral(R"(^drop\s+N_(\d+)$)"));
    static const QRegularExpression joinedName(QStringLiteral(R"(N_(\d+))"));
    Corrections corrections;
    SpreadCorrections *current = nullptr;
    int number = 0;
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        if (text.isEmpty() || text.startsWith(u'#'))
            continue;
        const auto fail = [&](const QString &why) {
            throw Failure(QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(why));
        };
        if (const auto m = section.match(text); m.hasMatch()) {
            if (corrections.m_spreads.contains(m.captured(1)))
                fail(QStringLiteral("%1 corrected twice").arg(m.captured(1)));
            current = &corrections.m_spreads[m.captured(1)];
            current->line = number;
            continue;
        }
        if (!current)
            fail(QStringLiteral("a line before the first [P<a>-<b>]"));
        if (const auto m = drop.match(text); m.hasMatch()) {
            current->dropped.append(m.captured(1).toInt());
        } else if (const auto h = hotspot.match(text); h.hasMatch()) {
            SpreadCorrections::Hotspot wanted;
            wanted.line = number;
            wanted.drafted = h.captured(1).toInt();
            for (auto it = joinedName.globalMatch(h.captured(2)); it.hasNext();)
                wanted.joined.append(it.next().captured(1).toInt());
            wanted.english = h.captured(3);
            wanted.text = h.captured(4);
            current->hotspots.append(wanted);
        } else {
            fail(QStringLiteral("neither \"N_<i> [+ N_<j> ...] | English | 中文\" nor "
                                "\"drop N_<i>\""));
        }
    }
    return corrections;
}

QByteArray mergeDraft(const QByteArray &map, const QByteArray &draftMap,
                      const QByteArray &draftSidecar, const Corrections &corrections,
                      const QString &correctionsPath)
{
    const QByteArray bom("\xEF\xBB\xBF");
    if (!map.startsWith(bom + "<Book>\r\n") || !map.endsWith("</Book>\r\n"))
        throw Failure(QStringLiteral("the map does not start with <Book> and end with </Book>"));
    // Every spread of the map as it is written, by index.
    std::map<int, QByteArray> spreads;
    static const QRegularExpression element(QStringLiteral(R"(\t<(P(\d+)-\d+)>\r\n.*?\t</\1>\r\n)"),
                                            QRegularExpression::DotMatchesEverythingOption);
    const QString text = QString::fromUtf8(map);
    for (auto it = element.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        spreads[m.captured(2).toInt() / 2] = m.captured(0).toUtf8();
    }
    const auto drafted = readDraft(draftMap, draftSidecar);
    for (const auto &[tag, spread] : corrections.spreads()) {
        int k = -1;
        for (int n = 0; n <= Content::lastSpread; ++n)
            k = Content::spreadTag(n) == tag ? n : k;
        if (k < 0)
            throw Failure(QStringLiteral("%1:%2: no spread %3")
                              .arg(correctionsPath)
                              .arg(spread.line)
                              .arg(tag));
        const auto found = drafted.find(tag);
        if (found == drafted.end())
            throw Failure(QStringLiteral("%1:%2: the draft has no hotspots for %3")
                              .arg(correctionsPath)
                              .arg(spread.line)
                              .arg(tag));
        QList<QString> texts;
        const QList<Drafted> hotspots =
            corrected(tag, found->second, spread, correctionsPath, texts);
        spreads[k] = spreadBytes(tag, hotspots, texts);
    }
    QByteArray merged = bom + "<Book>\r\n";
    for (const auto &[k, bytes] : spreads)
        merged += bytes;
    return merged + "</Book>\r\n";
}

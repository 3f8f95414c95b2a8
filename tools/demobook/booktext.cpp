#include "tools/demobook/booktext.h"

#include "tools/demobook/tools.h"

#include <QFile>
#include <QRegularExpression>

namespace {

struct Line
{
    const QString &path;
    int number;

    [[noreturn]] void fail(const QString &why) const
    {
        throw Failure(QStringLiteral("%1:%2: %3").arg(path).arg(number).arg(why));
    }
};

// "<kind> [argument] [key=value ...] | shown [|| spoken]". The text after "|" may be absent
// for drawings that say nothing.
PageItem parseItem(const QString &written, const Line &line, bool textRequired)
{
    PageItem item;
    item.line = line.number;
    QString head = written;
    const qsizetype bar = written.indexOf(u'|');
    if (bar >= 0) {
        head = written.left(bar);
        QString rest = written.mid(bar + 1);
        if (rest.startsWith(u'|'))
            line.fail(QStringLiteral("spoken text without shown text"));
        const qsizetype spokenBar = rest.indexOf(QStringLiteral("||"));
        if (spokenBar >= 0) {
            item.spoken = rest.mid(spokenBar + 2).trimmed();
            rest = rest.left(spokenBar);
        }
        item.shown = rest.trimmed();
    }
    if (textRequired && item.shown.isEmpty())
        line.fail(QStringLiteral("a hotspot needs its English after \"|\""));
    if (item.spoken.isEmpty())
        item.spoken = QString(item.shown).replace(u'@', u' ');

    const QStringList words = head.split(u' ', Qt::SkipEmptyParts);
    if (words.isEmpty())
        line.fail(QStringLiteral("no kind given"));
    item.kind = words.first();
    for (qsizetype n = 1; n < words.size(); ++n) {
        const qsizetype eq = words[n].indexOf(u'=');
        if (eq > 0)
            item.options.insert(words[n].left(eq), words[n].mid(eq + 1));
        else if (item.argument.isEmpty())
            item.argument = words[n];
        else
            line.fail(QStringLiteral("more than one argument: %1").arg(words[n]));
    }
    return item;
}

QRect parseRect(const QString &text, const Line &line)
{
    const QStringList parts = text.split(u',');
    QList<int> values;
    for (const QString &part : parts) {
        bool ok = false;
        values.append(part.toInt(&ok));
        if (!ok)
            break;
    }
    if (values.size() != 4 || parts.size() != 4)
        line.fail(QStringLiteral("a rectangle is left,top,right,bottom: %1").arg(text));
    return QRect(QPoint(values[0], values[1]), QPoint(values[2], values[3]));
}

} // namespace

BookText BookText::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        throw Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));

    static const QRegularExpression sectionPattern(QStringLiteral(R"(^\[(\S+)\]$)"));
    static const QRegularExpression hotspotPattern(QStringLiteral(R"(^N_(0|[1-9][0-9]*)\s+(.*)$)"));
    static const QRegularExpression drawingPattern(QStringLiteral(R"(^~\s+(\S+)\s+(.*)$)"));
    static const QRegularExpression laidOutPattern(QStringLiteral(R"(^([<>])\s+(.*)$)"));
    static const QRegularExpression voicePattern(QStringLiteral(R"(^(\S+)\s*=\s*(\S+)$)"));
    static const QRegularExpression moviePattern(
        QStringLiteral(R"(^(0|[1-9][0-9]*)\s+(first|second)\s+(.*)$)"));

    BookText book;
    book.m_path = path;
    QString section;
    int number = 0;
    while (!file.atEnd()) {
        const QString text = QString::fromUtf8(file.readLine()).trimmed();
        ++number;
        const Line line{path, number};
        if (text.isEmpty() || text.startsWith(u'#'))
            continue;
        if (const auto match = sectionPattern.match(text); match.hasMatch()) {
            section = match.captured(1);
            if (section != u"voices" && section != u"movies") {
                if (book.m_spreads.contains(section))
                    line.fail(QStringLiteral("spread %1 described twice").arg(section));
                book.m_spreads[section].line = number;
            }
            continue;
        }
        if (section.isEmpty())
            line.fail(QStringLiteral("text before the first [section]"));

        if (section == u"voices") {
            const auto match = voicePattern.match(text);
            if (!match.hasMatch())
                line.fail(QStringLiteral("a voice is written: speaker = espeak-voice"));
            book.m_voices.insert(match.captured(1), match.captured(2));
        } else if (section == u"movies") {
            const auto match = moviePattern.match(text);
            if (!match.hasMatch())
                line.fail(
                    QStringLiteral("a movie is written: <spread> first|second <scene> | line"));
            const PageItem item = parseItem(match.captured(3), line, true);
            MovieText movie;
            movie.line = number;
            movie.spread = match.captured(1).toInt();
            movie.second = match.captured(2) == u"second";
            movie.scene = item.kind;
            movie.argument = item.argument;
            movie.speaker = item.option(QStringLiteral("speaker"));
            movie.spoken = item.spoken;
            book.m_movies.append(movie);
        } else if (const auto hotspot = hotspotPattern.match(text); hotspot.hasMatch()) {
            const int i = hotspot.captured(1).toInt();
            SpreadText &spread = book.m_spreads[section];
            if (spread.hotspots.contains(i))
                line.fail(QStringLiteral("N_%1 given twice in %2").arg(i).arg(section));
            spread.hotspots[i] = parseItem(hotspot.captured(2), line, true);
        } else if (const auto drawing = drawingPattern.match(text); drawing.hasMatch()) {
            book.m_spreads[section].decorations.append(
                {parseRect(drawing.captured(1), line),
                 parseItem(drawing.captured(2), line, false)});
        } else if (const auto laidOut = laidOutPattern.match(text); laidOut.hasMatch()) {
            book.m_spreads[section].pages[laidOut.captured(1) == u">" ? 1 : 0].append(
                parseItem(laidOut.captured(2), line, true));
        } else {
            line.fail(
                QStringLiteral("neither N_<i> ..., ~ left,top,right,bottom ... nor < or > ..."));
        }
    }
    for (const MovieText &movie : std::as_const(book.m_movies)) {
        if (!movie.speaker.isEmpty() && !book.m_voices.contains(movie.speaker))
            Line{path, movie.line}.fail(QStringLiteral("no voice for %1").arg(movie.speaker));
    }
    for (const auto &[tag, spread] : book.m_spreads) {
        if (spread.laidOut() && (!spread.hotspots.empty() || !spread.decorations.isEmpty()))
            Line{path, spread.line}.fail(
                QStringLiteral("%1 is laid out (< and >) and mapped (N_<i>, ~) at once").arg(tag));
        QList<const PageItem *> items;
        for (const auto &[i, item] : spread.hotspots)
            items.append(&item);
        for (const QList<PageItem> &page : spread.pages)
            for (const PageItem &item : page)
                items.append(&item);
        for (const PageItem *item : std::as_const(items)) {
            const QString speaker = item->option(QStringLiteral("speaker"));
            if (!speaker.isEmpty() && !book.m_voices.contains(speaker))
                Line{path, item->line}.fail(QStringLiteral("no voice for %1").arg(speaker));
        }
    }
    if (!book.m_voices.contains(QStringLiteral("narrator")))
        throw Failure(QStringLiteral("%1: [voices] names no narrator").arg(path));
    return book;
}

const SpreadText *BookText::spread(const QString &tag) const
{
    const auto found = m_spreads.find(tag);
    return found == m_spreads.end() ? nullptr : &found->second;
}

QString BookText::voice(const QString &speaker) const
{
    return m_voices.value(speaker, m_voices.value(QStringLiteral("narrator")));
}

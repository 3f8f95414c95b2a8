#include "tools/demobook/demobook.h"

#include "content/content.h"
#include "content/layout.h"
#include "content/wordunit.h"
#include "tools/common/savefile.h"
#include "tools/demobook/movies.h"
#include "tools/demobook/speech.h"
#include "tools/demobook/spreadpainter.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/description.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// Pages are drawn at the largest size the page view shows them at, the full-screen page at
// 2x, so that mvrbook scales them down to the others as it does a scan.
const QSize pageSize = Layout::fullScreenPageView * 2;

// Speech starts a moment after its segment starts and ends a little before the segment
// does, so a click never cuts a word and never runs into the next sentence.
constexpr int leadMs = 40;
int tailMs(int segmentMs)
{
    return std::clamp(segmentMs * 12 / 100, 150, 500);
}

// The word audio speaks each word twice when its segment has room, as a spelling teacher does.
constexpr int repeatPauseMs = 900;

// A laid-out spread's recording: a moment of silence first, a pause after every item.
constexpr int readingLeadMs = 500;
constexpr int readingPauseMs = 1000;
constexpr int longestSentenceMs = 20000;

// The file is read as the program reads it, but a fault stops the build with the reader's
// message instead of showing a box.
ReadFailureReport failureReport(QString *message)
{
    return [message](const QString &title, const QString &text) {
        *message = QStringLiteral("%1: %2").arg(title, text);
    };
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

void makeDir(const QString &path)
{
    if (!QDir().mkpath(path))
        throw Failure(QStringLiteral("cannot make the directory %1").arg(path));
}

// A laid-out hotspot as an author maps it: a row of a dialogue or of an exercise across its
// column, as unit 1's map has them; anything else where a reader sees it.
QRect mappedRect(const SpreadPainter::Painted &hotspot)
{
    static const QRegularExpression numbered(QStringLiteral("^(\\d+|[a-h])\\. "));
    const PageItem &item = hotspot.placed.item;
    const bool row = item.kind == u"line" || numbered.match(item.shown).hasMatch();
    return (row ? hotspot.placed.rect : hotspot.seen).toAlignedRect();
}

} // namespace

DemoBook::DemoBook(DemoBookInputs inputs)
    : m_in(std::move(inputs))
{}

void DemoBook::progress(const QString &message) const
{
    std::printf("mvrdemo: %s\n", qPrintable(message));
    std::fflush(stdout);
}

void DemoBook::make()
{
    m_clock.start();
    m_in.tools.resolve();
    readInputs();
    checkText();

    const QByteArray print = fingerprint();
    if (!m_in.force && upToDate(print)) {
        progress(QStringLiteral("the demo book in %1 is up to date").arg(m_in.outputDir));
        return;
    }
    if (!m_in.stamp.isEmpty())
        QFile::remove(m_in.stamp);

    QTemporaryDir work;
    if (!work.isValid())
        throw Failure(
            QStringLiteral("cannot make a temporary directory: %1").arg(work.errorString()));
    m_work = work.path();
    makeDir(m_in.outputDir);

    writeListsAndDescription();
    makeImages();
    makeSpreadAudio();
    writeTruth();
    makeWordAudio();
    makeMovies();

    if (!m_in.stamp.isEmpty()) {
        QSaveFile stamp(m_in.stamp);
        if (!stamp.open(QIODevice::WriteOnly) || stamp.write(print.toHex() + '\n') < 0 ||
            !stamp.commit())
            throw Failure(QStringLiteral("cannot write %1").arg(m_in.stamp));
    }
    progress(
        QStringLiteral("demo book folder made in %1 s").arg(m_clock.elapsed() / 1000.0, 0, 'f', 1));
}

void DemoBook::readInputs()
{
    m_text = BookText::read(m_in.text);

    QString failure;
    SpreadMap map(failureReport(&failure));
    m_hotspots.clear();
    for (int k = 0; k <= Content::lastSpread; ++k) {
        map.setTag(Content::spreadTag(k));
        if (!map.load(m_in.map))
            throw Failure(
                QStringLiteral("cannot read the page hotspot map %1: %2").arg(m_in.map, failure));
        m_hotspots.append(map.hotspots());
        if (!map.hotspots().isEmpty() && map.hotspots().size() != map.count()) {
            throw Failure(QStringLiteral("%1 in %2 names %3 hotspots but holds %4")
                              .arg(Content::spreadTag(k), m_in.map)
                              .arg(map.count())
                              .arg(map.hotspots().size()));
        }
    }
}

// Every hotspot of the map needs its English, and the text names no hotspot the map lacks.
void DemoBook::checkText() const
{
    for (const auto &[tag, spread] : m_text.spreads()) {
        if (spread.laidOut()) {
            for (const QList<PageItem> &page : spread.pages)
                for (const PageItem &item : page)
                    SpreadPainter::check(item, tag);
            continue;
        }
        bool described = false;
        for (int k = 0; k <= Content::lastSpread; ++k)
            described = described || (Content::spreadTag(k) == tag && !m_hotspots[k].isEmpty());
        if (!described)
            throw Failure(QStringLiteral("%1 line %2: the map has no hotspots for %3")
                              .arg(m_in.text)
                              .arg(spread.line)
                              .arg(tag));
    }
    for (int k = 0; k <= Content::lastSpread; ++k) {
        const QList<Hotspot> &hotspots = m_hotspots[k];
        if (hotspots.isEmpty())
            continue;
        const QString tag = Content::spreadTag(k);
        const SpreadText *text = m_text.spread(tag);
        if (text && text->laidOut())
            continue;
        if (!text)
            throw Failure(
                QStringLiteral("%1 has no [%2] section for the map's spread").arg(m_in.text, tag));
        for (qsizetype i = 0; i < hotspots.size(); ++i) {
            if (!text->hotspots.contains(static_cast<int>(i)))
                throw Failure(
                    QStringLiteral("%1: no English for %2 N_%3").arg(m_in.text, tag).arg(i));
        }
        for (const auto &[i, item] : text->hotspots) {
            if (i >= hotspots.size())
                throw Failure(QStringLiteral("%1 line %2: %3 has no N_%4")
                                  .arg(m_in.text)
                                  .arg(item.line)
                                  .arg(tag)
                                  .arg(i));
            SpreadPainter::check(item, QStringLiteral("%1 N_%2").arg(tag).arg(i));
        }
        for (const Decoration &drawing : text->decorations)
            SpreadPainter::check(drawing.item, QStringLiteral("%1 drawing").arg(tag));
    }
    for (const MovieText &movie : m_text.movies()) {
        if (movie.spread < 0 || movie.spread > Content::lastSpread)
            throw Failure(QStringLiteral("%1 line %2: no spread %3")
                              .arg(m_in.text)
                              .arg(movie.line)
                              .arg(movie.spread));
        if (!MovieMaker::isScene(movie.scene, movie.argument))
            throw Failure(
                QStringLiteral(
                    "%1 line %2: no scene \"%3 %4\"; there are \"walk\" and \"map left|right\"")
                    .arg(m_in.text)
                    .arg(movie.line)
                    .arg(movie.scene, movie.argument));
    }
}

// What the output is made from: the generator itself and its three inputs.
QByteArray DemoBook::fingerprint() const
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (const QString &path :
         {QCoreApplication::applicationFilePath(), m_in.map, m_in.words, m_in.text}) {
        const QByteArray bytes = fileBytes(path);
        hash.addData(QByteArray::number(bytes.size()));
        hash.addData(bytes);
    }
    hash.addData(m_in.outputDir.toUtf8());
    return hash.result();
}

QStringList DemoBook::outputs() const
{
    const QDir out(m_in.outputDir);
    QStringList files{BookFolder::descriptionFile, BookFolder::mapFile, BookFolder::wordListFile,
                      BookFolder::wordRecordingFile(QStringLiteral("wav"))};
    for (int k = 0; k <= Content::lastSpread; ++k) {
        files.append(BookFolder::pageFile(k, QStringLiteral("png")));
        if (k > 0 &&
            (laidOut(k) || std::any_of(m_hotspots[k].begin(), m_hotspots[k].end(),
                                       [](const Hotspot &h) { return h.endTime > h.startTime; })))
            files.append(BookFolder::recordingFile(k, QStringLiteral("wav")));
    }
    for (const MovieText &movie : m_text.movies())
        files.append(BookFolder::animationFile(movie.spread, movie.second, QStringLiteral("mp4")));
    for (QString &file : files)
        file = out.filePath(file);
    if (!m_in.truth.isEmpty())
        files.append(m_in.truth);
    return files;
}

// The lists as they are, and the description with the contents table the page view opens.
void DemoBook::writeListsAndDescription() const
{
    for (const auto &[from, to] : {std::pair{m_in.map, BookFolder::mapFile},
                                   std::pair{m_in.words, BookFolder::wordListFile}}) {
        const QString target = QDir(m_in.outputDir).filePath(to);
        QFile::remove(target);
        if (!QFile::copy(from, target))
            throw Failure(QStringLiteral("cannot copy %1 to %2").arg(from, target));
    }
    const Content::Sources book;
    BookDescription description;
    description.title = book.title;
    for (qsizetype i = 0; i < m_hotspots[0].size(); ++i)
        description.contents.append(book.contentsTarget(static_cast<int>(i)));
    QSaveFile file(QDir(m_in.outputDir).filePath(BookFolder::descriptionFile));
    if (!file.open(QIODevice::WriteOnly) || file.write(description.text()) < 0 || !file.commit())
        throw Failure(QStringLiteral("cannot write %1").arg(file.fileName()));
}

bool DemoBook::upToDate(const QByteArray &fingerprint) const
{
    if (m_in.stamp.isEmpty())
        return false;
    QFile stamp(m_in.stamp);
    if (!stamp.open(QIODevice::ReadOnly) ||
        QByteArray::fromHex(stamp.readAll().trimmed()) != fingerprint)
        return false;
    const QStringList files = outputs();
    return std::all_of(files.begin(), files.end(),
                       [](const QString &file) { return QFileInfo::exists(file); });
}

void DemoBook::makeImages()
{
    const SpreadText *contents = m_text.spread(Content::spreadTag(0));
    checkContentsTargets(contents);
    const Outline outline(contents);
    SpreadPainter painter(outline);
    makeDir(QDir(m_in.outputDir).filePath(BookFolder::pagesDir));
    m_drawn = QList<QList<QRect>>(Content::lastSpread + 1);
    for (int k = 0; k <= Content::lastSpread; ++k) {
        QList<SpreadPainter::Painted> painted;
        const QImage image = painter.paint(k, pageSize, m_hotspots[k],
                                           m_text.spread(Content::spreadTag(k)), &painted);
        for (const SpreadPainter::Painted &hotspot : painted)
            m_drawn[k].append(mappedRect(hotspot));
        const QString path =
            QDir(m_in.outputDir).filePath(BookFolder::pageFile(k, QStringLiteral("png")));
        if (!image.save(path, "PNG"))
            throw Failure(QStringLiteral("cannot write %1").arg(path));
    }
    progress(QStringLiteral("pages: spreads 0 to %1 at %2 x %3")
                 .arg(Content::lastSpread)
                 .arg(pageSize.width())
                 .arg(pageSize.height()));
    for (const QString &where : painter.overflows())
        progress(
            QStringLiteral("warning: the English of %1 does not fit its rectangle").arg(where));
}

bool DemoBook::laidOut(int k) const
{
    const SpreadText *text = m_text.spread(Content::spreadTag(k));
    return text && text->laidOut();
}

// A laid-out spread is read as a reader reads a page aloud: its items in order, a pause
// after each. Where each one lies in the recording is for the draft to find; the truth file
// remembers it, with what a reader sees of the item, so that the draft can be measured.
void DemoBook::makeReading(Speech &speech, int k)
{
    const QString tag = Content::spreadTag(k);
    const SpreadText *text = m_text.spread(tag);
    std::vector<std::pair<int, Samples>> said;
    QJsonArray truth;
    int at = readingLeadMs;
    for (const QList<PageItem> &page : text->pages) {
        for (const PageItem &item : page) {
            Samples sound =
                speech.say(item.spoken, m_text.voice(item.option(QStringLiteral("speaker"))),
                           longestSentenceMs, QStringLiteral("%1 line %2").arg(tag).arg(item.line));
            const int length = msForSamples(static_cast<qint64>(sound.size()));
            const QRect rect = m_drawn[k].value(truth.size());
            truth.append(QJsonObject{{QStringLiteral("english"), item.shown},
                                     {QStringLiteral("rect"),
                                      QJsonArray{rect.x(), rect.y(), rect.width(), rect.height()}},
                                     {QStringLiteral("speech"), QJsonArray{at, at + length}}});
            said.emplace_back(at, std::move(sound));
            at += length + readingPauseMs;
        }
    }
    Track track(at);
    for (const auto &[start, sound] : said)
        track.place(start, sound);
    const QString file = BookFolder::recordingFile(k, QStringLiteral("wav"));
    writeWav(QDir(m_in.outputDir).filePath(file), track.samples());
    m_truth.append(QJsonObject{{QStringLiteral("spread"), k}, {QStringLiteral("hotspots"), truth}});
    progress(QStringLiteral("recording: %1 (%2, read in order, %3 items, %4 s)")
                 .arg(file, tag)
                 .arg(said.size())
                 .arg(at / 1000.0, 0, 'f', 1));
}

void DemoBook::writeTruth() const
{
    QString error;
    if (!m_in.truth.isEmpty() &&
        !writeAtomically(m_in.truth,
                         QJsonDocument(QJsonObject{{QStringLiteral("spreads"), m_truth}}).toJson(),
                         &error))
        throw Failure(QStringLiteral("cannot write %1: %2").arg(m_in.truth, error));
}

void DemoBook::makeSpreadAudio()
{
    Speech speech(m_in.tools, m_work);
    makeDir(QDir(m_in.outputDir).filePath(BookFolder::audioDir));
    for (int k = 1; k <= Content::lastSpread; ++k) {
        if (laidOut(k)) {
            makeReading(speech, k);
            continue;
        }
        const QList<Hotspot> &hotspots = m_hotspots[k];
        const QString tag = Content::spreadTag(k);
        int end = 0;
        for (const Hotspot &hotspot : hotspots)
            end = std::max(end, hotspot.endTime);
        if (end == 0)
            continue;
        const SpreadText *text = m_text.spread(tag);
        Track track(end + 1000);
        int spoken = 0;
        for (qsizetype i = 0; i < hotspots.size(); ++i) {
            const Hotspot &hotspot = hotspots[i];
            const int segment = hotspot.endTime - hotspot.startTime;
            if (segment <= 0)
                continue;
            const PageItem &item = text->hotspots.at(static_cast<int>(i));
            const QString voice = m_text.voice(item.option(QStringLiteral("speaker")));
            track.place(hotspot.startTime + leadMs,
                        speech.say(item.spoken, voice, segment - leadMs - tailMs(segment),
                                   QStringLiteral("%1 N_%2").arg(tag).arg(i)));
            ++spoken;
        }
        const QString file = BookFolder::recordingFile(k, QStringLiteral("wav"));
        writeWav(QDir(m_in.outputDir).filePath(file), track.samples());
        progress(QStringLiteral("recording: %1 (%2, %3 segments, %4 s)")
                     .arg(file, tag)
                     .arg(spoken)
                     .arg((end + 1000) / 1000.0, 0, 'f', 1));
    }
}

void DemoBook::makeWordAudio()
{
    QList<WordEntry> words;
    for (int n = 1; n <= Content::maxUnits; ++n) {
        QString failure;
        WordUnit unit(QStringLiteral("unit%1").arg(n), failureReport(&failure));
        if (!unit.load(m_in.words))
            throw Failure(
                QStringLiteral("cannot read the word list %1: %2").arg(m_in.words, failure));
        if (n == 1 && unit.entries().isEmpty())
            throw Failure(QStringLiteral("the word list %1 has no words in unit1").arg(m_in.words));
        words.append(unit.entries());
    }

    Speech speech(m_in.tools, m_work);
    const QString voice = m_text.voice(QString());
    int end = 0;
    for (const WordEntry &entry : words)
        end = std::max(end, entry.endTime);
    Track track(end + 1000);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const WordEntry &entry = words[i];
        const int segment = entry.endTime - entry.startTime;
        if (segment <= 0 || entry.english.isEmpty())
            continue;
        const int room = segment - leadMs - tailMs(segment);
        const Samples word =
            speech.say(entry.english, voice, room, QStringLiteral("word %1").arg(entry.english));
        const int length = msForSamples(static_cast<qint64>(word.size()));
        track.place(entry.startTime + leadMs, word);
        if (2 * length + repeatPauseMs <= room)
            track.place(entry.startTime + leadMs + length + repeatPauseMs, word);
    }
    const QString file = BookFolder::wordRecordingFile(QStringLiteral("wav"));
    writeWav(QDir(m_in.outputDir).filePath(file), track.samples());
    progress(QStringLiteral("word recording: %1 (%2 words, %3 s)")
                 .arg(file)
                 .arg(words.size())
                 .arg((end + 1000) / 1000.0, 0, 'f', 1));
}

void DemoBook::makeMovies()
{
    if (m_text.movies().isEmpty())
        return;
    makeDir(QDir(m_in.outputDir).filePath(BookFolder::animationsDir));
    Speech speech(m_in.tools, m_work);
    MovieMaker maker(m_in.tools, speech, m_work);
    for (const MovieText &movie : m_text.movies()) {
        const QString file =
            BookFolder::animationFile(movie.spread, movie.second, QStringLiteral("mp4"));
        maker.make(movie, m_text.voice(movie.speaker), QDir(m_in.outputDir).filePath(file));
        progress(QStringLiteral("animation: %1 (%2)").arg(file, movie.scene));
    }
}

void DemoBook::checkContentsTargets(const SpreadText *contents)
{
    // The page must print the spread the page view really opens for each entry.
    if (!contents)
        return;
    const Content::Sources book;
    for (const auto &[i, item] : contents->hotspots) {
        if (item.kind != u"contents")
            continue;
        const int printed = item.argument.isEmpty() ? -1 : item.argument.toInt();
        if (printed != book.contentsTarget(i))
            throw Failure(QStringLiteral("%1: contents N_%2 leads to spread %3, but the page view "
                                         "opens %4")
                              .arg(m_in.text)
                              .arg(i)
                              .arg(printed)
                              .arg(book.contentsTarget(i)));
    }
}

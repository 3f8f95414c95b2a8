#include "tools/demobook/demobook.h"

#include "content/content.h"
#include "content/wordunit.h"
#include "tools/demobook/movies.h"
#include "tools/demobook/speech.h"
#include "tools/demobook/spreadpainter.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>

namespace {

// The window-mode image matches the page view; the full-screen one is drawn at its own size.
constexpr QSize windowSize{910, 580};
constexpr QSize fullScreenSize{1139, 726};
constexpr int jpegQuality = 88;

// Speech starts a moment after its segment starts and ends a little before the segment
// does, so a click never cuts a word and never runs into the next sentence.
constexpr int leadMs = 40;
int tailMs(int segmentMs)
{
    return std::clamp(segmentMs * 12 / 100, 150, 500);
}

// The word audio speaks each word twice when its segment has room, as a spelling teacher does.
constexpr int repeatPauseMs = 900;

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

    makeImages();
    makeSpreadAudio();
    makeWordAudio();
    makeMovies();

    if (!m_in.stamp.isEmpty()) {
        QSaveFile stamp(m_in.stamp);
        if (!stamp.open(QIODevice::WriteOnly) || stamp.write(print.toHex() + '\n') < 0 ||
            !stamp.commit())
            throw Failure(QStringLiteral("cannot write %1").arg(m_in.stamp));
    }
    progress(QStringLiteral("demo book made in %1 s").arg(m_clock.elapsed() / 1000.0, 0, 'f', 1));
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
    const QString out = m_in.outputDir;
    QStringList files = {out + u'/' + Content::windowBundle, out + u'/' + Content::fullScreenBundle,
                         Content::spreadAudio(out, Content::wordAudioSpread)};
    for (int k = 1; k <= Content::lastSpread; ++k) {
        for (const Hotspot &hotspot : m_hotspots[k]) {
            if (hotspot.endTime > hotspot.startTime) {
                files.append(Content::spreadAudio(out, k));
                break;
            }
        }
    }
    for (const MovieText &movie : m_text.movies())
        files.append(movie.second ? Content::secondAnimation(out, movie.spread)
                                  : Content::firstAnimation(out, movie.spread));
    return files;
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
    const struct
    {
        QSize size;
        QString dir;
        QString bundle;
    } sets[] = {{windowSize, m_work + QStringLiteral("/window"), Content::windowBundle},
                {fullScreenSize, m_work + QStringLiteral("/full"), Content::fullScreenBundle}};

    for (const auto &set : sets) {
        makeDir(set.dir);
        QString qrc =
            QStringLiteral("<!DOCTYPE RCC>\n<RCC version=\"1.0\">\n<qresource prefix=\"/Book\">\n");
        for (int k = 0; k <= Content::lastSpread; ++k) {
            const QImage image =
                painter.paint(k, set.size, m_hotspots[k], m_text.spread(Content::spreadTag(k)));
            const QString name = QStringLiteral("%1.jpg").arg(k);
            if (!image.save(set.dir + u'/' + name, "JPEG", jpegQuality))
                throw Failure(QStringLiteral("cannot write %1/%2").arg(set.dir, name));
            if (!m_in.copies.isEmpty()) {
                makeDir(m_in.copies);
                const QString copy =
                    QStringLiteral("%1/%2-%3.png").arg(m_in.copies).arg(k).arg(set.size.width());
                if (!image.save(copy, "PNG"))
                    throw Failure(QStringLiteral("cannot write %1").arg(copy));
            }
            qrc += QStringLiteral("  <file>%1</file>\n").arg(name);
        }
        qrc += QStringLiteral("</qresource>\n</RCC>\n");
        const QString qrcPath = set.dir + QStringLiteral("/book.qrc");
        QFile file(qrcPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(qrc.toUtf8()) < 0)
            throw Failure(QStringLiteral("cannot write %1").arg(qrcPath));
        file.close();
        // JPEG does not shrink further; storing the images as they are keeps loading cheap.
        runTool(m_in.tools.rcc,
                {QStringLiteral("--binary"), QStringLiteral("--no-compress"), QStringLiteral("-o"),
                 m_in.outputDir + u'/' + set.bundle, qrcPath});
        progress(QStringLiteral("page images: spreads 0 to %1 at %2 x %3 in %4")
                     .arg(Content::lastSpread)
                     .arg(set.size.width())
                     .arg(set.size.height())
                     .arg(set.bundle));
    }
    for (const QString &where : painter.overflows())
        progress(
            QStringLiteral("warning: the English of %1 does not fit its rectangle").arg(where));
}

void DemoBook::makeSpreadAudio()
{
    Speech speech(m_in.tools, m_work);
    makeDir(m_in.outputDir + QStringLiteral("/frequency"));
    for (int k = 1; k <= Content::lastSpread; ++k) {
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
        const QString path = Content::spreadAudio(m_in.outputDir, k);
        writeWav(path, track.samples());
        progress(QStringLiteral("spread audio: %1 (%2, %3 segments, %4 s)")
                     .arg(QFileInfo(path).fileName(), tag)
                     .arg(spoken)
                     .arg((end + 1000) / 1000.0, 0, 'f', 1));
    }
}

void DemoBook::makeWordAudio()
{
    QString failure;
    WordUnit unit(QStringLiteral("unit1"), failureReport(&failure));
    if (!unit.load(m_in.words))
        throw Failure(QStringLiteral("cannot read the word list %1: %2").arg(m_in.words, failure));
    if (unit.entries().isEmpty())
        throw Failure(QStringLiteral("the word list %1 has no words in unit1").arg(m_in.words));

    Speech speech(m_in.tools, m_work);
    const QString voice = m_text.voice(QString());
    int end = 0;
    for (const WordEntry &entry : unit.entries())
        end = std::max(end, entry.endTime);
    Track track(end + 1000);
    for (qsizetype i = 0; i < unit.entries().size(); ++i) {
        const WordEntry &entry = unit.entries()[i];
        const int segment = entry.endTime - entry.startTime;
        if (segment <= 0 || entry.english.isEmpty())
            continue;
        const int room = segment - leadMs - tailMs(segment);
        const Samples word =
            speech.say(entry.english, voice, room, QStringLiteral("word N_%1").arg(i));
        const int length = msForSamples(static_cast<qint64>(word.size()));
        track.place(entry.startTime + leadMs, word);
        if (2 * length + repeatPauseMs <= room)
            track.place(entry.startTime + leadMs + length + repeatPauseMs, word);
    }
    const QString path = Content::spreadAudio(m_in.outputDir, Content::wordAudioSpread);
    writeWav(path, track.samples());
    progress(QStringLiteral("word audio: %1 (%2 words, %3 s)")
                 .arg(QFileInfo(path).fileName())
                 .arg(unit.entries().size())
                 .arg((end + 1000) / 1000.0, 0, 'f', 1));
}

void DemoBook::makeMovies()
{
    if (m_text.movies().isEmpty())
        return;
    makeDir(m_in.outputDir + QStringLiteral("/data"));
    Speech speech(m_in.tools, m_work);
    MovieMaker maker(m_in.tools, speech, m_work);
    for (const MovieText &movie : m_text.movies()) {
        const QString path = movie.second ? Content::secondAnimation(m_in.outputDir, movie.spread)
                                          : Content::firstAnimation(m_in.outputDir, movie.spread);
        maker.make(movie, m_text.voice(movie.speaker), path);
        progress(
            QStringLiteral("animation: data/%1 (%2)").arg(QFileInfo(path).fileName(), movie.scene));
    }
}

void DemoBook::checkContentsTargets(const SpreadText *contents)
{
    // The page must print the spread the page view really opens for each entry.
    if (!contents)
        return;
    for (const auto &[i, item] : contents->hotspots) {
        if (item.kind != u"contents")
            continue;
        const int printed = item.argument.isEmpty() ? -1 : item.argument.toInt();
        if (printed != Content::contentsTarget(i))
            throw Failure(QStringLiteral("%1: contents N_%2 leads to spread %3, but the page view "
                                         "opens %4")
                              .arg(m_in.text)
                              .arg(i)
                              .arg(printed)
                              .arg(Content::contentsTarget(i)));
    }
}

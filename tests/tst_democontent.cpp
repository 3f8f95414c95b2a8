// The demo book as the build leaves it: the book folder the generator wrote checks clean, the
// content files mvrbook made from it lie in the output directory, the page-image bundles hold
// every spread at both sizes, and the audio speaks in every segment that the compiled-in map
// and word list name, and is silent again before each segment ends.

#include "content/content.h"
#include "content/spreadmap.h"
#include "content/wordunit.h"
#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/bookfolder.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QResource>
#include <QTest>

#include <cmath>
#include <optional>

#ifndef MIVORA_OUTPUT_DIR
#error "the test needs the output directory"
#endif

namespace {

const QString outputDir = QStringLiteral(MIVORA_OUTPUT_DIR);

// The decoded samples of a PCM WAV file, and its format.
struct Wave
{
    int format = 0;
    int channels = 0;
    int sampleRate = 0;
    int bitsPerSample = 0;
    qint64 dataBytes = 0;
    QList<qint16> samples; // first channel, 16-bit only

    qint64 durationMs() const
    {
        const qint64 bytesPerSecond = qint64(sampleRate) * channels * bitsPerSample / 8;
        return bytesPerSecond ? dataBytes * 1000 / bytesPerSecond : 0;
    }

    // Root mean square of the samples from `fromMs` to `toMs`, on the 0 ... 1 scale.
    double rms(int fromMs, int toMs) const
    {
        const qsizetype from = qsizetype(fromMs) * sampleRate / 1000;
        const qsizetype to =
            std::min<qsizetype>(samples.size(), qsizetype(toMs) * sampleRate / 1000);
        if (to <= from)
            return 0;
        double sum = 0;
        for (qsizetype n = from; n < to; ++n)
            sum += double(samples[n]) * samples[n];
        return std::sqrt(sum / double(to - from)) / 32768.0;
    }
};

quint32 le32(const QByteArray &data, qsizetype at)
{
    const auto *b = reinterpret_cast<const uchar *>(data.constData() + at);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

quint16 le16(const QByteArray &data, qsizetype at)
{
    const auto *b = reinterpret_cast<const uchar *>(data.constData() + at);
    return quint16(b[0] | b[1] << 8);
}

std::optional<Wave> readWave(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QByteArray data = file.readAll();
    if (!data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        return std::nullopt;
    Wave wave;
    for (qsizetype at = 12; at + 8 <= data.size();) {
        const QByteArray id = data.mid(at, 4);
        const qsizetype size = le32(data, at + 4);
        const qsizetype body = at + 8;
        if (id == "fmt " && size >= 16) {
            wave.format = le16(data, body);
            wave.channels = le16(data, body + 2);
            wave.sampleRate = static_cast<int>(le32(data, body + 4));
            wave.bitsPerSample = le16(data, body + 14);
        } else if (id == "data") {
            wave.dataBytes = std::min<qsizetype>(size, data.size() - body);
            if (wave.bitsPerSample == 16 && wave.channels > 0) {
                const qsizetype frame = 2 * wave.channels;
                for (qsizetype n = body; n + 1 < body + wave.dataBytes; n += frame)
                    wave.samples.append(static_cast<qint16>(le16(data, n)));
            }
            return wave;
        }
        at = body + size + (size & 1);
    }
    return std::nullopt;
}

struct Segment
{
    int startTime;
    int endTime;
};

// Spread index -> the segments of its audio, as the program's readers give them.
QMap<int, QList<Segment>> segmentsBySpread()
{
    QMap<int, QList<Segment>> segments;
    const ReadFailureReport quiet = [](const QString &, const QString &) {};
    SpreadMap map(quiet);
    for (int k = 1; k <= Content::lastSpread; ++k) {
        map.setTag(Content::spreadTag(k));
        map.load(Content::pointMap);
        for (const Hotspot &hotspot : map.hotspots()) {
            if (hotspot.endTime > hotspot.startTime)
                segments[k].append({hotspot.startTime, hotspot.endTime});
        }
    }
    for (int k = 1; k <= Content::maxUnits; ++k) {
        WordUnit unit(QStringLiteral("unit%1").arg(k), quiet);
        unit.load(Content::wordList);
        for (const WordEntry &entry : unit.entries())
            segments[Content::wordAudioSpread].append({entry.startTime, entry.endTime});
    }
    return segments;
}

// Speech is louder than this over a segment; silence is quieter than the other threshold.
constexpr double spokenRms = 0.02;
constexpr double silentRms = 0.001;

} // namespace

class tst_DemoContent : public QObject
{
    Q_OBJECT

private slots:
    void folderChecksClean();
    void bundles_data();
    void bundles();
    void audioFormat_data();
    void audioFormat();
    void segments_data();
    void segments();
    void noContentsAudio();
    void movies_data();
    void movies();

private:
    const Wave *wave(int k);
    QHash<int, std::optional<Wave>> m_waves;
};

const Wave *tst_DemoContent::wave(int k)
{
    if (!m_waves.contains(k))
        m_waves.insert(k, readWave(Content::spreadAudio(outputDir, k)));
    const std::optional<Wave> &found = m_waves[k];
    return found ? &*found : nullptr;
}

// The generator's folder is a book like any other: the check finds no error in it, nothing
// that needs a recording lacks one, and its description gives the page view's contents.
void tst_DemoContent::folderChecksClean()
{
    const QString folder = QStringLiteral(MIVORA_DEMO_FOLDER);
    if (!QFile::exists(folder + u'/' + BookFolder::descriptionFile))
        QSKIP("the demo generator did not run");
    CheckOptions options;
    options.programs = Programs::find();
    options.progress = nullptr;
    const CheckResult result = checkBook(folder, options);
    QStringList errors;
    for (const Problem &problem : result.problems.all()) {
        if (problem.severity == Problem::Severity::Error)
            errors << problem.toString();
    }
    QVERIFY2(errors.isEmpty(), qPrintable(errors.join(u'\n')));
    QCOMPARE(result.plan.lastSpread, Content::lastSpread);
    for (qsizetype i = 0; i < Content::contentsTable.size(); ++i)
        QCOMPARE(result.plan.contents.value(i), Content::contentsTable[i]);
}

void tst_DemoContent::bundles_data()
{
    QTest::addColumn<QString>("bundle");
    QTest::addColumn<QSize>("size");
    for (const auto &[file, size] : Content::pageBundles())
        QTest::newRow(qPrintable(file)) << file << size;
}

void tst_DemoContent::bundles()
{
    QFETCH(QString, bundle);
    QFETCH(QSize, size);
    const QString path = outputDir + u'/' + bundle;
    if (!QFile::exists(path))
        QSKIP(qPrintable(
            QStringLiteral("%1 was not made (the demo generator did not run)").arg(path)));

    QVERIFY(!QFile::exists(Content::pageImage(0)));
    QVERIFY(QResource::registerResource(path));
    for (int k = 0; k <= Content::lastSpread; ++k) {
        const QImage image(Content::pageImage(k));
        QVERIFY2(!image.isNull(), qPrintable(Content::pageImage(k)));
        QCOMPARE(image.size(), size);
    }
    QVERIFY(!QFile::exists(Content::pageImage(Content::lastSpread + 1)));
    QVERIFY(QResource::unregisterResource(path));
    QVERIFY(!QFile::exists(Content::pageImage(0)));
}

void tst_DemoContent::audioFormat_data()
{
    QTest::addColumn<int>("spread");
    QTest::addColumn<int>("lastEnd");
    const auto all = segmentsBySpread();
    QVERIFY(all.size() >= 6);
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        int lastEnd = 0;
        for (const Segment &segment : it.value())
            lastEnd = std::max(lastEnd, segment.endTime);
        QTest::addRow("frequency%d", it.key()) << it.key() << lastEnd;
    }
}

// Plain PCM, so that a seek lands on the millisecond, and long enough for its last segment.
void tst_DemoContent::audioFormat()
{
    QFETCH(int, spread);
    QFETCH(int, lastEnd);
    const QString path = Content::spreadAudio(outputDir, spread);
    if (!QFile::exists(path))
        QSKIP(qPrintable(
            QStringLiteral("%1 was not made (the demo generator did not run)").arg(path)));
    const Wave *audio = wave(spread);
    QVERIFY2(audio, "not a WAV file");
    QCOMPARE(audio->format, 1);
    QCOMPARE(audio->channels, 1);
    QCOMPARE(audio->bitsPerSample, 16);
    QVERIFY(audio->sampleRate >= 16000);
    QVERIFY2(audio->durationMs() > lastEnd,
             qPrintable(QStringLiteral("%1 ms, last segment ends at %2")
                            .arg(audio->durationMs())
                            .arg(lastEnd)));
    if (spread == Content::wordAudioSpread)
        QVERIFY(audio->durationMs() > 145700);
}

void tst_DemoContent::segments_data()
{
    QTest::addColumn<int>("spread");
    QTest::addColumn<int>("startTime");
    QTest::addColumn<int>("endTime");
    const auto all = segmentsBySpread();
    for (auto it = all.cbegin(); it != all.cend(); ++it) {
        for (const Segment &segment : it.value())
            QTest::addRow("frequency%d %d-%d", it.key(), segment.startTime, segment.endTime)
                << it.key() << segment.startTime << segment.endTime;
    }
}

// Something is said in every segment, and it is over before the segment ends, so that the
// click on one sentence never plays the start of the next.
void tst_DemoContent::segments()
{
    QFETCH(int, spread);
    QFETCH(int, startTime);
    QFETCH(int, endTime);
    const QString path = Content::spreadAudio(outputDir, spread);
    if (!QFile::exists(path))
        QSKIP(qPrintable(
            QStringLiteral("%1 was not made (the demo generator did not run)").arg(path)));
    const Wave *audio = wave(spread);
    QVERIFY(audio);
    QVERIFY(!audio->samples.isEmpty());

    const double spoken = audio->rms(startTime, endTime);
    QVERIFY2(spoken > spokenRms, qPrintable(QStringLiteral("RMS %1 over the segment").arg(spoken)));
    const double lastMoment = audio->rms(endTime - 120, endTime);
    QVERIFY2(lastMoment < silentRms,
             qPrintable(QStringLiteral("RMS %1 before the end").arg(lastMoment)));
    const double firstMoment = audio->rms(startTime, startTime + 200);
    QVERIFY2(firstMoment > silentRms,
             qPrintable(QStringLiteral("RMS %1 at the start").arg(firstMoment)));
}

void tst_DemoContent::noContentsAudio()
{
    if (!QFile::exists(outputDir + u'/' + Content::windowBundle))
        QSKIP("the demo generator did not run");
    QVERIFY(!QFile::exists(Content::spreadAudio(outputDir, 0)));
}

void tst_DemoContent::movies_data()
{
    QTest::addColumn<QString>("path");
    QTest::newRow("information2") << Content::firstAnimation(outputDir, 2);
    QTest::newRow("information2b") << Content::secondAnimation(outputDir, 2);
}

// An MP4 file: the player finds the container from its content, whatever the name.
void tst_DemoContent::movies()
{
    QFETCH(QString, path);
    if (!QFile::exists(path))
        QSKIP(qPrintable(
            QStringLiteral("%1 was not made (the demo generator did not run)").arg(path)));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray head = file.read(12);
    QCOMPARE(head.mid(4, 4), QByteArray("ftyp"));
    QVERIFY(file.size() > 10000);
}

QTEST_GUILESS_MAIN(tst_DemoContent)
#include "tst_democontent.moc"

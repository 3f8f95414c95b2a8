#include "heard.h"
#include "media/audioplayer.h"
#include "soundserver.h"
#include "tone.h"

#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// The test recording: loud around its segments, each segment at a level of its own.
constexpr int loud = 24000;
constexpr int quiet = 3000;
constexpr int middle = 9000;
const QList<std::pair<int, int>> stretches{{1000, loud}, {600, quiet}, {600, middle},
                                           {50, quiet},  {1000, loud}, {400, quiet}};
// Where a sound must begin after it is asked for, and how exact a segment must be.
constexpr qint64 onsetLimitMs = 50;
constexpr qint64 spanToleranceMs = 10;
constexpr qint64 gapLimitMs = 5;
constexpr qint64 leakLimitMs = 10;

} // namespace

// The real player: the rules the views rely on, and what a sound server receives from it. The
// second half runs at a private sound server whose sink the test records.
class TestAudioPlayer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_tone;
    QString m_levels;
    SoundServer m_server;
    QString m_noServer;

    void requireServer()
    {
        if (!m_noServer.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private sound server: ") + m_noServer));
    }

    // Plays [start, end) of the source and returns what the server played from the call on,
    // listening until well after the player reported the end.
    Heard playHeard(AudioPlayer &player, qint64 start, qint64 end, int amplitude)
    {
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        const qint64 mark = m_server.mark();
        player.playSegment(start, end);
        [&] { QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, int(end - start) + 3000); }();
        QTest::qWait(400);
        return Heard::in(m_server.recordedSince(mark, m_server.mark()), SoundServer::rate,
                         amplitude);
    }

    static void verifyExact(const Heard &heard, qint64 lengthMs, const char *what)
    {
        const QByteArray where =
            QByteArray(what) + QStringLiteral(": onset %1 ms, span %2 ms, gap %3 ms, louder %4 ms")
                                   .arg(heard.onsetMs)
                                   .arg(heard.spanMs)
                                   .arg(heard.longestGapMs)
                                   .arg(heard.louderMs)
                                   .toUtf8();
        QVERIFY2(heard.onsetMs >= 0 && heard.onsetMs <= onsetLimitMs, where.constData());
        QVERIFY2(std::abs(heard.spanMs - lengthMs) <= spanToleranceMs, where.constData());
        QVERIFY2(heard.longestGapMs < gapLimitMs, where.constData());
        QVERIFY2(heard.louderMs < leakLimitMs, where.constData());
    }

private slots:
    void initTestCase()
    {
        // The spread audio files carry a ".dll" name whatever they hold.
        m_tone = m_dir.filePath(QStringLiteral("tone.dll"));
        QVERIFY(writeTone(m_tone, 3000));
        m_levels = m_dir.filePath(QStringLiteral("levels.dll"));
        QVERIFY(writeLevels(m_levels, stretches));
        m_noServer = m_server.start();
    }

    void stateAndClock()
    {
        AudioPlayer player;
        player.setSource(m_tone);
        player.playSegment(1500, 2800);
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Playing);
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 1600, 5000);
        QVERIFY(player.currentTime() < 2900);

        // Stopped, a player stands at 0 and keeps its source.
        player.stop();
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Stopped);
        QCOMPARE(player.currentTime(), 0);
        player.playSegment(2000, 2900);
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 2050, 5000);
        // A new segment while one plays replaces it.
        player.playSegment(500, 1500);
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 550 && player.currentTime() < 1500, 5000);
        player.stop();
    }

    void finishedOnceAtTheEndOnly()
    {
        AudioPlayer player;
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        player.setSource(m_tone);
        player.playSegment(2600, 3000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 5000);
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Stopped);

        // A segment that runs past the recording ends with it.
        player.playSegment(2900, 60000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 2, 5000);
        // One that ends before it starts is over at once.
        player.playSegment(1000, 900);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 3, 5000);

        // Stopping and clearing are not an end.
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 100, 5000);
        player.stop();
        player.play();
        player.clear();
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Stopped);
        QTest::qWait(100);
        QCOMPARE(finished.size(), 3);

        // Cleared means no source: play has nothing to play.
        player.play();
        QCOMPARE(player.state(), AbstractAudioPlayer::State::Stopped);
        QCOMPARE(player.currentTime(), 0);
    }

    void playsCompiledInResources_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("wav") << QStringLiteral(":/Image/audio/wordright.wav");
        QTest::newRow("mp3") << QStringLiteral(":/Image/audio/Prompt.mp3");
    }

    void playsCompiledInResources()
    {
        QFETCH(QString, path);
        AudioPlayer player;
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        player.setSource(path);
        player.play();
        QTRY_VERIFY_WITH_TIMEOUT(player.currentTime() > 200, 5000);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 10000);
    }

    // Damaged and irregular recordings: what can be decoded plays to its end, the rest is
    // silence at once; the player never waits, never hangs in Playing and never reports
    // anything.
    void damagedFiles_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("plays");

        QFile tone(m_tone);
        QVERIFY(tone.open(QIODevice::ReadOnly));
        const QByteArray wav = tone.readAll();
        QFile praise(QStringLiteral(":/Image/audio/right0.mp3"));
        QVERIFY(praise.open(QIODevice::ReadOnly));
        const QByteArray mp3 = praise.readAll();
        QByteArray noise(20000, Qt::Uninitialized);
        for (qsizetype i = 0; i < noise.size(); ++i)
            noise[i] = char((i * 7919 + 13) % 251);

        QTest::newRow("missing") << QByteArray() << false;
        QTest::newRow("empty") << QByteArray("") << false;
        QTest::newRow("noise") << noise << false;
        QTest::newRow("wav header only") << wav.first(44) << false;
        QTest::newRow("wav cut in half") << wav.first(wav.size() / 2) << true;
        QTest::newRow("mp3 cut in half") << mp3.first(mp3.size() / 2) << true;
        QTest::newRow("mp3 with noise after its head") << mp3.first(400) + noise << false;
    }

    void damagedFiles()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, plays);

        static int n = 0;
        const QString path = m_dir.filePath(QStringLiteral("damaged%1.dll").arg(++n));
        if (!content.isNull()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        AudioPlayer player;
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        player.setSource(path);
        player.playSegment(100, 200);
        QTRY_COMPARE_WITH_TIMEOUT(player.state(), AbstractAudioPlayer::State::Stopped, 10000);
        QCOMPARE(finished.size(), plays ? 1 : 0);
        QCOMPARE(player.currentTime(), 0);
    }

    void irregularFilesNeverWait_data()
    {
        QTest::addColumn<QString>("path");
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.dll"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QTest::newRow("FIFO") << fifo;
        QTest::newRow("directory") << m_dir.path();
        QTest::newRow("device") << QStringLiteral("/dev/zero");
        // Over 2 GiB of nothing, without taking the disk space.
        const QString zeros = m_dir.filePath(QStringLiteral("zeros.dll"));
        QFile file(zeros);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(qint64(3) << 30));
        QTest::newRow("3 GiB of zeros") << zeros;
    }

    void irregularFilesNeverWait()
    {
        QFETCH(QString, path);
        AudioPlayer player;
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        QElapsedTimer clock;
        clock.start();
        player.setSource(path);
        player.playSegment(100, 600);
        QVERIFY(clock.elapsed() < 100);
        QTRY_COMPARE_WITH_TIMEOUT(player.state(), AbstractAudioPlayer::State::Stopped, 5000);
        QVERIFY(finished.isEmpty());
    }

    // What the server plays: every segment exact, the thirtieth like the first, with page turns
    // (a new source) in between.
    void playsInARowSoundAlike()
    {
        requireServer();
        AudioPlayer player;
        for (int click = 1; click <= 30; ++click) {
            player.setSource(click % 5 ? m_levels : m_tone);
            player.setSource(m_levels);
            const Heard heard = playHeard(player, 1000, 1600, quiet);
            verifyExact(heard, 600, qPrintable(QStringLiteral("play %1").arg(click)));
            // After a failure QtTest's QTRY macros no longer wait, so every later play would
            // be judged on a cut-short recording: the first failure is the one to read.
            if (QTest::currentTestFailed())
                return;
        }
    }

    void segmentsAreExact_data()
    {
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::addColumn<int>("amplitude");
        QTest::newRow("ends where the next begins") << qint64(1000) << qint64(1600) << quiet;
        QTest::newRow("begins where the last ends") << qint64(1600) << qint64(2200) << middle;
        QTest::newRow("50 ms") << qint64(2200) << qint64(2250) << quiet;
        QTest::newRow("to the last sample") << qint64(3250) << qint64(3650) << quiet;
    }

    void segmentsAreExact()
    {
        requireServer();
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QFETCH(int, amplitude);
        AudioPlayer player;
        player.setSource(m_levels);
        QTest::qWait(100);
        verifyExact(playHeard(player, start, end, amplitude), end - start, QTest::currentDataTag());
    }

    // A recording over 2 GiB plays from far into it, read where it is needed.
    void largeRecordingPlays()
    {
        requireServer();
        // 48 kHz mono 16-bit: 2.5 GiB in, about 7.8 hours.
        constexpr qint64 dataOffset = 44;
        constexpr qint64 startMs = (qint64(5) << 29) / 96000 * 1000;
        const QString path = m_dir.filePath(QStringLiteral("large.dll"));
        const QString piece = m_dir.filePath(QStringLiteral("short.dll"));
        QVERIFY(writeLevels(piece, {{500, quiet}}));
        QFile source(piece);
        QVERIFY(source.open(QIODevice::ReadOnly));
        QByteArray header = source.read(dataOffset);
        const QByteArray samples = source.readAll();
        // The data chunk's length unknown, as a writer that could not go back leaves it.
        qToLittleEndian<quint32>(0xFFFFFFFF, header.data() + 40);
        QFile large(path);
        QVERIFY(large.open(QIODevice::WriteOnly) && large.resize(qint64(3) << 30));
        QVERIFY(large.write(header) == dataOffset);
        QVERIFY(large.seek(dataOffset + startMs * 96));
        QVERIFY(large.write(samples) == samples.size());
        large.close();

        AudioPlayer player;
        player.setSource(path);
        QTest::qWait(100);
        verifyExact(playHeard(player, startMs, startMs + 500, quiet), 500, "2.5 GiB in");
    }

    // The sound server goes away and comes back: the player goes on silently meanwhile, and
    // the first play after the server is back is heard, with no restart of the program.
    void heardAgainAfterTheServerCameBack()
    {
        requireServer();
        AudioPlayer player;
        player.setSource(m_levels);
        QTest::qWait(100);
        verifyExact(playHeard(player, 1000, 1600, quiet), 600, "before");

        QProcess::execute(QStringLiteral("pulseaudio"), {QStringLiteral("--kill")});
        QSignalSpy finished(&player, &AbstractAudioPlayer::finished);
        player.playSegment(1000, 1600);
        QTRY_COMPARE_WITH_TIMEOUT(finished.size(), 1, 3000);

        QVERIFY(m_server.restart(3000));
        // The player tries the server again every half second.
        QTest::qWait(1500);
        verifyExact(playHeard(player, 1000, 1600, quiet), 600, "after");
    }
};

QTEST_MAIN(TestAudioPlayer)
#include "tst_audioplayer.moc"

#include "book/flash.h"
#include "heard.h"
#include "media/moviedecoder.h"
#include "media/movieplayer.h"
#include "media/regularfile.h"
#include "soundserver.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

// The test movies: 10 pictures a second, red for a second and blue for the next, and a tone
// that starts 300 ms in and lasts 1500 ms.
constexpr int pictures = 20;
constexpr qint64 pictureMs = 100;
constexpr qint64 movieMs = pictures * pictureMs;
constexpr qint64 toneMs = 1500;
constexpr int toneAmplitude = 4096;

// The GIF's palette makes them darker than the others' red and blue.
bool isRed(QRgb colour)
{
    return qRed(colour) > 150 && qGreen(colour) < 60 && qBlue(colour) < 60;
}

bool isBlue(QRgb colour)
{
    return qBlue(colour) > 150 && qRed(colour) < 60 && qGreen(colour) < 60;
}

} // namespace

// The animation player: its pictures as decoded, as shown and in time, and its sound as a
// private sound server receives it.
class TestMoviePlayer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_movie;
    SoundServer m_server;
    QString m_noServer;

    QString movie(const QString &kind) const
    {
        return m_dir.filePath(kind + QStringLiteral(".dll"));
    }

    static void addMovies()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("sounds");
        // How far a picture's time may be from where it was made: FFmpeg's AVI writer moves
        // the pictures after the first by one, against the MP3's delay.
        QTest::addColumn<qint64>("toleranceMs");
        QTest::newRow("MP4: H.264 and AAC") << QStringLiteral("mp4") << true << qint64(1);
        QTest::newRow("AVI: MPEG-4 and MP3") << QStringLiteral("avi") << true << pictureMs + 1;
        QTest::newRow("GIF, silent") << QStringLiteral("gif") << false << qint64(1);
    }

private slots:
    void initTestCase()
    {
        const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        if (ffmpeg.isEmpty())
            QSKIP("ffmpeg is needed to make the test movies");
        // Before the first player: the program connects to its sound server once.
        m_noServer = m_server.start();
        const QStringList picture{"-f", "lavfi", "-i", "color=c=red:s=320x240:r=10:d=1",
                                  "-f", "lavfi", "-i", "color=c=blue:s=320x240:r=10:d=1"};
        const QStringList tone{"-f", "lavfi", "-i",
                               "sine=frequency=1000:sample_rate=44100:duration=1.5,adelay=300,"
                               "apad=whole_dur=2"};
        const QStringList joined{"-filter_complex", "[0][1]concat=n=2:v=1:a=0[v]", "-map", "[v]"};
        // Animation files carry a ".dll" name whatever they hold.
        const QList<std::pair<QString, QStringList>> made{
            {"mp4", picture + tone + joined +
                        QStringList{"-map", "2", "-c:v", "libx264", "-pix_fmt", "yuv420p", "-c:a",
                                    "aac", "-f", "mp4"}},
            {"avi", picture + tone + joined +
                        QStringList{"-map", "2", "-c:v", "mpeg4", "-q:v", "2", "-c:a", "libmp3lame",
                                    "-f", "avi"}},
            {"gif", picture + joined + QStringList{"-f", "gif"}},
            {"blue", {"-f", "lavfi", "-i", "color=c=blue:s=320x240:r=10:d=1", "-f", "gif"}},
        };
        for (const auto &[kind, argv] : made) {
            const int exitCode = QProcess::execute(ffmpeg, QStringList{"-loglevel", "error", "-y"} +
                                                               argv + QStringList{movie(kind)});
            QCOMPARE(exitCode, 0);
        }
        m_movie = movie(QStringLiteral("avi"));
    }

    void decodesEveryPicture_data() { addMovies(); }
    void playsToItsEnd_data() { addMovies(); }

    // Every picture, at its time, at the size asked for, in its own colours.
    void decodesEveryPicture()
    {
        QFETCH(QString, kind);
        QFETCH(qint64, toleranceMs);
        RegularFile file(movie(kind));
        QVERIFY(file.isOpen());
        for (const QSize size : {QSize(), QSize(333, 201)}) {
            const std::unique_ptr<MovieDecoder> decoder = MovieDecoder::open(file.input(), size);
            QVERIFY(decoder);
            QList<MovieFrame> frames;
            while (std::optional<MovieFrame> frame = decoder->next())
                frames.append(std::move(*frame));
            QCOMPARE(frames.size(), pictures);
            for (int i = 0; i < pictures; ++i) {
                QVERIFY2(
                    std::abs(frames[i].ms - i * pictureMs) <= toleranceMs,
                    qPrintable(QStringLiteral("picture %1 at %2 ms").arg(i).arg(frames[i].ms)));
                QCOMPARE(frames[i].image.size(), size.isEmpty() ? QSize(320, 240) : size);
                const QRgb middle = frames[i].image.pixel(frames[i].image.rect().center());
                QVERIFY2(i < pictures / 2 ? isRed(middle) : isBlue(middle),
                         qPrintable(QStringLiteral("picture %1 is #%2").arg(i).arg(middle, 0, 16)));
            }
        }
    }

    // From the first picture at once to the last, which stays; the sound heard whole, once,
    // without a break.
    void playsToItsEnd()
    {
        QFETCH(QString, kind);
        QFETCH(bool, sounds);
        flash player(320, 240, nullptr);
        player.setMoviePath(movie(kind));
        const qint64 mark = m_server.mark();
        player.loadMovie();
        player.show();
        MoviePlayer &screen = *player.movieWidget();
        QCOMPARE(screen.geometry(), QRect(0, 0, 320, 240));
        QTRY_VERIFY_WITH_TIMEOUT(!screen.picture().isNull(), 2000);
        QVERIFY(isRed(screen.picture().pixel(160, 120)));
        QVERIFY(screen.isPlaying());
        QTRY_VERIFY_WITH_TIMEOUT(!screen.isPlaying(), int(movieMs) + 5000);
        QVERIFY(isBlue(screen.picture().pixel(160, 120)));
        QVERIFY2(screen.position() >= movieMs - pictureMs,
                 qPrintable(QStringLiteral("ended at %1 ms").arg(screen.position())));
        QVERIFY(player.isVisible());
        player.reject();

        if (!m_noServer.isEmpty())
            return;
        QTest::qWait(300);
        const Heard heard = Heard::in(m_server.recordedSince(mark, m_server.mark()),
                                      SoundServer::rate, toneAmplitude);
        const QByteArray what = QStringLiteral("onset %1 ms, span %2 ms, gap %3 ms")
                                    .arg(heard.onsetMs)
                                    .arg(heard.spanMs)
                                    .arg(heard.longestGapMs)
                                    .toUtf8();
        if (!sounds) {
            QVERIFY2(heard.onsetMs < 0, what.constData());
            return;
        }
        QVERIFY2(heard.onsetMs >= 0, what.constData());
        QVERIFY2(std::abs(heard.spanMs - toneMs) <= 30, what.constData());
        QVERIFY2(heard.longestGapMs < 5, what.constData());
    }

    // A movie made ready while its spread is looked at plays as it is when it is opened, not
    // as it was when it was made ready.
    void preparedMovieIsTheFileOpened_data()
    {
        QTest::addColumn<QString>("openedKind");
        QTest::newRow("unchanged since") << QStringLiteral("mp4");
        QTest::newRow("replaced since") << QStringLiteral("blue");
    }

    void preparedMovieIsTheFileOpened()
    {
        QFETCH(QString, openedKind);
        const QString path = m_dir.filePath(QStringLiteral("information5.dll"));
        QFile::remove(path);
        QVERIFY(QFile::copy(movie(QStringLiteral("mp4")), path));
        MoviePlayer::prepare({path}, QSize(320, 240));
        QTest::qWait(300);
        if (openedKind != u"mp4") {
            QVERIFY(QFile::remove(path));
            QVERIFY(QFile::copy(movie(openedKind), path));
        }
        flash player(320, 240, nullptr);
        player.setMoviePath(path);
        player.loadMovie();
        player.show();
        QTRY_VERIFY_WITH_TIMEOUT(!player.movieWidget()->picture().isNull(), 2000);
        const QRgb shown = player.movieWidget()->picture().pixel(160, 120);
        QVERIFY(openedKind == u"mp4" ? isRed(shown) : isBlue(shown));
        player.reject();
        MoviePlayer::prepare({}, {});
    }

    // Escape closes the player, and the movie is silent at once.
    void closingSilences()
    {
        if (!m_noServer.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private sound server: ") + m_noServer));
        flash player(320, 240, nullptr);
        player.setMoviePath(movie(QStringLiteral("mp4")));
        player.loadMovie();
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        QTRY_VERIFY_WITH_TIMEOUT(player.movieWidget()->position() > 800, 5000);
        QTest::keyClick(&player, Qt::Key_Escape);
        QVERIFY(!player.isVisible());
        QVERIFY(!player.movieWidget()->isPlaying());
        const qint64 closed = m_server.mark();
        QTest::qWait(400);
        const Heard after = Heard::in(m_server.recordedSince(closed + 150, m_server.mark()),
                                      SoundServer::rate, toneAmplitude);
        QVERIFY2(after.onsetMs < 0,
                 qPrintable(QStringLiteral("heard %1 ms after closing").arg(150 + after.onsetMs)));
    }

    // A movie that is not one, or cut short: the player shows what it can decode, if anything,
    // stops, and the dialog closes.
    void damagedMovieStops_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QFile movie(m_movie);
        QVERIFY(movie.open(QIODevice::ReadOnly));
        const QByteArray whole = movie.readAll();
        QByteArray random(whole.size(), Qt::Uninitialized);
        QRandomGenerator generator(5);
        for (char &byte : random)
            byte = char(generator.bounded(256));

        QTest::newRow("random bytes") << random;
        QTest::newRow("cut to a tenth") << whole.left(whole.size() / 10);
        QTest::newRow("without its header") << whole.mid(whole.size() / 2);
    }

    void damagedMovieStops()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("information3.dll"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(bytes);
        file.close();

        flash player(320, 240, nullptr);
        player.setMoviePath(path);
        player.loadMovie();
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        QTRY_VERIFY_WITH_TIMEOUT(!player.movieWidget()->isPlaying(), 10000);
        QTest::keyClick(&player, Qt::Key_Escape);
        QVERIFY(!player.isVisible());
    }

    void unplayableFileShowsNothing_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing") << m_dir.filePath(QStringLiteral("information9.dll"));
        // A FIFO would hold the pipeline, and the program, until something wrote to it.
        const QString fifo = m_dir.filePath(QStringLiteral("fifo.dll"));
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QTest::newRow("FIFO") << fifo;
        QTest::newRow("directory") << m_dir.path();
    }

    void unplayableFileShowsNothing()
    {
        QFETCH(QString, path);
        flash player(320, 240, nullptr);
        player.setMoviePath(path);
        QElapsedTimer clock;
        clock.start();
        player.loadMovie();
        QVERIFY(clock.elapsed() < 500);
        player.show();
        QTRY_VERIFY_WITH_TIMEOUT(!player.movieWidget()->isPlaying(), 5000);
        player.reject();
    }
};

QTEST_MAIN(TestMoviePlayer)
#include "tst_movieplayer.moc"

#include "book/flash.h"
#include "media/movieplayer.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

// The animation player on the real backend, with a movie made for the test.
class TestMoviePlayer : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_movie;

private slots:
    void initTestCase()
    {
        const QString ffmpeg = QStandardPaths::findExecutable(QStringLiteral("ffmpeg"));
        if (ffmpeg.isEmpty())
            QSKIP("ffmpeg is needed to make the test movie");
        // Animation files carry a ".dll" name whatever they hold.
        m_movie = m_dir.filePath(QStringLiteral("information2.dll"));
        const int exitCode = QProcess::execute(ffmpeg, {"-loglevel",
                                                        "error",
                                                        "-y",
                                                        "-f",
                                                        "lavfi",
                                                        "-i",
                                                        "testsrc=size=320x240:rate=10",
                                                        "-f",
                                                        "lavfi",
                                                        "-i",
                                                        "sine=frequency=440",
                                                        "-t",
                                                        "4",
                                                        "-c:v",
                                                        "mpeg4",
                                                        "-c:a",
                                                        "mp2",
                                                        "-f",
                                                        "avi",
                                                        m_movie});
        QCOMPARE(exitCode, 0);
    }

    void playsUntilTheDialogCloses()
    {
        flash player(320, 240, nullptr);
        player.setMoviePath(m_movie);
        player.loadMovie();
        player.show();
        QVERIFY(QTest::qWaitForWindowExposed(&player));
        QTRY_VERIFY_WITH_TIMEOUT(player.movieWidget()->isPlaying(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(player.movieWidget()->position() > 300, 5000);
        QCOMPARE(player.movieWidget()->geometry(), QRect(0, 0, 320, 240));

        QTest::keyClick(&player, Qt::Key_Escape);
        QVERIFY(!player.isVisible());
        QVERIFY(!player.movieWidget()->isPlaying());
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

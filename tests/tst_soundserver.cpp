#include "book/bookface.h"
#include "media/audioplayer.h"
#include "media/movieplayer.h"
#include "soundserver.h"
#include "words/word.h"

#include <QFile>
#include <QPushButton>
#include <QTest>

// The real players, heard at a sound server: a click after the child has looked at the page a
// while is heard inside its segment and nothing after it; the game's target follows its prompt.
// This checks that and where a sound arrives, not how fast (bench/sound_latency.py measures).
class TestSoundServer : public QObject
{
    Q_OBJECT

private:
    SoundServer m_server;

    // Spread 1, "It's near the library.": its rectangle's middle, its segment.
    static constexpr QPoint sentence{259, 443};
    static constexpr qint64 segmentStart = 8700;
    static constexpr qint64 segmentEnd = 12100;
    // The next segment starts 1 s after this one ends; a segment not stopped is heard there.
    static constexpr qint64 nextSegmentGap = 1000;
    // The game's prompt, from its start to its end.
    static constexpr qint64 promptLength = 1300;

    // The demo book's page view on the real players, on spread 1 for `ms` already.
    static std::unique_ptr<bookface> spreadOneFor(int ms)
    {
        auto view = std::make_unique<bookface>(
            nullptr, AudioPlayer::factory(),
            Content::Sources{.contentDir = QStringLiteral(MIVORA_OUTPUT_DIR)});
        view->resize(910, 580);
        view->show();
        // The view opens on spread 1; away and back sets its recording anew, as a page turn does.
        view->setBookNowNext();
        view->setBookNowUp();
        // The child looks at the page first; the old backend then started late by this long.
        QTest::qWait(ms);
        return view;
    }

private slots:
    void initTestCase()
    {
        if (!QFile::exists(QStringLiteral(MIVORA_OUTPUT_DIR "/frequency/frequency1.dll")))
            QSKIP("the demo book's audio was not made (a tool was missing at build time)");
        const QString problem = m_server.start();
        if (!problem.isEmpty())
            QSKIP(qPrintable(QStringLiteral("no private sound server: ") + problem));
    }

    void segmentAfterAWaitIsHeardInsideIt()
    {
        const auto view = spreadOneFor(8000);
        QTest::mouseMove(view.get(), sentence);
        const qint64 click = m_server.now();
        QTest::mouseClick(view.get(), Qt::LeftButton, {}, sentence);
        const qint64 length = segmentEnd - segmentStart;
        QTest::qWait(int(length + nextSegmentGap + 500));

        const std::optional<qint64> heard = m_server.firstSound(click, click + length);
        QVERIFY2(heard, "the sentence was not heard inside its segment");
        // The player ends the segment where it ends: nothing after it, though the view's timer
        // looks only every 200 ms.
        QVERIFY2(!m_server.firstSound(click + length + 100, click + length + nextSegmentGap),
                 "something sounded after the segment's end");
    }

    void gameTargetFollowsItsPrompt()
    {
        const auto view = spreadOneFor(3000);
        const qint64 click = m_server.now();
        view->findButton();
        QTest::qWait(int(promptLength + 2000));

        const std::optional<qint64> prompt = m_server.firstSound(click, click + 500);
        QVERIFY2(prompt, "the prompt was not heard");
        const qint64 promptEnd = click + promptLength;
        QVERIFY2(m_server.firstSound(promptEnd, promptEnd + 500),
                 "the target was not said after the prompt");
        view->findButton();
    }

    // The practice's first word, 出发 pressed after the child looked at the view a while.
    void firstWordAfterAWaitIsHeard()
    {
        word view(nullptr, AudioPlayer::factory(),
                  Content::Sources{.contentDir = QStringLiteral(MIVORA_OUTPUT_DIR)});
        view.show();
        view.enterpractice();
        QTest::qWait(8000);

        const qint64 start = m_server.now();
        QPushButton *go = nullptr;
        for (QPushButton *button : view.findChildren<QPushButton *>()) {
            if (button->text() == QStringLiteral("出发"))
                go = button;
        }
        QVERIFY(go);
        go->click();
        // The first word of unit 1 has a segment of 4 s.
        QTest::qWait(1500);
        QVERIFY2(m_server.firstSound(start, start + 1500), "the first word was not heard");
        view.leavepractice();
    }

    // The animations keep their sound; the demo movie's sound begins 500 ms into it.
    void movieIsHeard()
    {
        const QString movie = QStringLiteral(MIVORA_OUTPUT_DIR "/data/information2.dll");
        if (!QFile::exists(movie))
            QSKIP("the demo book's movies were not made");
        MoviePlayer player;
        player.resize(320, 240);
        player.show();
        const qint64 start = m_server.now();
        player.loadMovie(movie);
        QTest::qWait(2500);
        const std::optional<qint64> heard = m_server.firstSound(start, start + 2500);
        QVERIFY2(heard, "the movie's sound was not heard");
        qInfo("movie sound %lld ms after it was loaded (500 ms of it is the movie's own)",
              *heard - start);
    }
};

QTEST_MAIN(TestSoundServer)
#include "tst_soundserver.moc"

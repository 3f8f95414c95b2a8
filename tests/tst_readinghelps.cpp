#include "book/bookface.h"

#include "scriptedplayer.h"
#include "scriptedrecorder.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// A three-spread book. The first spread lists its sentences out of reading order: read on
// goes N_1, N_2, N_0, with 100 ms between the first two in the recording and 1000 ms
// between the last two. The second spread has no sentence; the third has one.
QByteArray readingMap()
{
    return "\xEF\xBB\xBF<Book><P0-1><NO m=\"0\" FLASH=\"0\"/></P0-1>"
           R"(<P2-3><NO m="3" FLASH="0"/>)"
           R"(<N_0 LEFT="500" TOP="300" RIGHT="700" BOTTOM="350" STARTTIME="5000" ENDTIME="6000" TEXT="third"/>)"
           R"(<N_1 LEFT="100" TOP="100" RIGHT="300" BOTTOM="150" STARTTIME="1000" ENDTIME="2000" TEXT="first"/>)"
           R"(<N_2 LEFT="100" TOP="200" RIGHT="300" BOTTOM="250" STARTTIME="2100" ENDTIME="4000" TEXT="second"/>)"
           R"(</P2-3><P4-5><NO m="0" FLASH="0"/></P4-5>)"
           R"(<P6-7><NO m="1" FLASH="0"/>)"
           R"(<N_0 LEFT="400" TOP="400" RIGHT="600" BOTTOM="450" STARTTIME="300" ENDTIME="900" TEXT="last"/>)"
           R"(</P6-7></Book>)";
}

constexpr int lastSpread = 3;

// Window-size view points inside the first spread's sentences and outside all of them.
const QPoint first(200, 125);
const QPoint second(200, 225);
const QPoint third(600, 325);
const QPoint nowhere(800, 500);

QString audioFor(int k)
{
    return QCoreApplication::applicationDirPath() +
           QStringLiteral("/frequency/frequency%1.dll").arg(k);
}

QString segment(int start, int end)
{
    return QStringLiteral("playSegment %1 %2").arg(start).arg(end);
}

} // namespace

class TestReadingHelps : public QObject
{
    Q_OBJECT

private:
    ScriptedPlayer *reading() const { return m_players->made.at(1); }
    ScriptedRecorder *recorder() const { return m_recorders->made.value(0); }
    QString lastCall() const { return reading()->calls.value(reading()->calls.size() - 1); }
    void click(QPoint pos)
    {
        // A move to where the pointer already is (as the last click left it) is not delivered.
        QTest::mouseMove(m_view.get(), QPoint(905, 575));
        QTest::mouseMove(m_view.get(), pos);
        QTest::mouseClick(m_view.get(), Qt::LeftButton, {}, pos);
    }
    // Whether the view shows something at `pos` that the plain page does not.
    bool marked(QPoint pos) { return m_view->grab().toImage().pixel(pos) != m_plain.pixel(pos); }
    // The plays the reading player was asked for.
    QStringList segments() const
    {
        QStringList plays = reading()->calls;
        plays.removeIf([](const QString &call) { return !call.startsWith(u"playSegment"); });
        return plays;
    }

    QTemporaryDir m_dir;
    QString m_mapPath;
    std::unique_ptr<ScriptedPlayers> m_players;
    std::unique_ptr<ScriptedRecorders> m_recorders;
    std::unique_ptr<bookface> m_view;
    QImage m_plain;

private slots:
    void initTestCase()
    {
        m_mapPath = m_dir.filePath(QStringLiteral("map.xml"));
        QFile file(m_mapPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(readingMap());
    }

    void init()
    {
        m_players = std::make_unique<ScriptedPlayers>();
        m_recorders = std::make_unique<ScriptedRecorders>();
        Content::Sources sources{m_mapPath};
        sources.lastSpread = lastSpread;
        m_view =
            std::make_unique<bookface>(nullptr, m_players->factory(), sources, &QTime::currentTime,
                                       ReadFailureReport{}, m_recorders->factory());
        m_view->resize(910, 580);
        m_view->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_view.get()));
        m_plain = m_view->grab().toImage();
    }

    void cleanup() { m_view.reset(); }

    // Every sentence of the spread in the order of the recording, each marked while it is
    // heard; then the spreads after it, one without sentences passed over, to the end of the
    // book, where reading on ends by itself.
    void readOnReadsToTheEndOfTheBook()
    {
        QSignalSpy changes(m_view.get(), &bookface::readingOnChanged);
        m_view->readOnButton();
        QVERIFY(m_view->readingOn());
        QTRY_COMPARE(lastCall(), segment(1000, 2000));
        QVERIFY(marked(first));
        QVERIFY(!marked(second));

        reading()->playToEnd();
        QVERIFY(!marked(first));
        QTRY_COMPARE(lastCall(), segment(2100, 4000));
        QVERIFY(marked(second));

        // A segment the player ends without a word is over all the same.
        reading()->position = 4000;
        m_view->endTime();
        QTRY_COMPARE(lastCall(), segment(5000, 6000));
        QVERIFY(marked(third));

        reading()->playToEnd();
        QCOMPARE(m_view->currentSpread(), 3);
        QCOMPARE(reading()->source, audioFor(3));
        QTRY_COMPARE(lastCall(), segment(300, 900));
        reading()->playToEnd();

        QVERIFY(!m_view->readingOn());
        QCOMPARE(segments(), (QStringList{segment(1000, 2000), segment(2100, 4000),
                                          segment(5000, 6000), segment(300, 900)}));
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes.at(0).at(0).toBool(), true);
        QCOMPARE(changes.at(1).at(0).toBool(), false);
        // Reading on asks for no microphone.
        QVERIFY(m_recorders->made.isEmpty());
    }

    void readOnFromTheContentsStartsAtTheFirstSpread()
    {
        m_view->setDirectory();
        m_view->readOnButton();
        QCOMPARE(m_view->currentSpread(), 1);
        QTRY_COMPARE(lastCall(), segment(1000, 2000));
    }

    // A click on the page, a page key, the game or the button again stops reading on: the
    // sentence heard stops, and nothing follows it.
    void readOnStops_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("spread");
        QTest::addColumn<QString>("last");
        QTest::newRow("the button again") << 1 << "button" << 1 << "stop";
        QTest::newRow("a click outside the sentences") << 1 << "nowhere" << 1 << "stop";
        QTest::newRow("a click on a sentence, which is read")
            << 1 << "third" << 1 << segment(5000, 6000);
        QTest::newRow("next page") << 1 << "next" << 2 << "setSource " + audioFor(2);
        QTest::newRow("previous page") << 3 << "up" << 2 << "setSource " + audioFor(2);
        QTest::newRow("contents") << 1 << "directory" << 0 << "clear";
        QTest::newRow("spread by number") << 1 << "open" << 3 << "setSource " + audioFor(3);
        QTest::newRow("find it") << 1 << "find" << 1 << "stop";
    }

    void readOnStops()
    {
        QFETCH(int, from);
        QFETCH(QString, action);
        QFETCH(int, spread);
        QFETCH(QString, last);
        m_view->openSpread(from);
        m_view->readOnButton();
        QTRY_COMPARE(segments().size(), 1);
        QSignalSpy changes(m_view.get(), &bookface::readingOnChanged);

        if (action == u"button")
            m_view->readOnButton();
        else if (action == u"nowhere")
            click(nowhere);
        else if (action == u"third")
            click(third);
        else if (action == u"next")
            m_view->setBookNowNext();
        else if (action == u"up")
            m_view->setBookNowUp();
        else if (action == u"directory")
            m_view->setDirectory();
        else if (action == u"open")
            m_view->openSpread(3);
        else if (action == u"find")
            m_view->findButton();

        QVERIFY(!m_view->readingOn());
        QCOMPARE(changes.size(), 1);
        QCOMPARE(m_view->currentSpread(), spread);
        QCOMPARE(lastCall(), last);
        // Nothing follows, however long one waits for the next sentence (100 ms away).
        reading()->playToEnd();
        QTest::qWait(400);
        QCOMPARE(lastCall(), last);
        QCOMPARE(m_view->currentSpread(), spread);
    }

    // Repeat reads a clicked sentence three times, then stops.
    void repeat_data()
    {
        QTest::addColumn<bool>("on");
        QTest::addColumn<int>("plays");
        QTest::newRow("off") << false << 1;
        QTest::newRow("on") << true << 3;
    }

    void repeat()
    {
        QFETCH(bool, on);
        QFETCH(int, plays);
        m_view->setRepeats(on);
        click(second);
        for (int i = 1; i <= plays; ++i) {
            QTRY_COMPARE(segments().size(), i);
            QVERIFY(marked(second));
            reading()->playToEnd();
            QVERIFY(!marked(second));
        }
        QTest::qWait(1000);
        QCOMPARE(segments(), QStringList(plays, segment(2100, 4000)));
        QVERIFY(m_recorders->made.isEmpty());
    }

    void repeatTurnedOffInThePauseEnds()
    {
        m_view->setRepeats(true);
        click(second);
        reading()->playToEnd();
        m_view->setRepeats(false);
        QTest::qWait(1000);
        QCOMPARE(segments().size(), 1);
    }

    // Say it after me: the sentence, the child's turn for as long as the sentence and a second
    // more with a meter on the sentence, the child's voice played back, the sentence again.
    void sayAfterMe_data()
    {
        QTest::addColumn<bool>("repeat");
        QTest::addColumn<int>("plays"); // before the child's turn
        QTest::newRow("alone") << false << 1;
        QTest::newRow("after a repeat") << true << 3;
    }

    void sayAfterMe()
    {
        QFETCH(bool, repeat);
        QFETCH(int, plays);
        m_view->setRepeats(repeat);
        QSignalSpy toggles(m_view.get(), &bookface::sayAfterChanged);
        m_view->setSaysAfter(true);
        QCOMPARE(toggles.size(), 1);
        QVERIFY(m_recorders->made.isEmpty());

        click(second);
        for (int i = 1; i <= plays; ++i) {
            QTRY_COMPARE(segments().size(), i);
            reading()->playToEnd();
        }
        QVERIFY(recorder());
        QCOMPARE(recorder()->calls.last(), QStringLiteral("record 2900"));
        // The meter on the sentence's foot fills with the level: green at its left end.
        const QPoint meterStart(101, 246);
        recorder()->hear(0);
        const QRgb silent = m_view->grab().toImage().pixel(meterStart);
        recorder()->hear(0.8);
        const QColor loud = m_view->grab().toImage().pixelColor(meterStart);
        QVERIFY(loud.rgb() != silent);
        QVERIFY(loud.green() > loud.red() && loud.green() > loud.blue());

        recorder()->finishRecording();
        QCOMPARE(recorder()->calls.last(), QStringLiteral("playBack"));
        QVERIFY(marked(second));
        QCOMPARE(segments().size(), plays);

        recorder()->finishPlayingBack();
        QCOMPARE(segments().size(), plays + 1);
        QCOMPARE(segments().last(), segment(2100, 4000));
        reading()->playToEnd();
        QTest::qWait(1000);
        QCOMPARE(segments().size(), plays + 1);
        QCOMPARE(recorder()->calls.count(QStringLiteral("record 2900")), 1);
        QVERIFY(m_view->saysAfter());
    }

    // Without a microphone the child is told once, and the help turns itself off.
    void sayAfterMeWithoutMicrophone()
    {
        QSignalSpy missing(m_view.get(), &bookface::microphoneMissing);
        QSignalSpy toggles(m_view.get(), &bookface::sayAfterChanged);
        m_view->setSaysAfter(true);
        click(first);
        reading()->playToEnd();
        recorder()->findNoMicrophone();
        QCOMPARE(missing.size(), 1);
        QVERIFY(!m_view->saysAfter());
        QCOMPARE(toggles.size(), 2);
        QCOMPARE(toggles.last().at(0).toBool(), false);
        QVERIFY(!recorder()->calls.contains(QStringLiteral("playBack")));

        click(first);
        reading()->playToEnd();
        QCOMPARE(recorder()->calls.count(QStringLiteral("record 2000")), 1);
        QCOMPARE(missing.size(), 1);
    }

    // Read on with say it after me: the child's turn comes after each sentence.
    void readOnWithSayAfterMe()
    {
        m_view->setSaysAfter(true);
        m_view->readOnButton();
        QTRY_COMPARE(lastCall(), segment(1000, 2000));
        reading()->playToEnd();
        QCOMPARE(recorder()->calls.last(), QStringLiteral("record 2000"));
        recorder()->finishRecording();
        recorder()->finishPlayingBack();
        QCOMPARE(lastCall(), segment(1000, 2000));
        reading()->playToEnd();
        QTRY_COMPARE(lastCall(), segment(2100, 4000));
        // Stopped in the child's turn, the recorder stops too.
        reading()->playToEnd();
        QCOMPARE(recorder()->calls.last(), QStringLiteral("record 2900"));
        m_view->readOnButton();
        QCOMPARE(recorder()->calls.last(), QStringLiteral("stop"));
        recorder()->finishRecording();
        QCOMPARE(recorder()->calls.count(QStringLiteral("playBack")), 1);
    }
};

QTEST_MAIN(TestReadingHelps)
#include "tst_readinghelps.moc"

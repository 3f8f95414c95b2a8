#include "progress/lastplace.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// Where the child left off: kept per book, within the book, and never in the way.
class TestLastPlace : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_run = 0;

    QString freshFile() { return m_dir.filePath(QStringLiteral("place%1.conf").arg(++m_run)); }

private slots:
    void placeKeptPerBook_data()
    {
        QTest::addColumn<QByteArray>("openedBook");
        QTest::addColumn<int>("lastSpread");
        QTest::addColumn<int>("units");
        QTest::addColumn<int>("spread");
        QTest::addColumn<int>("unit");

        QTest::newRow("the same book") << QByteArray("A") << 37 << 6 << 7 << 2;
        QTest::newRow("another book") << QByteArray("B") << 37 << 6 << 1 << 0;
        QTest::newRow("a book without identity") << QByteArray() << 37 << 6 << 1 << 0;
        QTest::newRow("fewer spreads now") << QByteArray("A") << 5 << 6 << 1 << 2;
        QTest::newRow("fewer units now") << QByteArray("A") << 37 << 2 << 7 << 0;
    }

    void placeKeptPerBook()
    {
        QFETCH(QByteArray, openedBook);
        QFETCH(int, lastSpread);
        QFETCH(int, units);
        QFETCH(int, spread);
        QFETCH(int, unit);

        const QString file = freshFile();
        LastPlace closed("A", file);
        closed.saveSpread(3);
        closed.saveSpread(7);
        closed.saveUnit(2);
        const LastPlace::Place place = LastPlace(openedBook, file).load(lastSpread, units);
        QCOMPARE(place.spread, spread);
        QCOMPARE(place.unit, unit);
    }

    // The contents spread is a place too.
    void contentsSpreadIsKept()
    {
        const QString file = freshFile();
        LastPlace("A", file).saveSpread(0);
        QCOMPARE(LastPlace("A", file).load(37, 6).spread, 0);
    }

    // Another book's place is forgotten when this one is saved, not mixed with it.
    void anotherBookStartsAfresh()
    {
        const QString file = freshFile();
        LastPlace("A", file).saveUnit(4);
        LastPlace("B", file).saveSpread(9);
        const LastPlace::Place b = LastPlace("B", file).load(37, 6);
        QCOMPARE(b.spread, 9);
        QCOMPARE(b.unit, 0);
        QCOMPARE(LastPlace("A", file).load(37, 6).spread, 1);
    }

    void damagedFilesNeverStopTheProgram_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("noise") << QByteArray("\x01\xff[\x80\x00=\n==[[\n", 14);
        QTest::newRow("not numbers") << QByteArray("[place]\nbook=A\nspread=seven\nunit=-3\n");
        QTest::newRow("far out") << QByteArray("[place]\nbook=A\nspread=99999999999\nunit=9\n");
    }

    void damagedFilesNeverStopTheProgram()
    {
        QFETCH(QByteArray, content);
        const QString file = freshFile();
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(content);
        damaged.close();

        LastPlace place("A", file);
        const LastPlace::Place opened = place.load(37, 6);
        QCOMPARE(opened.spread, 1);
        QCOMPARE(opened.unit, 0);
        // And the next change is kept again.
        place.saveSpread(5);
        QCOMPARE(LastPlace("A", file).load(37, 6).spread, 5);
    }

    // A file that cannot be written (its folder is a file) loses the place, nothing more.
    void unwritableFileIsNoError()
    {
        const QString blocker = freshFile();
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        LastPlace place("A", blocker + QStringLiteral("/place.conf"));
        place.saveSpread(5);
        QCOMPARE(place.load(37, 6).spread, 1);
    }

    void identityFollowsTheMap()
    {
        const QString map = m_dir.filePath(QStringLiteral("point.xml"));
        QFile file(map);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("<Book/>");
        file.close();
        const QByteArray before = LastPlace::bookIdentity(map);
        QVERIFY(!before.isEmpty());
        QVERIFY(file.open(QIODevice::Append));
        file.write("\n");
        file.close();
        QVERIFY(LastPlace::bookIdentity(map) != before);
        QVERIFY(LastPlace::bookIdentity(m_dir.filePath(QStringLiteral("missing.xml"))).isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLastPlace)
#include "tst_lastplace.moc"

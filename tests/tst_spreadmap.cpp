#include "content/content.h"
#include "content/spreadmap.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Report
{
    QString title;
    QString text;
};

// Wraps spread elements in a map file.
QByteArray map(const QByteArray &spreads, const QByteArray &root = "Book")
{
    return "\xEF\xBB\xBF<" + root + ">\r\n" + spreads + "\r\n</" + root + ">\r\n";
}

QStringList texts(const SpreadMap &spreadMap)
{
    QStringList found;
    for (const Hotspot &hotspot : spreadMap.hotspots())
        found << hotspot.text;
    return found;
}

} // namespace

class TestSpreadMap : public QObject
{
    Q_OBJECT

private:
    QString write(const QString &name, const QByteArray &content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        file.write(content);
        return path;
    }

    SpreadMap recordingMap()
    {
        return SpreadMap([this](const QString &title, const QString &text) {
            m_reports.append({title, text});
        });
    }

    QTemporaryDir m_dir;
    QList<Report> m_reports;

private slots:
    void init() { m_reports.clear(); }

    void load_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<bool>("result");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("flash");

        // Every load follows a load of a spread with count 4 and flash 7, so rows that must
        // keep count and flash expect those.
        const QStringList none;
        QTest::newRow("spread found")
            << map(R"(<P2-3><NO m ="2" FLASH = "1"/><N_0 TEXT="a"/><N_1 TEXT="b"/></P2-3>)")
            << "P2-3" << true << QStringList{"a", "b"} << 2 << 1;
        QTest::newRow("ordered by i, repeated names in document order, names past m unread")
            << map(R"(<P2-3><NO m="3" FLASH="0"/><N_2 TEXT="2a"/><N_0 TEXT="0"/>)"
                   R"(<N_2 TEXT="2b"/><N_5 TEXT="5"/></P2-3>)")
            << "P2-3" << true << QStringList{"0", "2a", "2b"} << 3 << 0;
        QTest::newRow("count element anywhere among the children")
            << map(R"(<P2-3><N_1 TEXT="b"/><N_0 TEXT="a"/><NO m="2" FLASH="0"/></P2-3>)") << "P2-3"
            << true << QStringList{"a", "b"} << 2 << 0;
        QTest::newRow("names that only look like N_1")
            << map(R"(<P2-3><NO m="3" FLASH="0"/><n_1 TEXT="x"/><N_01 TEXT="x"/><N_ TEXT="x"/>)"
                   R"(<N_-1 TEXT="x"/><N_2x TEXT="x"/><N_2 TEXT="c"/></P2-3>)")
            << "P2-3" << true << QStringList{"c"} << 3 << 0;
        QTest::newRow("m empty") << map(R"(<P2-3><NO m="" FLASH="2"/><N_0/></P2-3>)") << "P2-3"
                                 << true << none << 0 << 2;
        QTest::newRow("m and FLASH absent")
            << map(R"(<P2-3><NO/><N_0/></P2-3>)") << "P2-3" << true << none << 0 << 0;
        QTest::newRow("m zero") << map(R"(<P2-3><NO m="0" FLASH="0"/><N_0/></P2-3>)") << "P2-3"
                                << true << none << 0 << 0;
        QTest::newRow("m negative") << map(R"(<P2-3><NO m="-3" FLASH="0"/><N_0/></P2-3>)") << "P2-3"
                                    << true << none << -3 << 0;
        QTest::newRow("m not a number") << map(R"(<P2-3><NO m="x3" FLASH="y"/><N_0/></P2-3>)")
                                        << "P2-3" << true << none << 0 << 0;
        QTest::newRow("m huge: only the names present are read")
            << map(R"(<P2-3><NO m="2000000000" FLASH="0"/><N_0 TEXT="a"/>)"
                   R"(<N_1999999999 TEXT="z"/><N_2000000000 TEXT="past"/></P2-3>)")
            << "P2-3" << true << QStringList{"a", "z"} << 2000000000 << 0;
        QTest::newRow("first of two spreads with one tag")
            << map(R"(<P2-3><NO m="1" FLASH="0"/><N_0 TEXT="first"/></P2-3>)"
                   R"(<P2-3><NO m="1" FLASH="1"/><N_0 TEXT="second"/></P2-3>)")
            << "P2-3" << true << QStringList{"first"} << 1 << 0;
        QTest::newRow("first of two count elements")
            << map(R"(<P2-3><NO m="1" FLASH="1"/><NO m="2" FLASH="2"/><N_0 TEXT="a"/>)"
                   R"(<N_1 TEXT="b"/></P2-3>)")
            << "P2-3" << true << QStringList{"a"} << 1 << 1;
        QTest::newRow("tag is case-sensitive: spread missing keeps count and flash")
            << map(R"(<p2-3><NO m="1" FLASH="1"/><N_0/></p2-3>)") << "P2-3" << true << none << 4
            << 7;
        QTest::newRow("spread without count element keeps count and flash")
            << map(R"(<P2-3><N_0 TEXT="a"/></P2-3>)") << "P2-3" << true << none << 4 << 7;
        QTest::newRow("a spread nested deeper is not a spread")
            << map(R"(<Unit><P2-3><NO m="1"/><N_0/></P2-3></Unit>)") << "P2-3" << true << none << 4
            << 7;
        QTest::newRow("root in lower case") << map(R"(<P2-3><NO m="1"/><N_0/></P2-3>)", "book")
                                            << "P2-3" << false << none << 4 << 7;
        QTest::newRow("truncated") << QByteArray("\xEF\xBB\xBF<Book>\r\n<P2-3><NO m=\"1\"/><N_")
                                   << "P2-3" << false << none << 4 << 7;
        QTest::newRow("nested 256 levels deep: read")
            << map(R"(<P2-3><NO m="1" FLASH="0"/><N_0 TEXT="a">)" +
                   QByteArray("<a>").repeated(253) + QByteArray("</a>").repeated(253) +
                   "</N_0></P2-3>")
            << "P2-3" << true << QStringList{"a"} << 1 << 0;
        QTest::newRow("an item below an item is not an item")
            << map(R"(<P2-3><NO m="2" FLASH="0"/><N_0 TEXT="a"><N_1 TEXT="b"/></N_0></P2-3>)")
            << "P2-3" << true << QStringList{"a"} << 2 << 0;
        QTest::newRow("entities declared in the document")
            << QByteArray(
                   R"(<!DOCTYPE Book [<!ENTITY town "Greenfield">]>)"
                   R"(<Book><P2-3><NO m="1" FLASH="0"/><N_0 TEXT="&town;@&amp;"/></P2-3></Book>)")
            << "P2-3" << true << QStringList{"Greenfield\n&"} << 1 << 0;
    }

    void load()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, tag);
        QFETCH(bool, result);
        QFETCH(QStringList, texts);
        QFETCH(int, count);
        QFETCH(int, flash);

        SpreadMap spreadMap = recordingMap();
        spreadMap.setTag(QStringLiteral("P0-1"));
        QVERIFY(spreadMap.load(write(QStringLiteral("before.xml"),
                                     map(R"(<P0-1><NO m="4" FLASH="7"/><N_0/></P0-1>)"))));
        QCOMPARE(spreadMap.hotspots().size(), 1);

        spreadMap.setTag(tag);
        const QString path = write(QStringLiteral("map.xml"), content);
        QCOMPARE(spreadMap.load(path), result);
        QCOMPARE(::texts(spreadMap), texts);
        QCOMPARE(spreadMap.count(), count);
        QCOMPARE(spreadMap.flash(), flash);
        QCOMPARE(spreadMap.tag(), tag);
        QCOMPARE(m_reports.isEmpty(), result);

        // The whole parsed document that the book checker walks finds the same hotspots.
        ListFileFailure failure;
        const auto whole = ListFile::parse(path, QStringLiteral("Book"), failure);
        QCOMPARE(bool(whole), result);
        QStringList found;
        if (const ListSection *section = whole ? whole->section(tag) : nullptr) {
            const int m = intAttribute(attributesOf(section->countElement), QLatin1StringView("m"));
            for (const QDomElement &item : section->itemsBelow(m))
                found << hotspotFrom(attributesOf(item)).text;
        }
        QCOMPARE(found, texts);
    }

    void failureReports_data()
    {
        QTest::addColumn<QByteArray>("content"); // empty: no file at all
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("textStart");

        QTest::newRow("unreadable") << QByteArray() << "err"
                                    << "open file err";
        QTest::newRow("truncated") << QByteArray("<Book><P2-3>") << "err"
                                   << "err";
        QTest::newRow("not xml") << QByteArray("not xml at all") << "err"
                                 << "err";
        QTest::newRow("wrong root") << map("", "book") << "err出错原因"
                                    << "open xml err";
        // Refused rather than read for seconds.
        QTest::newRow("larger than 16 MB")
            << map(R"(<P2-3><NO m="0"/></P2-3>)" + QByteArray(16 * 1024 * 1024, ' ')) << "err"
            << "errFile is larger than 16 MB.";
        QTest::newRow("nested deeper than 256 levels")
            << map(QByteArray("<a>").repeated(256) + QByteArray("</a>").repeated(256)) << "err"
            << "errElements are nested deeper than 256 levels.";
        QTest::newRow("40,000 levels")
            << map(QByteArray("<a>").repeated(40000) + QByteArray("</a>").repeated(40000)) << "err"
            << "errElements are nested deeper than 256 levels.";
    }

    void failureReports()
    {
        QFETCH(QByteArray, content);
        QFETCH(QString, title);
        QFETCH(QString, textStart);

        const QString path = content.isEmpty() ? m_dir.filePath(QStringLiteral("missing.xml"))
                                               : write(QStringLiteral("bad.xml"), content);
        SpreadMap spreadMap = recordingMap();
        spreadMap.setTag(QStringLiteral("P2-3"));
        // Reported on every load, not only on the first.
        QVERIFY(!spreadMap.load(path));
        QVERIFY(!spreadMap.load(path));
        QCOMPARE(m_reports.size(), 2);
        QCOMPARE(m_reports[0].title, title);
        QVERIFY2(m_reports[0].text.startsWith(textStart), qPrintable(m_reports[0].text));
        if (textStart.startsWith(u"err") && textStart.size() > 3) {
            QCOMPARE(m_reports[0].text, textStart);
        } else if (textStart == u"err") {
            // "err" runs straight into the parser's own message.
            QVERIFY(m_reports[0].text.size() > 3);
            QVERIFY(m_reports[0].text[3] != u' ');
        } else {
            QCOMPARE(m_reports[0].text, textStart);
        }
    }

    void hotspotFields()
    {
        SpreadMap spreadMap = recordingMap();
        spreadMap.setTag(QStringLiteral("P2-3"));
        QVERIFY(spreadMap.load(
            write(QStringLiteral("fields.xml"),
                  map(R"(<P2-3><NO m ="3" FLASH = "0"/>)"
                      R"(<N_0 LEFT="219" TOP="421" RIGHT="300" BOTTOM="465" STARTTIME="8700")"
                      R"( ENDTIME="12100" TEXT="它在图书馆附近." />)"
                      R"(<N_1 LEFT="x" TOP="" STARTTIME="" ENDTIME="1e3" TEXT="line@two@three"/>)"
                      R"(<N_2 RIGHT="-5" BOTTOM="40"/></P2-3>)"))));
        const QList<Hotspot> &hotspots = spreadMap.hotspots();
        QCOMPARE(hotspots.size(), 3);
        QCOMPARE(hotspots[0].rect, QRect(QPoint(219, 421), QPoint(300, 465)));
        QCOMPARE(hotspots[0].rect.size(), QSize(82, 45));
        QCOMPARE(hotspots[0].startTime, 8700);
        QCOMPARE(hotspots[0].endTime, 12100);
        QCOMPARE(hotspots[0].text, QStringLiteral("它在图书馆附近."));
        QCOMPARE(hotspots[1].rect.topLeft(), QPoint(0, 0));
        QCOMPARE(hotspots[1].startTime, 0);
        QCOMPARE(hotspots[1].endTime, 0);
        QCOMPARE(hotspots[1].text, QStringLiteral("line\ntwo\nthree"));
        // Corners are taken as given, unchecked.
        QCOMPARE(hotspots[2].rect, QRect(QPoint(0, 0), QPoint(-5, 40)));
        QCOMPARE(hotspots[2].text, QString());
    }

    // The parsed file is kept between loads; what a load returns must still be what a fresh
    // parse of the file as it is now would give.
    void reuseFollowsTheFile()
    {
        SpreadMap spreadMap = recordingMap();
        const QString path = write(QStringLiteral("changing.xml"),
                                   map(R"(<P2-3><NO m="1" FLASH="0"/><N_0 TEXT="old"/></P2-3>)"
                                       R"(<P4-5><NO m="1" FLASH="1"/><N_0 TEXT="other"/></P4-5>)"));
        spreadMap.setTag(QStringLiteral("P2-3"));
        QVERIFY(spreadMap.load(path));
        spreadMap.setTag(QStringLiteral("P4-5"));
        QVERIFY(spreadMap.load(path));
        QCOMPARE(texts(spreadMap), QStringList{"other"});

        write(QStringLiteral("changing.xml"),
              map(R"(<P2-3><NO m="2" FLASH="0"/><N_0 TEXT="new"/><N_1 TEXT="more"/></P2-3>)"));
        spreadMap.setTag(QStringLiteral("P2-3"));
        QVERIFY(spreadMap.load(path));
        QCOMPARE(texts(spreadMap), (QStringList{"new", "more"}));

        QVERIFY(QFile::remove(path));
        QVERIFY(!spreadMap.load(path));
        QCOMPARE(m_reports.size(), 1);
        QCOMPARE(m_reports[0].text, QStringLiteral("open file err"));
        QVERIFY(spreadMap.hotspots().isEmpty());
    }

    // A file rewritten within the time stamp's resolution keeps its size and time: what it
    // holds now is read all the same.
    void rewriteWithTheSameSizeAndTime()
    {
        SpreadMap spreadMap = recordingMap();
        spreadMap.setTag(QStringLiteral("P2-3"));
        const QString path = write(QStringLiteral("rewritten.xml"),
                                   map(R"(<P2-3><NO m="1" FLASH="0"/><N_0 TEXT="old"/></P2-3>)"));
        const QDateTime modified = QFileInfo(path).lastModified();
        QVERIFY(spreadMap.load(path));
        QCOMPARE(texts(spreadMap), QStringList{"old"});

        write(QStringLiteral("rewritten.xml"),
              map(R"(<P2-3><NO m="1" FLASH="1"/><N_0 TEXT="new"/></P2-3>)"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadWrite));
        QVERIFY(file.setFileTime(modified, QFileDevice::FileModificationTime));
        file.close();
        QCOMPARE(QFileInfo(path).lastModified(), modified);
        QVERIFY(spreadMap.load(path));
        QCOMPARE(texts(spreadMap), QStringList{"new"});
        QCOMPARE(spreadMap.flash(), 1);
    }

    // A record that keeps the parsed map gives, load after load, what a record that reads the
    // file for each load gives (count and flash stay from the previous spread where a spread is
    // not described).
    void reusedEqualsFresh()
    {
        const QList<int> spreads{1, 0, 5, 7, 2, 3, 9, 4, 1};
        SpreadMap reused = recordingMap();
        for (qsizetype step = 0; step < spreads.size(); ++step) {
            reused.setTag(Content::spreadTag(spreads[step]));
            QVERIFY(reused.load(Content::pointMap));
            SpreadMap fresh = recordingMap();
            for (qsizetype previous = qMax<qsizetype>(0, step - 1); previous <= step; ++previous) {
                fresh.setTag(Content::spreadTag(spreads[previous]));
                QVERIFY(fresh.load(Content::pointMap));
            }
            QCOMPARE(reused.count(), fresh.count());
            QCOMPARE(reused.flash(), fresh.flash());
            QCOMPARE(reused.hotspots().size(), fresh.hotspots().size());
            for (qsizetype i = 0; i < fresh.hotspots().size(); ++i) {
                const Hotspot &a = reused.hotspots()[i];
                const Hotspot &b = fresh.hotspots()[i];
                QCOMPARE(a.rect, b.rect);
                QCOMPARE(a.text, b.text);
                QCOMPARE(a.startTime, b.startTime);
                QCOMPARE(a.endTime, b.endTime);
            }
        }
        QVERIFY(m_reports.isEmpty());
    }

    void emptyReportTellsNoOne()
    {
        // The readers have no box of their own; without a report a failure is only returned.
        SpreadMap spreadMap;
        spreadMap.setTag(QStringLiteral("P2-3"));
        QVERIFY(!spreadMap.load(m_dir.filePath(QStringLiteral("nowhere.xml"))));
        QVERIFY(spreadMap.hotspots().isEmpty());
    }

    void toSpreadFrame_data()
    {
        QTest::addColumn<QSize>("view");
        QTest::addColumn<QPoint>("pos");
        QTest::addColumn<QPoint>("frame");

        QTest::newRow("window size is the identity")
            << QSize(910, 580) << QPoint(312, 82) << QPoint(312, 82);
        QTest::newRow("full size, truncated")
            << QSize(1139, 726) << QPoint(157, 57) << QPoint(125, 45);
        QTest::newRow("full size, one pixel less")
            << QSize(1139, 726) << QPoint(156, 56) << QPoint(124, 44);
        QTest::newRow("full size, last pixel")
            << QSize(1139, 726) << QPoint(1138, 725) << QPoint(909, 579);
        QTest::newRow("left of the view truncates toward zero")
            << QSize(1139, 726) << QPoint(-1, -1) << QPoint(0, 0);
    }

    void toSpreadFrame()
    {
        QFETCH(QSize, view);
        QFETCH(QPoint, pos);
        QFETCH(QPoint, frame);
        const auto converted = ::toSpreadFrame(pos, view);
        QVERIFY(converted.has_value());
        QCOMPARE(*converted, frame);
    }

    void toSpreadFrameWithoutArea()
    {
        QVERIFY(!::toSpreadFrame(QPoint(1, 1), QSize(0, 580)).has_value());
        QVERIFY(!::toSpreadFrame(QPoint(1, 1), QSize(910, 0)).has_value());
    }

    void hotspotAt_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("index");

        QTest::newRow("top-left corner") << QPoint(125, 45) << 0;
        QTest::newRow("bottom-right corner") << QPoint(312, 82) << 0;
        QTest::newRow("right of the right edge") << QPoint(313, 82) << -1;
        QTest::newRow("below the bottom edge") << QPoint(312, 83) << -1;
        QTest::newRow("overlap: lower index wins") << QPoint(300, 80) << 0;
        QTest::newRow("second hotspot") << QPoint(450, 120) << 1;
        QTest::newRow("nothing") << QPoint(10, 10) << -1;
    }

    void hotspotAt()
    {
        QFETCH(QPoint, point);
        QFETCH(int, index);
        const QList<Hotspot> hotspots{{QRect(QPoint(125, 45), QPoint(312, 82)), {}, 0, 0},
                                      {QRect(QPoint(400, 100), QPoint(450, 120)), {}, 0, 0},
                                      {QRect(QPoint(200, 60), QPoint(312, 82)), {}, 0, 0}};
        QCOMPARE(::hotspotAt(hotspots, point), index);
        QCOMPARE(::hotspotAt({}, point), -1);
    }
};

QTEST_MAIN(TestSpreadMap)
#include "tst_spreadmap.moc"

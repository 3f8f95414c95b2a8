// The map editor's model without a screen: reading and writing the map byte for byte, edits
// and their undo, atomic saving, reading order and snapping; and the editor window itself,
// offscreen, on a few paths an author takes.

#include "content/content.h"
#include "scriptedplayer.h"
#include "tools/mvrbook/edit/editorwindow.h"
#include "tools/mvrbook/edit/mapdocument.h"
#include "tools/mvrbook/edit/mapedits.h"
#include "tools/mvrbook/edit/pageview.h"
#include "tools/mvrbook/edit/waveformview.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>

namespace {

// The map as `mvrbook draft` writes it, with texts an author has typed since.
const QByteArray draftMap =
    "<Book>\n"
    "\t<P0-1>\n"
    "\t\t<NO m=\"1\" FLASH=\"0\"/>\n"
    "\t\t<N_0 LEFT=\"90\" TOP=\"130\" RIGHT=\"500\" BOTTOM=\"195\" STARTTIME=\"\" ENDTIME=\"\" "
    "TEXT=\"\"/>\n"
    "\t</P0-1>\n"
    "\t<P2-3>\n"
    "\t\t<NO m=\"2\" FLASH=\"0\"/>\n"
    "\t\t<N_0 LEFT=\"90\" TOP=\"130\" RIGHT=\"480\" BOTTOM=\"195\" STARTTIME=\"0\" "
    "ENDTIME=\"3000\" TEXT=\"你好。\"/>\n"
    "\t\t<N_1 LEFT=\"90\" TOP=\"230\" RIGHT=\"480\" BOTTOM=\"295\" STARTTIME=\"3000\" "
    "ENDTIME=\"6000\" TEXT=\"很高兴@见到你。\"/>\n"
    "\t</P2-3>\n"
    "</Book>\n";

// A map written by hand: a declaration, a comment, Windows line ends, no indentation,
// attributes in another order, an escaped character and a value check would reject.
const QByteArray handMap =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
    "<!-- my book -->\r\n"
    "<Book>\r\n"
    "<P2-3>\r\n"
    "<NO FLASH=\"1\" m=\"2\"/>\r\n"
    "<N_0 TEXT=\"a &amp; b\" LEFT=\"1\" TOP=\"2\" RIGHT=\"30\" BOTTOM=\"40\" "
    "STARTTIME=\"10\" ENDTIME=\"20\"/>\r\n"
    "<N_1 TEXT=\"c\" LEFT=\"1\" TOP=\"50\" RIGHT=\"30\" BOTTOM=\"90\" "
    "STARTTIME=\"x\" ENDTIME=\"40\"/>\r\n"
    "</P2-3>\r\n"
    "<P4-5><NO m=\"0\" FLASH=\"0\"/></P4-5>\r\n"
    "</Book>\r\n";

const QByteArray bom("\xEF\xBB\xBF");

using Change = std::function<QList<MapHotspot>(QList<MapHotspot>)>;

QList<MapHotspot> moved(QList<MapHotspot> list)
{
    list[1].setRect(list[1].rect().translated(7, -3));
    return list;
}

QList<MapHotspot> retimed(QList<MapHotspot> list)
{
    list[0].setTime(true, 2990);
    list[1].setTime(false, 2990);
    return list;
}

QList<MapHotspot> retexted(QList<MapHotspot> list)
{
    list[0].setValue(QStringLiteral("TEXT"), QStringLiteral("<你> & \"我\""));
    return list;
}

QList<MapHotspot> removedFirst(QList<MapHotspot> list)
{
    list.removeFirst();
    return list;
}

QList<MapHotspot> added(QList<MapHotspot> list)
{
    list.append(MapHotspot::blank(QRect(500, 100, 200, 50)));
    return list;
}

QList<MapHotspot> reversed(QList<MapHotspot> list)
{
    std::reverse(list.begin(), list.end());
    return list;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

} // namespace

class TestMapEdit : public QObject
{
    Q_OBJECT

private slots:
    void readsAndWritesBack_data()
    {
        QTest::addColumn<QByteArray>("map");
        QTest::addColumn<QList<int>>("spreads");
        QTest::addColumn<QByteArray>("written"); // where not the bytes read
        QTest::newRow("draft") << draftMap << QList<int>{0, 1} << QByteArray();
        QTest::newRow("by hand") << handMap << QList<int>{1, 2} << QByteArray();
        QTest::newRow("byte-order mark") << bom + draftMap << QList<int>{0, 1} << QByteArray();
        QTest::newRow("no spreads")
            << QByteArray("<Book>\n</Book>\n") << QList<int>{} << QByteArray();
        QTest::newRow("empty root")
            << QByteArray("<Book/>") << QList<int>{} << QByteArray("<Book>\n</Book>");
        QTest::newRow("no file") << QByteArray() << QList<int>{} << QByteArray("<Book>\n</Book>\n");
        QTest::newRow("other elements kept")
            << QByteArray(
                   "<Book>\n<P2-3>\n<NO m=\"0\" FLASH=\"0\"/>\n<X a=\"1\"><Y/></X>\n</P2-3>\n"
                   "<Other/>\n<P2-3><NO m=\"0\"/></P2-3>\n</Book>\n")
            << QList<int>{1} << QByteArray();
    }
    void readsAndWritesBack()
    {
        QFETCH(QByteArray, map);
        QFETCH(QList<int>, spreads);
        QFETCH(QByteArray, written);
        MapDocument document;
        QVERIFY2(document.read(map), qPrintable(document.error()));
        QCOMPARE(document.spreads(), spreads);
        QCOMPARE(document.bytes(), written.isEmpty() ? map : written);
        QVERIFY(!document.isModified());
    }

    void readsValues()
    {
        MapDocument document;
        QVERIFY(document.read(handMap));
        const QList<MapHotspot> list = document.hotspots(1);
        QCOMPARE(list.size(), 2);
        QCOMPARE(list[0].rect(), QRect(QPoint(1, 2), QPoint(30, 40)));
        QCOMPARE(list[0].value(QStringLiteral("TEXT")), QStringLiteral("a & b"));
        QCOMPARE(list[0].time(false), 10);
        QCOMPARE(list[1].time(false), -1);
        QCOMPARE(list[1].value(QStringLiteral("STARTTIME")), QStringLiteral("x"));
    }

    void refusesWhatIsNoMap_data()
    {
        QTest::addColumn<QByteArray>("map");
        QTest::newRow("not UTF-8")
            << QByteArray("<Book><P2-3><N_0 TEXT=\"\xC4\xE3\"/></P2-3></Book>");
        QTest::newRow("wrong root") << QByteArray("<BookWrod></BookWrod>");
        QTest::newRow("broken") << QByteArray("<Book><P2-3></Book>");
        QTest::newRow("not XML") << QByteArray("hello");
    }
    void refusesWhatIsNoMap()
    {
        QFETCH(QByteArray, map);
        MapDocument document;
        QVERIFY(!document.read(map));
        QVERIFY(!document.error().isEmpty());
    }

    // An edited spread is written again; everything else keeps its bytes.
    void editsKeepTheRest_data()
    {
        QTest::addColumn<QByteArray>("map");
        QTest::addColumn<int>("k");
        QTest::addColumn<Change>("change");
        QTest::addColumn<QByteArray>("expected");
        QByteArray movedDraft = draftMap;
        movedDraft.replace("LEFT=\"90\" TOP=\"230\" RIGHT=\"480\" BOTTOM=\"295\"",
                           "LEFT=\"97\" TOP=\"227\" RIGHT=\"487\" BOTTOM=\"292\"");
        QTest::newRow("move") << draftMap << 1 << Change(moved) << movedDraft;
        QByteArray retimedDraft = draftMap;
        retimedDraft.replace("ENDTIME=\"3000\"", "ENDTIME=\"2990\"")
            .replace("STARTTIME=\"3000\"", "STARTTIME=\"2990\"");
        QTest::newRow("times") << draftMap << 1 << Change(retimed) << retimedDraft;
        QByteArray retextedHand = handMap;
        retextedHand.replace("TEXT=\"a &amp; b\"", "TEXT=\"&lt;你&gt; &amp; &quot;我&quot;\"");
        QTest::newRow("text escaped, order kept")
            << handMap << 1 << Change(retexted) << retextedHand;
        QByteArray removedHand = handMap;
        removedHand.replace("<NO FLASH=\"1\" m=\"2\"/>", "<NO FLASH=\"1\" m=\"1\"/>")
            .replace("<N_0 TEXT=\"a &amp; b\" LEFT=\"1\" TOP=\"2\" RIGHT=\"30\" BOTTOM=\"40\" "
                     "STARTTIME=\"10\" ENDTIME=\"20\"/>\r\n",
                     "")
            .replace("<N_1 TEXT=\"c\"", "<N_0 TEXT=\"c\"");
        QTest::newRow("delete renumbers") << handMap << 1 << Change(removedFirst) << removedHand;
        QByteArray addedDraft = draftMap;
        addedDraft.replace("<NO m=\"1\" FLASH=\"0\"/>", "<NO m=\"2\" FLASH=\"0\"/>")
            .replace("TEXT=\"\"/>\n\t</P0-1>",
                     "TEXT=\"\"/>\n\t\t<N_1 LEFT=\"500\" TOP=\"100\" RIGHT=\"699\" BOTTOM=\"149\" "
                     "STARTTIME=\"\" ENDTIME=\"\" TEXT=\"\"/>\n\t</P0-1>");
        QTest::newRow("add") << draftMap << 0 << Change(added) << addedDraft;
        QByteArray newSpread = draftMap;
        newSpread.replace("</P2-3>\n", "</P2-3>\n\t<P6-7>\n\t\t<NO m=\"1\" FLASH=\"0\"/>\n\t\t"
                                       "<N_0 LEFT=\"500\" TOP=\"100\" RIGHT=\"699\" "
                                       "BOTTOM=\"149\" STARTTIME=\"\" ENDTIME=\"\" "
                                       "TEXT=\"\"/>\n\t</P6-7>\n");
        QTest::newRow("a spread the map lacks") << draftMap << 3 << Change(added) << newSpread;
        QTest::newRow("into an empty map")
            << QByteArray("<Book>\n</Book>\n") << 1 << Change(added)
            << QByteArray("<Book>\n\t<P2-3>\n\t\t<NO m=\"1\" FLASH=\"0\"/>\n\t\t<N_0 LEFT=\"500\" "
                          "TOP=\"100\" RIGHT=\"699\" BOTTOM=\"149\" STARTTIME=\"\" ENDTIME=\"\" "
                          "TEXT=\"\"/>\n\t</P2-3>\n</Book>\n");
    }
    void editsKeepTheRest()
    {
        QFETCH(QByteArray, map);
        QFETCH(int, k);
        QFETCH(Change, change);
        QFETCH(QByteArray, expected);
        MapDocument document;
        QVERIFY(document.read(map));
        document.setHotspots(k, change(document.hotspots(k)));
        QCOMPARE(QString::fromUtf8(document.bytes()), QString::fromUtf8(expected));
        QVERIFY(document.isModified());
        MapDocument again;
        QVERIFY(again.read(document.bytes()));
        QCOMPARE(again.hotspots(k), document.hotspots(k));
        // Changed back, a spread the map had is its old bytes again.
        MapDocument old;
        QVERIFY(old.read(map));
        if (old.spreads().contains(k)) {
            document.setHotspots(k, old.hotspots(k));
            QCOMPARE(document.bytes(), map);
        }
    }

    void undoAndRedo_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<QList<Change>>("changes");
        QTest::newRow("move") << 1 << QList<Change>{moved};
        QTest::newRow("move, text, times") << 1 << QList<Change>{moved, retexted, retimed};
        QTest::newRow("delete, add") << 1 << QList<Change>{removedFirst, added};
        QTest::newRow("reorder") << 1 << QList<Change>{reversed};
        QTest::newRow("new spread") << 4 << QList<Change>{added, added};
    }
    void undoAndRedo()
    {
        QFETCH(int, k);
        QFETCH(QList<Change>, changes);
        MapDocument document;
        QVERIFY(document.read(draftMap));
        QUndoStack stack;
        QList<QByteArray> states{document.bytes()};
        for (const Change &change : changes) {
            stack.push(new MapEditCommand(&document, k, change(document.hotspots(k)), {}));
            states.append(document.bytes());
        }
        QCOMPARE(stack.count(), changes.size());
        for (qsizetype i = changes.size(); i > 0; --i) {
            stack.undo();
            QCOMPARE(document.bytes(), states[i - 1]);
        }
        QCOMPARE(document.bytes(), draftMap);
        QVERIFY(!document.isModified());
        for (qsizetype i = 1; i <= changes.size(); ++i) {
            stack.redo();
            QCOMPARE(document.bytes(), states[i]);
        }
    }

    // Steps given one key undo as one; another key, or none, starts a new step.
    void mergesByKey_data()
    {
        QTest::addColumn<QList<int>>("keys");
        QTest::addColumn<int>("steps");
        QTest::newRow("one drag") << QList<int>{7, 7, 7} << 1;
        QTest::newRow("two drags") << QList<int>{7, 7, 8, 8} << 2;
        QTest::newRow("no key") << QList<int>{0, 0} << 2;
        QTest::newRow("a drag between") << QList<int>{7, 8, 7} << 3;
    }
    void mergesByKey()
    {
        QFETCH(QList<int>, keys);
        QFETCH(int, steps);
        MapDocument document;
        QVERIFY(document.read(draftMap));
        QUndoStack stack;
        for (const int key : keys)
            stack.push(new MapEditCommand(&document, 1, moved(document.hotspots(1)), {}, key));
        QCOMPARE(stack.count(), steps);
        while (stack.canUndo())
            stack.undo();
        QCOMPARE(document.bytes(), draftMap);
    }

    // A save that fails part way leaves the last good file as it was, and no other file.
    void failedSaveKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("limit");
        QTest::newRow("nothing can be written") << 0;
        QTest::newRow("fails early") << 100;
        QTest::newRow("fails late") << 4000;
    }
    void failedSaveKeepsTheOldFile()
    {
        QFETCH(int, limit);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("point.xml"));
        QVERIFY(writeAll(path, draftMap));
        MapDocument document;
        QVERIFY(document.readFile(path));
        QList<MapHotspot> many;
        for (int i = 0; i < 100; ++i)
            many.append(MapHotspot::blank(QRect(i, i, 100, 30)));
        document.setHotspots(1, many);
        QVERIFY(document.bytes().size() > 5000);

        // The file system refuses a file over `limit` bytes, as a full disk would.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = rlim_t(limit);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        const bool saved = document.save(path);
        setrlimit(RLIMIT_FSIZE, &old);

        QVERIFY(!saved);
        QVERIFY(!document.error().isEmpty());
        QCOMPARE(readAll(path), draftMap);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("point.xml")});
        QVERIFY(document.isModified());
        QVERIFY(document.save(path));
        QCOMPARE(readAll(path), document.bytes());
        QVERIFY(!document.isModified());
    }

    void readingOrder_data()
    {
        QTest::addColumn<QList<QRect>>("rects");
        QTest::addColumn<QList<int>>("order");
        QTest::newRow("a column") << QList<QRect>{{50, 300, 200, 40}, {50, 100, 200, 40}}
                                  << QList<int>{1, 0};
        QTest::newRow("left page first")
            << QList<QRect>{{500, 50, 200, 40}, {50, 400, 200, 40}} << QList<int>{1, 0};
        QTest::newRow("one line, left to right, uneven tops")
            << QList<QRect>{{250, 108, 100, 40}, {50, 100, 100, 40}, {50, 200, 100, 40}}
            << QList<int>{1, 0, 2};
        QTest::newRow("lower one is the next line")
            << QList<QRect>{{250, 125, 100, 40}, {50, 100, 100, 40}} << QList<int>{1, 0};
        QTest::newRow("both pages, two lines each") << QList<QRect>{{700, 300, 100, 40},
                                                                    {500, 300, 100, 40},
                                                                    {500, 60, 300, 40},
                                                                    {50, 300, 100, 40},
                                                                    {50, 60, 100, 40}}
                                                    << QList<int>{4, 3, 2, 1, 0};
        QTest::newRow("none") << QList<QRect>{} << QList<int>{};
    }
    void readingOrder()
    {
        QFETCH(QList<QRect>, rects);
        QFETCH(QList<int>, order);
        QCOMPARE(::readingOrder(rects), order);
    }

    void snapsToBoxes_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<int>("edges");
        QTest::addColumn<QRect>("snapped");
        const Qt::Edges all = Qt::LeftEdge | Qt::TopEdge | Qt::RightEdge | Qt::BottomEdge;
        QTest::newRow("all in reach") << QRect(QPoint(96, 52), QPoint(305, 88)) << int(all)
                                      << QRect(QPoint(100, 50), QPoint(300, 90));
        QTest::newRow("only the edges dragged")
            << QRect(QPoint(96, 52), QPoint(305, 88)) << int(Qt::RightEdge)
            << QRect(QPoint(96, 52), QPoint(300, 88));
        QTest::newRow("out of reach stays") << QRect(QPoint(80, 52), QPoint(320, 88)) << int(all)
                                            << QRect(QPoint(80, 50), QPoint(320, 90));
        QTest::newRow("nearest of two") << QRect(QPoint(100, 50), QPoint(356, 90)) << int(all)
                                        << QRect(QPoint(100, 50), QPoint(360, 90));
    }
    void snapsToBoxes()
    {
        QFETCH(QRect, rect);
        QFETCH(int, edges);
        QFETCH(QRect, snapped);
        const QList<QRect> words{QRect(QPoint(100, 50), QPoint(180, 90)),
                                 QRect(QPoint(200, 50), QPoint(300, 90)),
                                 QRect(QPoint(320, 50), QPoint(360, 90))};
        QCOMPARE(snapToBoxes(rect, words, 6, Qt::Edges(edges)), snapped);
    }

    void fitsToBoxes_data()
    {
        QTest::addColumn<QRect>("rect");
        QTest::addColumn<QRect>("fitted");
        QTest::newRow("two words")
            << QRect(QPoint(90, 30), QPoint(310, 120)) << QRect(QPoint(97, 47), QPoint(303, 93));
        QTest::newRow("no word inside") << QRect(400, 400, 50, 50) << QRect(400, 400, 50, 50);
        QTest::newRow("kept in the frame")
            << QRect(QPoint(0, 0), QPoint(60, 60)) << QRect(QPoint(0, 0), QPoint(53, 23));
    }
    void fitsToBoxes()
    {
        QFETCH(QRect, rect);
        QFETCH(QRect, fitted);
        const QList<QRect> words{
            QRect(QPoint(100, 50), QPoint(180, 90)), QRect(QPoint(200, 50), QPoint(300, 90)),
            QRect(QPoint(1, 1), QPoint(50, 20)), QRect(QPoint(320, 50), QPoint(360, 90))};
        QCOMPARE(fitToBoxes(rect, words, 3), fitted);
    }

    void snapsToPauses_data()
    {
        QTest::addColumn<int>("ms");
        QTest::addColumn<bool>("end");
        QTest::addColumn<int>("snapped");
        // Speech 500-2000, 2300-4000, 5000-6000 of a 7000 ms recording.
        QTest::newRow("start in a short pause") << 2200 << false << 2260;
        QTest::newRow("end in a short pause") << 2100 << true << 2100;
        QTest::newRow("end inside speech, nearer the pause before") << 3900 << true << 4100;
        QTest::newRow("start inside speech") << 2500 << false << 2260;
        QTest::newRow("start in a long pause") << 4100 << false << 4960;
        QTest::newRow("end in a long pause") << 4900 << true << 4100;
        QTest::newRow("the first start") << 700 << false << 460;
        QTest::newRow("the last end") << 5900 << true << 6100;
        QTest::newRow("no speech: stays") << -1 << true << -1;
    }
    void snapsToPauses()
    {
        QFETCH(int, ms);
        QFETCH(bool, end);
        QFETCH(int, snapped);
        const SpeechStretches speech{{500, 2000}, {2300, 4000}, {5000, 6000}};
        if (ms < 0)
            QCOMPARE(snapToPause(1234, end, {}, 7000), 1234);
        else
            QCOMPARE(snapToPause(ms, end, speech, 7000), snapped);
    }

    // The window, offscreen, on a book without recordings: a drag, a typed text with its tip,
    // undo and redo, a problem that selects its hotspot, and a save that reads back.
    void editorPaths()
    {
        QTemporaryDir dir;
        const QDir book(dir.path());
        QVERIFY(makeBook(book, draftMap));
        ScriptedPlayers players;
        EditorWindow window(dir.path(), setup(dir, players));
        QSignalSpy checked(&window, &EditorWindow::checked);
        window.resize(1200, 800);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.isEditable());
        QCOMPARE(window.spread(), 1);

        // Drag hotspot 1 by 20 frame points right.
        PageView *page = window.pageView();
        const QPoint from = page->toWidget(QPoint(200, 260));
        const QPoint to = page->toWidget(QPoint(220, 260));
        QTest::mousePress(page, Qt::LeftButton, {}, from);
        QCOMPARE(window.selected(), 1);
        for (int step = 1; step <= 4; ++step)
            QTest::mouseMove(page, from + (to - from) * step / 4);
        QTest::mouseRelease(page, Qt::LeftButton, {}, to);
        const QRect dragged = window.document().hotspots(1)[1].rect();
        QCOMPARE(dragged.top(), 230);
        QCOMPARE(dragged.left(), 110);
        QCOMPARE(window.undoStack().count(), 1);

        // Type a text with a line break: the tip shows it as the program will.
        window.textField()->setFocus();
        QTest::keyClick(window.textField(), Qt::Key_End);
        QTest::keyClicks(window.textField(), QStringLiteral("@"));
        QTest::sendKeyEvent(QTest::Click, window.textField(), Qt::Key_unknown, QStringLiteral("好"),
                            {});
        QCOMPARE(window.document().hotspots(1)[1].value(QStringLiteral("TEXT")),
                 QStringLiteral("很高兴@见到你。@好"));
        QCOMPARE(window.tipPreview()->text(), QStringLiteral("很高兴\n见到你。\n好"));
        QCOMPARE(window.undoStack().count(), 2);

        window.undoStack().undo();
        QCOMPARE(window.textField()->text(), QStringLiteral("很高兴@见到你。"));
        window.undoStack().undo();
        QCOMPARE(window.document().bytes(), draftMap);
        window.undoStack().redo();
        QCOMPARE(window.document().hotspots(1)[1].rect(), dragged);

        // The check lists the empty text of the contents entry; choosing it shows it.
        QVERIFY(checked.wait(20000));
        QListWidget *list = window.problemList();
        int row = -1;
        for (int i = 0; i < list->count(); ++i) {
            if (list->item(i)->text().contains(QLatin1String("P0-1) N_0")))
                row = i;
        }
        QVERIFY2(row >= 0, "no problem about the contents entry listed");
        list->setCurrentRow(row);
        QCOMPARE(window.spread(), 0);
        QCOMPARE(window.selected(), 0);

        QVERIFY(window.save());
        MapDocument saved;
        QVERIFY(saved.readFile(book.filePath(QStringLiteral("point.xml"))));
        QCOMPARE(saved.hotspots(1)[1].rect(), dragged);
        QCOMPARE(saved.hotspots(0), window.document().hotspots(0));
        QVERIFY(!window.isWindowModified());
    }

    // A map the editor cannot read is shown with the check's problems and never written.
    void unreadableMapIsLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("map");
        QTest::newRow("broken XML") << QByteArray("<Book><P2-3><NO m=\"1\"/></Book>\n");
        QTest::newRow("GBK") << QByteArray("<Book><P2-3><N_0 TEXT=\"\xC4\xE3\"/></P2-3></Book>");
    }
    void unreadableMapIsLeftAlone()
    {
        QFETCH(QByteArray, map);
        QTemporaryDir dir;
        const QDir book(dir.path());
        QVERIFY(makeBook(book, map));
        ScriptedPlayers players;
        EditorWindow window(dir.path(), setup(dir, players));
        QSignalSpy checked(&window, &EditorWindow::checked);
        QVERIFY(!window.isEditable());
        QVERIFY(!window.textField()->isEnabled());
        QVERIFY(checked.wait(20000));
        QVERIFY(window.problemList()->count() > 0);
        QVERIFY(window.problemList()->item(0)->text().startsWith(QLatin1String("point.xml")));
        QVERIFY(!window.save());
        QCOMPARE(readAll(book.filePath(QStringLiteral("point.xml"))), map);
    }

private:
    // A book of two white spreads and no recordings, with `map` as its point.xml.
    static bool makeBook(const QDir &book, const QByteArray &map)
    {
        book.mkpath(QStringLiteral("pages"));
        for (int k = 0; k < 2; ++k) {
            QImage page(910, 580, QImage::Format_RGB32);
            page.fill(Qt::white);
            if (!page.save(book.filePath(QStringLiteral("pages/%1.png").arg(k))))
                return false;
        }
        return writeAll(book.filePath(QStringLiteral("point.xml")), map) &&
               writeAll(book.filePath(QStringLiteral("book.ini")),
                        "[book]\ntitle = Test\ncontents = 1\n");
    }

    // The editor with a scripted player, without reading pages or decoding media, its own
    // places in the test's folder.
    static EditorSetup setup(const QTemporaryDir &dir, ScriptedPlayers &players)
    {
        EditorSetup setup;
        setup.players = players.factory();
        setup.check.media = false;
        setup.check.progress = nullptr;
        setup.readWords = false;
        setup.mirrorDir = dir.filePath(QStringLiteral("mirror"));
        setup.recoveryFile = dir.filePath(QStringLiteral("state/point.xml"));
        return setup;
    }
};

QTEST_MAIN(TestMapEdit)
#include "tst_mapedit.moc"

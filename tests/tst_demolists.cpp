// The page hotspot map and the word list as the program compiles them in: their byte form,
// and every fact the views and the demo book rely on, read through the program's readers.

#include "content/content.h"
#include "content/spreadmap.h"
#include "content/wordunit.h"

#include <QDomDocument>
#include <QFile>
#include <QSet>
#include <QStringDecoder>
#include <QTest>

#include <algorithm>
#include <iterator>

namespace {

struct SpreadFacts
{
    const char *tag;
    int count;
};

// The spreads of the map, in file order: the contents and unit 1, then the lessons of units
// 2 to 6, the two recycle units and the fun reading, whose map was drafted from their pages
// and recordings.
constexpr SpreadFacts spreads[] = {
    {"P0-1", 13},   {"P2-3", 13},   {"P4-5", 25},   {"P6-7", 24},   {"P8-9", 21},   {"P10-11", 21},
    {"P12-13", 17}, {"P14-15", 17}, {"P16-17", 18}, {"P18-19", 15}, {"P20-21", 14}, {"P22-23", 16},
    {"P24-25", 17}, {"P26-27", 16}, {"P28-29", 14}, {"P30-31", 14}, {"P32-33", 16}, {"P34-35", 16},
    {"P36-37", 15}, {"P38-39", 17}, {"P40-41", 16}, {"P42-43", 14}, {"P44-45", 13}, {"P46-47", 16},
    {"P48-49", 17}, {"P50-51", 15}, {"P52-53", 13}, {"P54-55", 13}, {"P56-57", 16}, {"P58-59", 17},
    {"P60-61", 17}, {"P62-63", 13}, {"P64-65", 13}, {"P66-67", 17}, {"P68-69", 15}, {"P70-71", 14}};

bool mapped(const QString &tag)
{
    return std::any_of(std::begin(spreads), std::end(spreads), [&tag](const SpreadFacts &spread) {
        return tag == QLatin1String(spread.tag);
    });
}

// The contents entries of units 1 to 6: a recycle unit lies between units 3 and 4.
constexpr int unitEntries[] = {0, 1, 2, 4, 5, 6};

// The hotspots that are not spoken, and those without a Chinese text; every other hotspot
// of a reading spread has both.
bool timesEmpty(const QString &tag, int i)
{
    return tag == u"P0-1" || (tag == u"P4-5" && i == 12);
}

bool textEmpty(const QString &tag, int i)
{
    return (tag == u"P4-5" && i == 24) || (tag == u"P6-7" && i == 2) ||
           (tag == u"P10-11" && i == 2);
}

class Recorder
{
public:
    ReadFailureReport report()
    {
        return [this](const QString &title, const QString &text) {
            messages << title + QStringLiteral(": ") + text;
        };
    }
    QStringList messages;
};

QByteArray resourceBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QDomElement documentRoot(const QString &path, QDomDocument &document)
{
    const QByteArray bytes = resourceBytes(path);
    if (!document.setContent(bytes))
        return {};
    return document.documentElement();
}

QDomElement childNamed(const QDomElement &parent, const QString &name)
{
    for (QDomElement child = parent.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (child.tagName() == name)
            return child;
    }
    return {};
}

} // namespace

class tst_DemoLists : public QObject
{
    Q_OBJECT

private slots:
    void byteForm_data();
    void byteForm();
    void spreadOrder();
    void spreadCounts_data();
    void spreadCounts();
    void hotspotNames_data();
    void hotspotNames();
    void hotspotFields_data();
    void hotspotFields();
    void namedHotspots_data();
    void namedHotspots();
    void risingTimes_data();
    void risingTimes();
    void contentsEntries();
    void lineBreak();
    void spreadWithoutElement();
    void wordFacts();
    void wordSegmentsRise();
    void otherUnits_data();
    void otherUnits();
};

void tst_DemoLists::byteForm_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QByteArray>("root");
    QTest::addColumn<QByteArray>("countElement");
    QTest::newRow("point.xml") << Content::pointMap << QByteArray("<Book>")
                               << QByteArray("<NO m =\"13\" FLASH = \"0\"/>");
    QTest::newRow("word.xml") << Content::wordList << QByteArray("<BookWrod>")
                              << QByteArray("<NO m =\"25\"/>");
}

void tst_DemoLists::byteForm()
{
    QFETCH(QString, path);
    QFETCH(QByteArray, root);
    QFETCH(QByteArray, countElement);
    const QByteArray bytes = resourceBytes(path);
    QVERIFY2(!bytes.isEmpty(), qPrintable(path));

    // UTF-8 with a byte-order mark, then the root straight away: no XML declaration.
    QVERIFY(bytes.startsWith("\xEF\xBB\xBF"));
    QVERIFY2(bytes.mid(3).startsWith(root), bytes.left(40).constData());
    QVERIFY(!bytes.contains("<?xml"));
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8(bytes);
    QVERIFY2(!utf8.hasError(), "not valid UTF-8");
    QVERIFY(!text.contains(QChar::ReplacementCharacter));

    // CRLF line ends only.
    QVERIFY(bytes.endsWith("\r\n"));
    for (qsizetype at = bytes.indexOf('\n'); at >= 0; at = bytes.indexOf('\n', at + 1))
        QVERIFY2(at > 0 && bytes[at - 1] == '\r',
                 qPrintable(QStringLiteral("bare line feed at byte %1").arg(at)));
    QVERIFY(!bytes.contains("\r\r"));

    QVERIFY2(bytes.contains(countElement), countElement.constData());
}

void tst_DemoLists::spreadOrder()
{
    QDomDocument document;
    const QDomElement root = documentRoot(Content::pointMap, document);
    QCOMPARE(root.tagName(), QStringLiteral("Book"));
    QStringList tags;
    for (QDomElement child = root.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement())
        tags << child.tagName();
    QStringList expected;
    for (const SpreadFacts &spread : spreads)
        expected << QString::fromLatin1(spread.tag);
    QCOMPARE(tags, expected);
    // By spread index, each tag as the page view forms it.
    int k = 0;
    for (const QString &tag : expected) {
        while (k <= Content::lastSpread && Content::spreadTag(k) != tag)
            ++k;
        QVERIFY2(k <= Content::lastSpread, qPrintable(tag));
    }
}

void tst_DemoLists::spreadCounts_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("count");
    for (const SpreadFacts &spread : spreads)
        QTest::newRow(spread.tag) << QString::fromLatin1(spread.tag) << spread.count;
}

void tst_DemoLists::spreadCounts()
{
    QFETCH(QString, tag);
    QFETCH(int, count);
    Recorder recorder;
    SpreadMap map(recorder.report());
    map.setTag(tag);
    QVERIFY(map.load(Content::pointMap));
    QCOMPARE(recorder.messages, QStringList());
    QCOMPARE(map.count(), count);
    QCOMPARE(map.hotspots().size(), count);
    QCOMPARE(map.flash(), 0);

    // The count element comes first and is written the one way the file knows.
    QDomDocument document;
    const QDomElement spread = childNamed(documentRoot(Content::pointMap, document), tag);
    QCOMPARE(spread.firstChildElement().tagName(), QStringLiteral("NO"));
    const QByteArray written = QStringLiteral("<%1>\r\n\t\t<NO m =\"%2\" FLASH = \"0\"/>\r\n")
                                   .arg(tag)
                                   .arg(count)
                                   .toUtf8();
    QVERIFY2(resourceBytes(Content::pointMap).contains(written), written.constData());
}

void tst_DemoLists::hotspotNames_data()
{
    spreadCounts_data();
}

void tst_DemoLists::hotspotNames()
{
    QFETCH(QString, tag);
    QFETCH(int, count);
    QDomDocument document;
    const QDomElement spread = childNamed(documentRoot(Content::pointMap, document), tag);
    QVERIFY(!spread.isNull());
    QStringList names;
    int counts = 0;
    for (QDomElement child = spread.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        if (child.tagName() == u"NO")
            ++counts;
        else
            names << child.tagName();
    }
    QCOMPARE(counts, 1);
    // N_0 ... N_<m-1>, each once, in order, and nothing else.
    QStringList expected;
    for (int i = 0; i < count; ++i)
        expected << QStringLiteral("N_%1").arg(i);
    QCOMPARE(names, expected);
}

void tst_DemoLists::hotspotFields_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("index");
    for (const SpreadFacts &spread : spreads) {
        for (int i = 0; i < spread.count; ++i)
            QTest::addRow("%s N_%d", spread.tag, i) << QString::fromLatin1(spread.tag) << i;
    }
}

// Every hotspot lies on one page of the 910 x 580 frame; it is spoken and has its Chinese
// text unless it is one of the few named exceptions.
void tst_DemoLists::hotspotFields()
{
    QFETCH(QString, tag);
    QFETCH(int, index);
    QDomDocument document;
    const QDomElement spread = childNamed(documentRoot(Content::pointMap, document), tag);
    const QDomElement element = childNamed(spread, QStringLiteral("N_%1").arg(index));
    QVERIFY(!element.isNull());

    for (const char *name : {"LEFT", "TOP", "RIGHT", "BOTTOM"}) {
        bool number = false;
        element.attribute(QString::fromLatin1(name)).toInt(&number);
        QVERIFY2(number, name);
    }
    const bool noTimes = timesEmpty(tag, index);
    QCOMPARE(element.attribute(QStringLiteral("STARTTIME"), QStringLiteral("absent")).isEmpty(),
             noTimes);
    QCOMPARE(element.attribute(QStringLiteral("ENDTIME"), QStringLiteral("absent")).isEmpty(),
             noTimes);
    QCOMPARE(element.attribute(QStringLiteral("TEXT"), QStringLiteral("absent")).isEmpty(),
             textEmpty(tag, index));

    Recorder recorder;
    SpreadMap map(recorder.report());
    map.setTag(tag);
    QVERIFY(map.load(Content::pointMap));
    const Hotspot &hotspot = map.hotspots().at(index);
    const QRect frame(QPoint(0, 0), spreadFrame);
    QVERIFY2(frame.contains(hotspot.rect), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                          .arg(hotspot.rect.x())
                                                          .arg(hotspot.rect.y())
                                                          .arg(hotspot.rect.width())
                                                          .arg(hotspot.rect.height())));
    QVERIFY(hotspot.rect.width() >= 20 && hotspot.rect.height() >= 20);
    const int fold = spreadFrame.width() / 2;
    QVERIFY2(hotspot.rect.right() < fold || hotspot.rect.left() >= fold,
             "a hotspot across the fold");
    if (!noTimes)
        QVERIFY(hotspot.startTime < hotspot.endTime);
}

void tst_DemoLists::namedHotspots_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("index");
    QTest::addColumn<QRect>("rect");    // a null rectangle: not named
    QTest::addColumn<int>("startTime"); // -1: not named
    QTest::addColumn<int>("endTime");
    QTest::addColumn<QString>("text"); // "*": not named

    const QString any = QStringLiteral("*");
    QTest::newRow("unit one") << QStringLiteral("P2-3") << 0
                              << QRect(QPoint(125, 45), QPoint(312, 82)) << 0 << 1300
                              << QStringLiteral("第一单元");
    QTest::newRow("second segment")
        << QStringLiteral("P2-3") << 1 << QRect() << 2500 << 7400 << any;
    QTest::newRow("near the library")
        << QStringLiteral("P2-3") << 2 << QRect(QPoint(219, 421), QPoint(300, 465)) << 8700 << 12100
        << QStringLiteral("它在图书馆附近.");
    QTest::newRow("P2-3 last") << QStringLiteral("P2-3") << 12 << QRect() << -1 << 54400 << any;
    QTest::newRow("not spoken") << QStringLiteral("P4-5") << 12 << QRect() << 0 << 0 << any;
    QTest::newRow("P4-5 no text") << QStringLiteral("P4-5") << 24 << QRect() << -1 << -1
                                  << QString();
    QTest::newRow("P6-7 no text") << QStringLiteral("P6-7") << 2 << QRect() << -1 << -1
                                  << QString();
    QTest::newRow("P10-11 no text")
        << QStringLiteral("P10-11") << 2 << QRect() << -1 << -1 << QString();
    for (int i = 0; i < 13; ++i)
        QTest::addRow("contents N_%d", i)
            << QStringLiteral("P0-1") << i << QRect() << 0 << 0 << any;
}

void tst_DemoLists::namedHotspots()
{
    QFETCH(QString, tag);
    QFETCH(int, index);
    QFETCH(QRect, rect);
    QFETCH(int, startTime);
    QFETCH(int, endTime);
    QFETCH(QString, text);

    Recorder recorder;
    SpreadMap map(recorder.report());
    map.setTag(tag);
    QVERIFY(map.load(Content::pointMap));
    QVERIFY(index < map.hotspots().size());
    const Hotspot &hotspot = map.hotspots()[index];
    if (!rect.isNull())
        QCOMPARE(hotspot.rect, rect);
    if (startTime >= 0)
        QCOMPARE(hotspot.startTime, startTime);
    if (endTime >= 0)
        QCOMPARE(hotspot.endTime, endTime);
    if (text != u"*")
        QCOMPARE(hotspot.text, text);
}

void tst_DemoLists::risingTimes_data()
{
    QTest::addColumn<QString>("tag");
    for (const SpreadFacts &spread : spreads) {
        if (qstrcmp(spread.tag, "P0-1") != 0)
            QTest::newRow(spread.tag) << QString::fromLatin1(spread.tag);
    }
}

// Segments follow each other through the recording: each starts after the one before ends.
void tst_DemoLists::risingTimes()
{
    QFETCH(QString, tag);
    Recorder recorder;
    SpreadMap map(recorder.report());
    map.setTag(tag);
    QVERIFY(map.load(Content::pointMap));
    int lastEnd = -1;
    int firstStart = -1;
    for (qsizetype i = 0; i < map.hotspots().size(); ++i) {
        const Hotspot &hotspot = map.hotspots()[i];
        if (timesEmpty(tag, static_cast<int>(i)))
            continue;
        if (firstStart < 0)
            firstStart = hotspot.startTime;
        QVERIFY2(hotspot.startTime > lastEnd || (lastEnd < 0 && hotspot.startTime == 0),
                 qPrintable(QStringLiteral("N_%1 starts at %2, before %3")
                                .arg(i)
                                .arg(hotspot.startTime)
                                .arg(lastEnd)));
        QVERIFY(hotspot.endTime > hotspot.startTime);
        lastEnd = hotspot.endTime;
    }
    // Unit 1's recordings start with their first segment; a drafted spread's first segment
    // starts a little before its first sound.
    QVERIFY(firstStart >= 0 && firstStart < 1000);
    if (tag == u"P2-3")
        QCOMPARE(lastEnd, 54400);
}

void tst_DemoLists::contentsEntries()
{
    Recorder recorder;
    SpreadMap map(recorder.report());
    map.setTag(QStringLiteral("P0-1"));
    QVERIFY(map.load(Content::pointMap));
    const QList<Hotspot> &entries = map.hotspots();
    QCOMPARE(entries.size(), 13);
    QVERIFY(entries[0].text.startsWith(QStringLiteral("第一单元")));
    QCOMPARE(entries[9].text, QStringLiteral("单元词汇表"));
    QSet<QString> texts;
    for (const Hotspot &entry : entries) {
        QVERIFY(!entry.text.isEmpty());
        QVERIFY(!entry.text.contains(u'\n'));
        texts.insert(entry.text);
    }
    QCOMPARE(texts.size(), 13);
    // Listed down the pages: each entry lies below the one before, or tops the next page.
    for (qsizetype i = 1; i < entries.size(); ++i)
        QVERIFY(entries[i].rect.top() > entries[i - 1].rect.bottom() ||
                entries[i].rect.left() > entries[i - 1].rect.right());
}

void tst_DemoLists::lineBreak()
{
    // A chant line of unit 1 and the longer Chinese tips of the later units break in two.
    const std::pair<const char *, int> broken[] = {
        {"P8-9", 7}, {"P14-15", 7}, {"P16-17", 17}, {"P40-41", 15}, {"P50-51", 14}};
    const QByteArray bytes = resourceBytes(Content::pointMap);
    QCOMPARE(bytes.count('@'), qsizetype(std::size(broken)));
    Recorder recorder;
    SpreadMap map(recorder.report());
    for (const auto &[tag, index] : broken) {
        map.setTag(QString::fromLatin1(tag));
        QVERIFY(map.load(Content::pointMap));
        const QString &text = map.hotspots()[index].text;
        QVERIFY2(text.count(u'\n') == 1, tag);
        QVERIFY(!text.startsWith(u'\n') && !text.endsWith(u'\n'));
    }
}

void tst_DemoLists::spreadWithoutElement()
{
    Recorder recorder;
    SpreadMap map(recorder.report());
    map.setTag(QStringLiteral("P8-9"));
    QVERIFY(map.load(Content::pointMap));
    for (int k = 6; k <= Content::lastSpread; ++k) {
        if (mapped(Content::spreadTag(k)))
            continue;
        map.setTag(Content::spreadTag(k));
        QVERIFY(map.load(Content::pointMap));
        QVERIFY(map.hotspots().isEmpty());
        QCOMPARE(map.count(), 21);
    }
    QCOMPARE(recorder.messages, QStringList());
}

void tst_DemoLists::wordFacts()
{
    Recorder recorder;
    WordUnit unit(QStringLiteral("unit1"), recorder.report());
    unit.clear();
    QVERIFY(unit.load(Content::wordList));
    QCOMPARE(recorder.messages, QStringList());
    QCOMPARE(unit.count(), 25);
    const QList<WordEntry> &words = unit.entries();
    QCOMPARE(words.size(), 25);

    QCOMPARE(words[0].english, QStringLiteral("science"));
    QCOMPARE(words[0].meaning, QStringLiteral("科学"));
    QCOMPARE(words[0].startTime, 0);
    QCOMPARE(words[0].endTime, 4000);
    QCOMPARE(words[2].english, QStringLiteral("post office"));
    QCOMPARE(words[2].meaning, QStringLiteral("邮局"));
    QCOMPARE(words[2].startTime, 11200);
    QCOMPARE(words[2].endTime, 16100);
    QCOMPARE(words[24].english, QStringLiteral("tell"));
    QCOMPARE(words[24].meaning, QStringLiteral("告诉"));
    QCOMPARE(words[24].startTime, 141000);
    QCOMPARE(words[24].endTime, 145700);

    QSet<QString> english;
    for (const WordEntry &word : words) {
        QVERIFY(!word.english.isEmpty());
        QCOMPARE(word.english.trimmed(), word.english);
        QVERIFY2(!word.meaning.isEmpty(), qPrintable(word.english));
        english.insert(word.english);
    }
    QCOMPARE(english.size(), 25);
    QVERIFY(english.contains(QStringLiteral("GPS")));
    QVERIFY(english.contains(QStringLiteral("Italian")));

    // Each name once, in order.
    QDomDocument document;
    const QDomElement unitElement =
        childNamed(documentRoot(Content::wordList, document), QStringLiteral("unit1"));
    QCOMPARE(unitElement.firstChildElement().tagName(), QStringLiteral("NO"));
    QStringList names;
    for (QDomElement child = unitElement.firstChildElement().nextSiblingElement(); !child.isNull();
         child = child.nextSiblingElement())
        names << child.tagName();
    QStringList expected;
    for (int i = 0; i < 25; ++i)
        expected << QStringLiteral("N_%1").arg(i);
    QCOMPARE(names, expected);
}

// Through all units, as they follow each other in the one word recording.
void tst_DemoLists::wordSegmentsRise()
{
    int lastEnd = -1;
    for (int k = 1; k <= Content::maxUnits; ++k) {
        Recorder recorder;
        WordUnit unit(QStringLiteral("unit%1").arg(k), recorder.report());
        QVERIFY(unit.load(Content::wordList));
        for (const WordEntry &word : unit.entries()) {
            QVERIFY2(word.startTime > lastEnd || (lastEnd < 0 && word.startTime == 0),
                     qPrintable(word.english));
            QVERIFY2(word.endTime - word.startTime >= 2000, qPrintable(word.english));
            lastEnd = word.endTime;
        }
    }
}

void tst_DemoLists::otherUnits_data()
{
    QTest::addColumn<int>("unit");
    for (int k = 2; k <= Content::maxUnits; ++k)
        QTest::addRow("unit%d", k) << k;
}

// Units 2 to 6 are lessons too: words to practise, each with its meaning, named once, the
// count element first; and every spread of the unit, up to the next contents entry, is mapped.
void tst_DemoLists::otherUnits()
{
    QFETCH(int, unit);
    Recorder recorder;
    WordUnit words(QStringLiteral("unit%1").arg(unit), recorder.report());
    words.clear();
    QVERIFY(words.load(Content::wordList));
    QCOMPARE(recorder.messages, QStringList());
    QVERIFY(words.entries().size() >= 5);
    QCOMPARE(words.count(), words.entries().size());
    QSet<QString> english;
    for (const WordEntry &word : words.entries()) {
        QVERIFY(!word.english.isEmpty());
        QCOMPARE(word.english.trimmed(), word.english);
        QVERIFY2(!word.meaning.isEmpty(), qPrintable(word.english));
        english.insert(word.english);
    }
    QCOMPARE(english.size(), words.entries().size());

    QDomDocument document;
    const QDomElement unitElement =
        childNamed(documentRoot(Content::wordList, document), QStringLiteral("unit%1").arg(unit));
    QCOMPARE(unitElement.firstChildElement().tagName(), QStringLiteral("NO"));

    const int entry = unitEntries[unit - 1];
    for (int k = Content::contentsTable[entry]; k < Content::contentsTable[entry + 1]; ++k)
        QVERIFY2(mapped(Content::spreadTag(k)), qPrintable(Content::spreadTag(k)));
}

QTEST_GUILESS_MAIN(tst_DemoLists)
#include "tst_demolists.moc"

#include "content/content.h"
#include "content/wordunit.h"

#include <QDomDocument>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A word list as the program's own is stored: UTF-8 with a byte-order mark, CRLF line ends,
// no XML declaration.
QByteArray listFile(const QString &rootBody, const QString &root = QStringLiteral("BookWrod"))
{
    QString text = QStringLiteral("<%1>\n%2\n</%1>\n").arg(root, rootBody);
    text.replace(u'\n', QStringLiteral("\r\n"));
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QString unitElement(const QString &tag, const QString &body)
{
    return QStringLiteral("<%1>\n%2\n</%1>").arg(tag, body);
}

QString item(const QString &name, const QString &english)
{
    return QStringLiteral("<%1 WORD=\"%2\" TEXT=\"%2-meaning\" STARTTIME=\"1\" ENDTIME=\"2\"/>")
        .arg(name, english);
}

QStringList englishOf(const WordUnit &unit)
{
    QStringList words;
    for (const WordEntry &entry : unit.entries())
        words << entry.english;
    return words;
}

struct Report
{
    QString title;
    QString text;
};

} // namespace

class TestWordUnit : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void readsUnit_data();
    void readsUnit();
    void readsEntryFields_data();
    void readsEntryFields();
    void reportsUnusableFile_data();
    void reportsUnusableFile();
    void emptyReportTellsNoOne();
    void loadTwiceAppends();
    void missingUnitLeavesRecordUnchanged_data();
    void missingUnitLeavesRecordUnchanged();

    void compiledInUnit1();
    void compiledInUnit2();

private:
    QString write(const QByteArray &content);
    WordUnit recordingUnit(const QString &tag = QStringLiteral("unit1"));

    std::unique_ptr<QTemporaryDir> m_dir;
    QList<Report> m_reports;
    int m_files = 0;
};

void TestWordUnit::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_reports.clear();
}

QString TestWordUnit::write(const QByteArray &content)
{
    const QString path = m_dir->filePath(QStringLiteral("word%1.xml").arg(++m_files));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        qFatal("cannot write the test word list");
    return path;
}

WordUnit TestWordUnit::recordingUnit(const QString &tag)
{
    return WordUnit(tag, [this](const QString &title, const QString &text) {
        m_reports.append({title, text});
    });
}

void TestWordUnit::readsUnit_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("words");

    const auto unit1 = [](const QString &body) {
        return listFile(unitElement(QStringLiteral("unit1"), body));
    };
    const QString a = item(QStringLiteral("N_0"), QStringLiteral("a"));
    const QString b = item(QStringLiteral("N_1"), QStringLiteral("b"));
    const QString c = item(QStringLiteral("N_2"), QStringLiteral("c"));

    QTest::newRow("in order") << unit1(u"<NO m =\"3\"/>"_s + a + b + c) << 3
                              << QStringList{u"a"_s, u"b"_s, u"c"_s};
    QTest::newRow("m 2 with N_1 before N_0")
        << unit1(u"<NO m=\"2\"/>"_s + b + a) << 2 << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("repeated name, in document order")
        << unit1(u"<NO m=\"2\"/>"_s + item(u"N_0"_s, u"a1"_s) + b + item(u"N_0"_s, u"a2"_s)) << 2
        << QStringList{u"a1"_s, u"a2"_s, u"b"_s};
    QTest::newRow("names from m on are not read")
        << unit1(u"<NO m=\"2\"/>"_s + a + b + c) << 2 << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("N_01, n_1, N_-1 and N_ are not item names")
        << unit1(u"<NO m=\"3\"/>"_s + a + item(u"N_01"_s, u"x"_s) + item(u"n_1"_s, u"y"_s) +
                 item(u"N_-1"_s, u"z"_s) + item(u"N_"_s, u"w"_s) + c)
        << 3 << QStringList{u"a"_s, u"c"_s};
    QTest::newRow("a missing name adds nothing")
        << unit1(u"<NO m=\"3\"/>"_s + a + c) << 3 << QStringList{u"a"_s, u"c"_s};
    QTest::newRow("NO after the words")
        << unit1(a + b + u"<NO m=\"1\"/>"_s) << 1 << QStringList{u"a"_s};
    QTest::newRow("only the first NO counts")
        << unit1(u"<NO m=\"1\"/><NO m=\"3\"/>"_s + a + b + c) << 1 << QStringList{u"a"_s};
    QTest::newRow("m empty") << unit1(u"<NO m=\"\"/>"_s + a) << 0 << QStringList{};
    QTest::newRow("m absent") << unit1(u"<NO/>"_s + a) << 0 << QStringList{};
    QTest::newRow("m 0") << unit1(u"<NO m=\"0\"/>"_s + a) << 0 << QStringList{};
    QTest::newRow("m negative") << unit1(u"<NO m=\"-3\"/>"_s + a) << -3 << QStringList{};
    QTest::newRow("m not a number") << unit1(u"<NO m=\"two\"/>"_s + a) << 0 << QStringList{};
    // Trying two thousand million names one by one would never finish.
    QTest::newRow("m huge") << unit1(u"<NO m=\"2000000000\"/>"_s + a + b) << 2000000000
                            << QStringList{u"a"_s, u"b"_s};
    QTest::newRow("m beyond int") << unit1(u"<NO m=\"9999999999\"/>"_s + a) << 0 << QStringList{};
    QTest::newRow("nested 256 levels deep")
        << unit1(u"<NO m=\"1\"/>"_s + a + u"<x>"_s.repeated(254) + u"</x>"_s.repeated(254)) << 1
        << QStringList{u"a"_s};

    QTest::newRow("other units are not read")
        << listFile(unitElement(u"unit2"_s, u"<NO m=\"1\"/>"_s + item(u"N_0"_s, u"other"_s)) +
                    unitElement(u"unit1"_s, u"<NO m=\"1\"/>"_s + a))
        << 1 << QStringList{u"a"_s};
    QTest::newRow("the first unit with the tag counts")
        << listFile(unitElement(u"unit1"_s, u"<NO m=\"1\"/>"_s + a) +
                    unitElement(u"unit1"_s, u"<NO m=\"1\"/>"_s + item(u"N_0"_s, u"second"_s)))
        << 1 << QStringList{u"a"_s};
}

void TestWordUnit::readsUnit()
{
    QFETCH(QByteArray, file);
    QFETCH(int, count);
    QFETCH(QStringList, words);

    WordUnit unit = recordingUnit();
    QVERIFY(unit.load(write(file)));
    QCOMPARE(unit.count(), count);
    QCOMPARE(englishOf(unit), words);
    QCOMPARE(m_reports.size(), 0);
}

void TestWordUnit::readsEntryFields_data()
{
    QTest::addColumn<QString>("attributes");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("meaning");
    QTest::addColumn<int>("startTime");
    QTest::addColumn<int>("endTime");

    QTest::newRow("all four")
        << u"WORD=\"post office\" TEXT=\"邮局\" STARTTIME=\"11200\" ENDTIME=\"16100\""_s
        << u"post office"_s << u"邮局"_s << 11200 << 16100;
    QTest::newRow("texts as they stand")
        << u"WORD=\" GPS \" TEXT=\"全球@定位\" STARTTIME=\"0\" ENDTIME=\"1\""_s << u" GPS "_s
        << u"全球@定位"_s << 0 << 1;
    QTest::newRow("WORD absent") << u"TEXT=\"科学\" STARTTIME=\"5\" ENDTIME=\"6\""_s << QString()
                                 << u"科学"_s << 5 << 6;
    QTest::newRow("TEXT absent") << u"WORD=\"science\" STARTTIME=\"5\" ENDTIME=\"6\""_s
                                 << u"science"_s << QString() << 5 << 6;
    QTest::newRow("no attributes") << QString() << QString() << QString() << 0 << 0;
    QTest::newRow("times empty") << u"WORD=\"a\" TEXT=\"b\" STARTTIME=\"\" ENDTIME=\"\""_s << u"a"_s
                                 << u"b"_s << 0 << 0;
    QTest::newRow("times not numbers")
        << u"WORD=\"a\" TEXT=\"b\" STARTTIME=\"1.5\" ENDTIME=\"12ms\""_s << u"a"_s << u"b"_s << 0
        << 0;
    QTest::newRow("times not rising")
        << u"WORD=\"a\" TEXT=\"b\" STARTTIME=\"900\" ENDTIME=\"-100\""_s << u"a"_s << u"b"_s << 900
        << -100;
}

void TestWordUnit::readsEntryFields()
{
    QFETCH(QString, attributes);
    QFETCH(QString, english);
    QFETCH(QString, meaning);
    QFETCH(int, startTime);
    QFETCH(int, endTime);

    WordUnit unit = recordingUnit();
    QVERIFY(unit.load(write(listFile(
        unitElement(u"unit1"_s, QStringLiteral("<NO m=\"1\"/><N_0 %1/>").arg(attributes))))));
    QCOMPARE(unit.entries().size(), 1);
    const WordEntry &entry = unit.entries().first();
    QCOMPARE(entry.english, english);
    QCOMPARE(entry.meaning, meaning);
    QCOMPARE(entry.startTime, startTime);
    QCOMPARE(entry.endTime, endTime);
}

void TestWordUnit::reportsUnusableFile_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text"); // empty: "err" and the parser's message

    QTest::newRow("unreadable") << false << QByteArray() << u"err"_s << u"open file err"_s;
    QTest::newRow("truncated") << true << QByteArray("<BookWrod><unit1><NO m=\"1\"/>") << u"err"_s
                               << QString();
    QTest::newRow("empty file") << true << QByteArray() << u"err"_s << QString();
    QTest::newRow("root BookWord")
        << true << listFile(QString(), u"BookWord"_s) << u"err出错原因"_s << u"open xml err"_s;
    QTest::newRow("root bookwrod")
        << true << listFile(QString(), u"bookwrod"_s) << u"err出错原因"_s << u"open xml err"_s;
    // Refused rather than read for seconds.
    QTest::newRow("larger than 16 MB") << true << listFile(QString(16 * 1024 * 1024, u' '))
                                       << u"err"_s << u"errFile is larger than 16 MB."_s;
    QTest::newRow("nested deeper than 256 levels")
        << true << listFile(u"<a>"_s.repeated(256) + u"</a>"_s.repeated(256)) << u"err"_s
        << u"errElements are nested deeper than 256 levels."_s;
}

void TestWordUnit::reportsUnusableFile()
{
    QFETCH(bool, exists);
    QFETCH(QByteArray, file);
    QFETCH(QString, title);
    QFETCH(QString, text);

    if (text.isEmpty()) {
        QDomDocument document;
        QString parserMessage;
        QVERIFY(!document.setContent(file, false, &parserMessage));
        QVERIFY(!parserMessage.isEmpty());
        text = u"err"_s + parserMessage;
    }
    const QString path = exists ? write(file) : m_dir->filePath(u"missing.xml"_s);

    WordUnit unit = recordingUnit();
    QVERIFY(!unit.load(path));
    QCOMPARE(m_reports.size(), 1);
    QCOMPARE(m_reports.first().title, title);
    QCOMPARE(m_reports.first().text, text);
    QCOMPARE(unit.entries().size(), 0);
    QCOMPARE(unit.count(), 0);
}

void TestWordUnit::emptyReportTellsNoOne()
{
    // The readers have no box of their own; without a report a failure is only returned.
    WordUnit unit(u"unit1"_s);
    QVERIFY(!unit.load(m_dir->filePath(u"missing.xml"_s)));
    QVERIFY(unit.entries().isEmpty());
}

void TestWordUnit::loadTwiceAppends()
{
    const QString path = write(listFile(unitElement(
        u"unit1"_s, u"<NO m=\"2\"/>"_s + item(u"N_0"_s, u"a"_s) + item(u"N_1"_s, u"b"_s))));
    WordUnit unit = recordingUnit();
    QVERIFY(unit.load(path));
    QVERIFY(unit.load(path));
    QCOMPARE(englishOf(unit), (QStringList{u"a"_s, u"b"_s, u"a"_s, u"b"_s}));
    QCOMPARE(unit.count(), 2);

    unit.clear();
    QVERIFY(unit.load(path));
    QCOMPARE(englishOf(unit), (QStringList{u"a"_s, u"b"_s}));
}

void TestWordUnit::missingUnitLeavesRecordUnchanged_data()
{
    QTest::addColumn<QByteArray>("second");

    QTest::newRow("no such unit") << listFile(
        unitElement(u"unit2"_s, u"<NO m=\"1\"/>"_s + item(u"N_0"_s, u"x"_s)));
    QTest::newRow("empty list") << listFile(QString());
    QTest::newRow("unit without NO") << listFile(unitElement(u"unit1"_s, item(u"N_0"_s, u"x"_s)));
    QTest::newRow("unit deeper than the root's children") << listFile(unitElement(
        u"book"_s, unitElement(u"unit1"_s, u"<NO m=\"1\"/>"_s + item(u"N_0"_s, u"x"_s))));
    QTest::newRow("tag in another case")
        << listFile(unitElement(u"Unit1"_s, u"<NO m=\"1\"/>"_s + item(u"N_0"_s, u"x"_s)));
}

void TestWordUnit::missingUnitLeavesRecordUnchanged()
{
    QFETCH(QByteArray, second);

    WordUnit unit = recordingUnit();
    QVERIFY(unit.load(write(listFile(unitElement(
        u"unit1"_s, u"<NO m=\"3\"/>"_s + item(u"N_0"_s, u"a"_s) + item(u"N_1"_s, u"b"_s))))));
    QVERIFY(unit.load(write(second)));
    QCOMPARE(englishOf(unit), (QStringList{u"a"_s, u"b"_s}));
    QCOMPARE(unit.count(), 3);
    QCOMPARE(m_reports.size(), 0);
}

// Reads the word list compiled into the program. The list itself is written on the
// resources branch; until it is merged the compiled-in file has no unit1.
void TestWordUnit::compiledInUnit1()
{
    WordUnit unit = recordingUnit();
    unit.clear();
    QVERIFY(unit.load(Content::wordList));
    QCOMPARE(m_reports.size(), 0);
    QCOMPARE(unit.count(), 25);
    QCOMPARE(unit.entries().size(), 25);

    const auto check = [&unit](int i, const QString &english, const QString &meaning, int start,
                               int end) {
        const WordEntry &entry = unit.entries().at(i);
        QCOMPARE(entry.english, english);
        QCOMPARE(entry.meaning, meaning);
        QCOMPARE(entry.startTime, start);
        QCOMPARE(entry.endTime, end);
    };
    check(0, u"science"_s, u"科学"_s, 0, 4000);
    check(2, u"post office"_s, u"邮局"_s, 11200, 16100);
    check(24, u"tell"_s, u"告诉"_s, 141000, 145700);
    QVERIFY(englishOf(unit).contains(u"GPS"_s));
    QVERIFY(englishOf(unit).contains(u"Italian"_s));
}

void TestWordUnit::compiledInUnit2()
{
    WordUnit unit = recordingUnit(u"unit2"_s);
    unit.clear();
    QVERIFY(unit.load(Content::wordList));
    QCOMPARE(m_reports.size(), 0);
    QCOMPARE(unit.count(), 8);
    QCOMPARE(unit.entries().size(), 8);
    QCOMPARE(unit.entries().at(0).english, u"bus"_s);
    QCOMPARE(unit.entries().at(0).meaning, u"公共汽车"_s);
    QVERIFY(englishOf(unit).contains(u"on foot"_s));
}

QTEST_MAIN(TestWordUnit)
#include "tst_wordunit.moc"

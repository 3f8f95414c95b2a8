#include "app/application.h"
#include "app/widget.h"
#include "book/bookface.h"
#include "modal.h"
#include "scriptedplayer.h"
#include "words/word.h"

#include <QFile>
#include <QLibraryInfo>
#include <QPushButton>
#include <QShortcut>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

#include <memory>

namespace {

enum class Source { Qt, Missing, Damaged };

// Where installQtTranslation() looks in each case; the temporary directory outlives the test.
QString translationDirectory(Source source, const QTemporaryDir &dir)
{
    switch (source) {
    case Source::Qt:
        return QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    case Source::Missing:
        return dir.filePath(QStringLiteral("missing"));
    case Source::Damaged:
        return dir.path();
    }
    return {};
}

// Each of the program's message boxes, opened the way the program opens it.
struct Box
{
    const char *name;
    QMessageBox::StandardButton answer;
    QString title;
    QString text;
    QMessageBox::Icon icon;
    QMessageBox::StandardButtons buttons;
    QStringList english;
    QStringList chinese;
};

const QList<Box> &boxes()
{
    static const QList<Box> all{
        {"quit box",
         QMessageBox::No,
         QStringLiteral("Mivora提示你:"),
         QStringLiteral("<h1>您确定要退出吗?</h1>"),
         QMessageBox::NoIcon,
         QMessageBox::Yes | QMessageBox::No,
         {QStringLiteral("&Yes"), QStringLiteral("&No")},
         {QStringLiteral("是(&Y)"), QStringLiteral("否(&N)")}},
        {"first-page notice",
         QMessageBox::Yes,
         QStringLiteral("Mivora提示您:"),
         QStringLiteral("已经是第一页了!"),
         QMessageBox::Critical,
         QMessageBox::Yes,
         {QStringLiteral("&Yes")},
         {QStringLiteral("是(&Y)")}},
        {"empty answer",
         QMessageBox::Ok,
         QStringLiteral("注意"),
         QStringLiteral("键入单词为空"),
         QMessageBox::NoIcon,
         QMessageBox::Ok,
         {QStringLiteral("OK")},
         {QStringLiteral("确定")}},
        {"map error",
         QMessageBox::Yes,
         QStringLiteral("err"),
         QStringLiteral("open file err"),
         QMessageBox::Critical,
         QMessageBox::Yes,
         {QStringLiteral("&Yes")},
         {QStringLiteral("是(&Y)")}},
    };
    return all;
}

void open(const QString &name)
{
    ScriptedPlayers players;
    if (name == u"quit box") {
        Widget window(nullptr, players.factory());
        window.close();
    } else if (name == u"first-page notice") {
        bookface view(nullptr, players.factory());
        view.setBookNowUp();
    } else if (name == u"empty answer") {
        word view(nullptr, players.factory());
        view.setnextword();
    } else {
        Content::Sources book;
        book.mapPath = QStringLiteral("/nowhere/point.xml");
        const Widget window(nullptr, players.factory(), book);
    }
}

} // namespace

class TestTranslation : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        // Not a translation at all: what a cut-short download or a full disk leaves behind.
        QFile damaged(m_dir.filePath(QStringLiteral("qtbase_zh_CN.qm")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("not a translation");
    }

    void cleanup()
    {
        const QList<QTranslator *> translators = qApp->findChildren<QTranslator *>();
        for (QTranslator *translator : translators) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }

    void dialogButtons_data()
    {
        QTest::addColumn<int>("box");
        QTest::addColumn<Source>("source");
        QTest::addColumn<bool>("chinese");

        for (qsizetype i = 0; i < boxes().size(); ++i) {
            const char *name = boxes()[i].name;
            QTest::addRow("%s, Qt's translation", name) << int(i) << Source::Qt << true;
            QTest::addRow("%s, no file", name) << int(i) << Source::Missing << false;
            QTest::addRow("%s, damaged file", name) << int(i) << Source::Damaged << false;
        }
    }

    void dialogButtons()
    {
        QFETCH(int, box);
        QFETCH(Source, source);
        QFETCH(bool, chinese);
        const Box &expected = boxes()[box];

        QCOMPARE(installQtTranslation(translationDirectory(source, m_dir)), chinese);

        SeenBox seen;
        answerMessageBox(&seen, expected.answer);
        open(QString::fromLatin1(expected.name));
        QVERIFY(seen.shown);
        QCOMPARE(seen.buttonTexts, chinese ? expected.chinese : expected.english);
        // Only the buttons' words change.
        QCOMPARE(seen.title, expected.title);
        QCOMPARE(seen.text, expected.text);
        QCOMPARE(seen.icon, expected.icon);
        QCOMPARE(seen.buttons, expected.buttons);
    }

    void shortcutsKeepTheirKeys()
    {
        // Key sequences are read from text, and Qt's translation renames the modifier keys.
        QVERIFY(installQtTranslation());
        ScriptedPlayers players;
        Widget window(nullptr, players.factory());
        const auto shortcut = [&window](const char *name) {
            return window.findChild<QPushButton *>(QString::fromLatin1(name))->shortcut();
        };
        QCOMPARE(shortcut("full"), QKeySequence(Qt::CTRL | Qt::Key_F));
        QCOMPARE(shortcut("up"), QKeySequence(Qt::Key_Left));
        QCOMPARE(shortcut("next"), QKeySequence(Qt::Key_Right));
        const auto quit = window.findChildren<QShortcut *>();
        QCOMPARE(quit.size(), 1);
        QCOMPARE(quit[0]->key(), QKeySequence(Qt::CTRL | Qt::Key_Q));
    }
};

QTEST_MAIN(TestTranslation)
#include "tst_translation.moc"

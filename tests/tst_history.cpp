#include "progress/history.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <cstring>

namespace {

// The writer the kill test starts as a child process: passes of ten words of unit 1, written
// without pause through History, one line on stdout after each answer, until it is killed.
constexpr char writerArgument[] = "--write-until-killed";
constexpr int writerWords = 10;

int writeUntilKilled(const QString &file)
{
    History history("A", file);
    for (int n = 0;; ++n) {
        const qint64 pass = history.beginPass(1, writerWords, true);
        if (pass < 0)
            return 1;
        for (int i = 0; i < writerWords; ++i) {
            history.recordAnswer(pass, i, QStringLiteral("word%1").arg(i),
                                 QStringLiteral("typed%1").arg(n), i % 3 != 0);
            std::puts("answer");
            std::fflush(stdout);
        }
        history.finishPass(pass);
    }
}

struct Reports
{
    QStringList messages;
    History::Report report()
    {
        return [this](const QString &message) { messages.append(message); };
    }
};

// Writes a pass of `typed` answers to the words `english`, right where they are equal.
void writePass(History &history, int unit, const QStringList &english, const QStringList &typed,
               bool finish = true)
{
    const qint64 pass = history.beginPass(unit, int(english.size()), true);
    for (int i = 0; i < typed.size(); ++i)
        history.recordAnswer(pass, i, english[i], typed[i], english[i] == typed[i]);
    if (finish)
        history.finishPass(pass);
}

} // namespace

// The practice history: written, read back, kept per book and unit, whole after a kill in the
// middle of a pass, and never in the way of practice when its file is damaged or held.
class TestHistory : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_run = 0;

    QString freshFile()
    {
        return m_dir.filePath(QStringLiteral("history%1/history.sqlite").arg(++m_run));
    }

private slots:
    void passesReadBack()
    {
        const QString file = freshFile();
        {
            History history("A", file);
            writePass(history, 1, {"bank", "park", "zoo"}, {"bank", "prak", "zoo"});
            writePass(history, 1, {"bank", "park", "zoo"}, {"bnak", "prak", "zoo"});
            writePass(history, 2, {"left"}, {"left"});
        }
        // Read by a later run of the program.
        History history("A", file);
        const QList<History::Pass> unit1 = history.passes(1);
        QCOMPARE(unit1.size(), 2);
        QCOMPARE(unit1[0].words, 3);
        QCOMPARE(unit1[0].answered, 3);
        QCOMPARE(unit1[0].right, 2);
        QCOMPARE(unit1[1].right, 1);
        QVERIFY(unit1[0].finished);
        QVERIFY(unit1[0].wholeUnit);
        QVERIFY(unit1[0].started <= unit1[1].started);
        QVERIFY(qAbs(unit1[0].started.secsTo(QDateTime::currentDateTime())) < 600);
        QCOMPARE(history.passes(2).size(), 1);
        QVERIFY(history.passes(3).isEmpty());

        const QList<History::WrongWord> wrong = history.mostOftenWrong(1, 10);
        QCOMPARE(wrong.size(), 2);
        QCOMPARE(wrong[0].english, QStringLiteral("park"));
        QCOMPARE(wrong[0].times, 2);
        QCOMPARE(wrong[1].english, QStringLiteral("bank"));
        QCOMPARE(wrong[1].times, 1);
        QCOMPARE(history.mostOftenWrong(1, 1).size(), 1);
        QVERIFY(history.mostOftenWrong(2, 10).isEmpty());
    }

    void passesOfChosenWordsAndUnfinishedOnes()
    {
        History history("A", freshFile());
        const qint64 chosen = history.beginPass(1, 2, false);
        history.recordAnswer(chosen, 0, QStringLiteral("park"), QStringLiteral("park"), true);
        history.recordAnswer(chosen, 1, QStringLiteral("zoo"), QStringLiteral("zo"), false);
        history.finishPass(chosen);
        writePass(history, 1, {"bank", "park", "zoo"}, {"bank"}, false);

        const QList<History::Pass> passes = history.passes(1);
        QCOMPARE(passes.size(), 2);
        QVERIFY(!passes[0].wholeUnit);
        QVERIFY(passes[0].finished);
        QVERIFY(passes[1].wholeUnit);
        QVERIFY(!passes[1].finished);
        QCOMPARE(passes[1].answered, 1);
        QCOMPARE(passes[1].words, 3);
        // A mistake of a pass left halfway is still a mistake.
        QCOMPARE(history.mostOftenWrong(1, 10).size(), 1);
    }

    void keptPerBook()
    {
        const QString file = freshFile();
        History a("A", file);
        writePass(a, 1, {"bank"}, {"bnak"});
        History b("B", file);
        QVERIFY(b.passes(1).isEmpty());
        QVERIFY(b.mostOftenWrong(1, 10).isEmpty());
        writePass(b, 1, {"zoo"}, {"zoo"});
        QCOMPARE(a.passes(1).size(), 1);
        QCOMPARE(b.passes(1).size(), 1);
    }

    void typedTextKeptAsTyped()
    {
        History history("A", freshFile());
        const QString odd = QStringLiteral("post  office' -- \u4E2D\"");
        writePass(history, 1, {"post office"}, {odd});
        QCOMPARE(history.mostOftenWrong(1, 10).value(0).english, QStringLiteral("post office"));
    }

    void schemaVersionIsWritten()
    {
        const QString file = freshFile();
        {
            History history("A", file);
            QVERIFY(history.isAvailable());
        }
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("PRAGMA user_version")) && query.next());
            QCOMPARE(query.value(0).toInt(), History::schemaVersion);
            // A later program's layout: this one must not write into it.
            QVERIFY(query.exec(
                QStringLiteral("PRAGMA user_version = %1").arg(History::schemaVersion + 1)));
        }
        QSqlDatabase::removeDatabase("check");
        Reports reports;
        History later("A", file, reports.report());
        QVERIFY(!later.isAvailable());
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY(reports.messages[0].contains(QStringLiteral("更新版本")));
    }

    void damagedFileIsReportedOnce_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("noise") << QByteArray(3000, '\x5a');
        QByteArray header("SQLite format 3\0", 16);
        QTest::newRow("a header over noise") << header + QByteArray(4080, '\xff');
    }

    void damagedFileIsReportedOnce()
    {
        QFETCH(QByteArray, content);
        const QString file = freshFile();
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QFile damaged(file);
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(content);
        damaged.close();

        Reports reports;
        History history("A", file, reports.report());
        QVERIFY(!history.isAvailable());
        QCOMPARE(history.beginPass(1, 3, true), -1);
        history.recordAnswer(-1, 0, QStringLiteral("bank"), QStringLiteral("bank"), true);
        QVERIFY(history.passes(1).isEmpty());
        QVERIFY(history.mostOftenWrong(1, 10).isEmpty());
        QCOMPARE(reports.messages.size(), 1);
        QVERIFY2(reports.messages[0].contains(QStringLiteral("坏了")),
                 qPrintable(reports.messages[0]));
        QVERIFY(reports.messages[0].contains(QDir::toNativeSeparators(file)));
        // The file is left as it was, for whoever wants to look at it.
        QVERIFY(damaged.open(QIODevice::ReadOnly));
        QCOMPARE(damaged.readAll(), content);
    }

    void lockedFileIsReportedOnce_data()
    {
        QTest::addColumn<bool>("usedBefore");
        QTest::newRow("a new file") << false;
        QTest::newRow("a file with passes") << true;
    }

    void lockedFileIsReportedOnce()
    {
        QFETCH(bool, usedBefore);
        const QString file = freshFile();
        if (usedBefore) {
            History earlier("A", file);
            writePass(earlier, 1, {"bank"}, {"bank"});
        } else {
            QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        }
        {
            // Another program holds the file with an exclusive lock while this one practises.
            QSqlDatabase other = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "other");
            other.setDatabaseName(file);
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec(QStringLiteral("BEGIN EXCLUSIVE")));
            QVERIFY(hold.exec(QStringLiteral("CREATE TABLE IF NOT EXISTS held (x)")));

            Reports reports;
            History history("A", file, reports.report());
            const qint64 pass = history.beginPass(1, 1, true);
            history.recordAnswer(pass, 0, QStringLiteral("bank"), QStringLiteral("bank"), true);
            history.finishPass(pass);
            QCOMPARE(pass, -1);
            QVERIFY(!history.isAvailable());
            QCOMPARE(reports.messages.size(), 1);
            QVERIFY2(reports.messages[0].contains(QStringLiteral("占用")),
                     qPrintable(reports.messages[0]));
            QVERIFY(hold.exec(QStringLiteral("ROLLBACK")));
        }
        QSqlDatabase::removeDatabase("other");
        // Once the other program lets go, the next run keeps history again.
        History next("A", file);
        writePass(next, 1, {"bank"}, {"bank"});
        QCOMPARE(next.passes(1).size(), usedBefore ? 2 : 1);
    }

    void unusableFolderIsReported()
    {
        const QString blocker = m_dir.filePath(QStringLiteral("blocker"));
        QFile file(blocker);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        Reports reports;
        History history("A", blocker + QStringLiteral("/history.sqlite"), reports.report());
        QCOMPARE(history.beginPass(1, 1, true), -1);
        QVERIFY(history.passes(1).isEmpty());
        QCOMPARE(reports.messages.size(), 1);
    }

    // A child process writes passes through History and is killed at a point given by how
    // many answers it has reported; the file opens afterwards with every finished pass whole,
    // at most the last one unfinished, and history goes on.
    void killedInTheMiddleOfAPass_data()
    {
        QTest::addColumn<int>("answersBeforeKill");
        for (int n : {1, 7, 23, 58, 101})
            QTest::newRow(qPrintable(QStringLiteral("after %1 answers").arg(n))) << n;
    }

    void killedInTheMiddleOfAPass()
    {
        QFETCH(int, answersBeforeKill);
        const QString file = freshFile();
        QVERIFY(QDir().mkpath(QFileInfo(file).absolutePath()));
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(),
                     {QString::fromLatin1(writerArgument), file});
        QVERIFY(writer.waitForStarted());
        int reported = 0;
        while (reported < answersBeforeKill) {
            if (!writer.canReadLine())
                QVERIFY2(writer.waitForReadyRead(10000), "the writer stopped writing");
            while (writer.canReadLine()) {
                writer.readLine();
                ++reported;
            }
        }
        writer.kill();
        QVERIFY(writer.waitForFinished());
        QCOMPARE(writer.exitStatus(), QProcess::CrashExit);

        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), "check");
            db.setDatabaseName(file);
            QVERIFY(db.open());
            QSqlQuery query(db);
            QVERIFY(query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next());
            QCOMPARE(query.value(0).toString(), QStringLiteral("ok"));
        }
        QSqlDatabase::removeDatabase("check");

        Reports reports;
        History history("A", file, reports.report());
        const QList<History::Pass> passes = history.passes(1);
        int answered = 0;
        for (qsizetype i = 0; i < passes.size(); ++i) {
            const History::Pass &pass = passes[i];
            QCOMPARE(pass.words, writerWords);
            if (pass.finished) {
                QCOMPARE(pass.answered, writerWords);
            } else {
                QCOMPARE(i, passes.size() - 1);
                QVERIFY(pass.answered <= writerWords);
            }
            answered += pass.answered;
        }
        // Every answer reported before the kill was committed before it was reported.
        QVERIFY(answered >= reported);
        writePass(history, 1, {"bank"}, {"bank"});
        QCOMPARE(history.passes(1).size(), passes.size() + 1);
        QVERIFY(reports.messages.isEmpty());
    }
};

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], writerArgument) == 0)
        return writeUntilKilled(QString::fromLocal8Bit(argv[2]));
    TestHistory test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_history.moc"

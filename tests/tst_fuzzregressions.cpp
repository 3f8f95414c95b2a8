#include "fuzz/harnesses.h"

#include <QDir>
#include <QFile>
#include <QTest>

// Every input that once crashed, hung or ran slowly, given again to its harness as the fuzzer
// gave it.
class TestFuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void replay_data()
    {
        QTest::addColumn<QString>("harness");
        QTest::addColumn<QString>("path");
        for (const char *harness : {"map", "wordlist", "bundle"}) {
            const QDir inputs(QStringLiteral(MIVORA_FUZZ_REGRESSIONS "/") +
                              QLatin1StringView(harness));
            for (const QString &name : inputs.entryList(QDir::Files, QDir::Name)) {
                QTest::addRow("%s/%s", harness, qPrintable(name))
                    << QString::fromLatin1(harness) << inputs.filePath(name);
            }
        }
    }

    void replay()
    {
        QFETCH(QString, harness);
        QFETCH(QString, path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray input = file.readAll();
        if (harness == u"map")
            fuzzMapReader(input);
        else if (harness == u"wordlist")
            fuzzWordListReader(input);
        else
            fuzzBundleCheck(input);
    }
};

QTEST_GUILESS_MAIN(TestFuzzRegressions)
#include "tst_fuzzregressions.moc"

#include "app/application.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

class TestApplication : public QObject
{
    Q_OBJECT

private slots:
    // Started from a folder someone else controls, the program does not search its "plugins"
    // folder; it searches the one beside the executable.
    void pluginFolderBesideTheProgram()
    {
        const QDir programDir(QCoreApplication::applicationDirPath());
        const bool made = !programDir.exists(QStringLiteral("plugins"));
        QVERIFY(programDir.mkpath(QStringLiteral("plugins")));
        QTemporaryDir elsewhere;
        QVERIFY(QDir(elsewhere.path()).mkdir(QStringLiteral("plugins")));
        QVERIFY(QDir::setCurrent(elsewhere.path()));

        addPluginFolder();
        const QStringList paths = QCoreApplication::libraryPaths();
        const QString beside = QDir(programDir.filePath(QStringLiteral("plugins"))).canonicalPath();
        const QString there = QDir(elsewhere.filePath(QStringLiteral("plugins"))).canonicalPath();

        QVERIFY(QDir::setCurrent(programDir.path()));
        if (made)
            QVERIFY(programDir.rmdir(QStringLiteral("plugins")));
        QVERIFY2(paths.contains(beside), qPrintable(paths.join(u", ")));
        QVERIFY2(!paths.contains(there), qPrintable(paths.join(u", ")));
    }
};

QTEST_GUILESS_MAIN(TestApplication)
#include "tst_application.moc"

#include <QDirIterator>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Runs a program to its end; its exit code, or -1 when it did not start or end in time.
int run(const QString &program, const QStringList &arguments, QString *output = nullptr)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return -1;
    if (output)
        *output = QString::fromUtf8(process.readAll());
    return process.exitCode();
}

// Every file below `root`, as paths relative to it.
QStringList filesBelow(const QString &root)
{
    QStringList files;
    QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(root).relativeFilePath(it.next());
    files.sort();
    return files;
}

// The one file of `directory` that matches `pattern`, or an empty path when there is not
// exactly one.
QString onlyFile(const QString &directory, const QString &pattern)
{
    const QFileInfoList found = QDir(directory).entryInfoList({pattern}, QDir::Files);
    return found.size() == 1 ? found.first().filePath() : QString();
}

// The value of `key` in the [Desktop Entry] group of a desktop file.
QString desktopValue(const QString &path, const QString &key)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    const QString prefix = key + u'=';
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    }
    return {};
}

} // namespace

// Installs the build into a fresh prefix, as `cmake --install build --prefix P` does, and
// checks what a family's computer gets: the program with its content, a launcher that starts
// it where it finds its pages, and the desktop's entry, metainfo and icons.
class TestInstall : public QObject
{
    Q_OBJECT

private:
    // A space and Chinese in the prefix, as a home directory may have.
    QTemporaryDir m_prefix{QDir::tempPath() + QStringLiteral("/mivora 安装-XXXXXX")};
    QTemporaryDir m_elsewhere;
    QString m_content;  // P/lib/mivora
    QString m_entry;    // the desktop entry
    QString m_metainfo; // the AppStream metainfo

    QString installed(const QString &path) const { return m_prefix.filePath(path); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_prefix.isValid());
        QVERIFY(m_elsewhere.isValid());
        QString output;
        QCOMPARE(run(QStringLiteral(MIVORA_CMAKE),
                     {QStringLiteral("--install"), QStringLiteral(MIVORA_BUILD_DIR),
                      QStringLiteral("--prefix"), m_prefix.path()},
                     &output),
                 0);
        m_content = installed(QStringLiteral("lib/mivora"));
        m_entry =
            onlyFile(installed(QStringLiteral("share/applications")), QStringLiteral("*.desktop"));
        m_metainfo =
            onlyFile(installed(QStringLiteral("share/metainfo")), QStringLiteral("*.metainfo.xml"));
        QVERIFY(!m_entry.isEmpty());
        QVERIFY(!m_metainfo.isEmpty());
    }

    void contentBesideTheProgram()
    {
        // The content directory holds what the build's output directory holds, the program
        // included, and nothing else.
        QCOMPARE(filesBelow(m_content), filesBelow(QStringLiteral(MIVORA_OUTPUT_DIR)));
        QVERIFY(QFileInfo(m_content + QStringLiteral("/mivora")).isExecutable());
        const QStringList files = filesBelow(QStringLiteral(MIVORA_OUTPUT_DIR));
        for (const QString &file : files) {
            if (file != u"mivora")
                QCOMPARE(QFileInfo(m_content + u'/' + file).size(),
                         QFileInfo(QStringLiteral(MIVORA_OUTPUT_DIR "/") + file).size());
        }
        if (!QFileInfo::exists(QStringLiteral(MIVORA_OUTPUT_DIR "/mvrpaper.dll")))
            QSKIP("The demo book was not made; only the program was installed.");
        for (const char *path : {"mvrpaper.dll", "mvrpaperfull.dll", "frequency/frequency1.dll",
                                 "frequency/frequency36.dll", "data/information2.dll"})
            QVERIFY2(QFileInfo::exists(m_content + u'/' + QLatin1String(path)), path);
    }

    void launcherStartsInTheContentDirectory_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("from PATH, in another directory") << "path";
        QTest::newRow("by a link in another directory") << "link";
        QTest::newRow("by a relative path from bin") << "relative";
    }

    void launcherStartsInTheContentDirectory()
    {
        QFETCH(QString, how);
        const QString launcher = installed(QStringLiteral("bin/mivora"));
        QVERIFY(QFileInfo(launcher).isExecutable());

        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.setWorkingDirectory(m_elsewhere.path());
        if (how == u"path") {
            environment.insert(QStringLiteral("PATH"),
                               installed(QStringLiteral("bin")) + u':' +
                                   environment.value(QStringLiteral("PATH")));
            process.setProcessEnvironment(environment);
            process.start(QStringLiteral("/bin/sh"),
                          {QStringLiteral("-c"), QStringLiteral("exec mivora")});
        } else if (how == u"link") {
            const QString link = m_elsewhere.filePath(QStringLiteral("mivora"));
            QFile::remove(link);
            QVERIFY(QFile::link(launcher, link));
            process.setProcessEnvironment(environment);
            process.start(link);
        } else {
            process.setProcessEnvironment(environment);
            process.setWorkingDirectory(installed(QStringLiteral("bin")));
            process.start(QStringLiteral("./mivora"));
        }
        QVERIFY(process.waitForStarted());

        // The launcher hands its process over to the program.
        const QString proc = QStringLiteral("/proc/%1/").arg(process.processId());
        QTRY_COMPARE(QFileInfo(proc + QStringLiteral("exe")).symLinkTarget(),
                     m_content + QStringLiteral("/mivora"));
        QCOMPARE(QFileInfo(proc + QStringLiteral("cwd")).symLinkTarget(), m_content);
        QCOMPARE(process.state(), QProcess::Running);
        process.kill();
        QVERIFY(process.waitForFinished());
    }

    void desktopFilesValidate_data()
    {
        QTest::addColumn<QString>("validator");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList{} << m_entry;
        QTest::newRow("AppStream metainfo")
            << "appstreamcli" << QStringList{QStringLiteral("validate"), QStringLiteral("--no-net")}
            << m_metainfo;
    }

    void desktopFilesValidate()
    {
        QFETCH(QString, validator);
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        if (QStandardPaths::findExecutable(validator).isEmpty())
            QFAIL(qPrintable(validator +
                             QStringLiteral(" is missing; scripts/setup.sh installs it")));
        QString output;
        const int code = run(validator, arguments << file, &output);
        if (code == 0)
            return;
        // AppStream 1.0 (Debian 13) warns of a missing homepage, which the project does not
        // have; every other warning or error still fails.
        const QStringList problems =
            output.split(u'\n').filter(QRegularExpression(QStringLiteral("^[EW]: ")));
        QVERIFY2(!problems.isEmpty() &&
                     problems.filter(QStringLiteral(":~: url-homepage-missing")) == problems,
                 qPrintable(output));
    }

    void desktopEntryFindsLauncherAndIcons()
    {
        const QString &entry = m_entry;
        QCOMPARE(desktopValue(entry, QStringLiteral("Name")), QStringLiteral("Mivora"));
        QVERIFY(
            desktopValue(entry, QStringLiteral("Name[zh_CN]")).contains(QStringLiteral("点读")));
        QCOMPARE(desktopValue(entry, QStringLiteral("Categories")),
                 QStringLiteral("Education;Languages;"));
        // The menu runs the launcher that PATH finds beside where it was installed.
        QVERIFY(QFileInfo(
                    installed(QStringLiteral("bin/") + desktopValue(entry, QStringLiteral("Exec"))))
                    .isExecutable());

        const QString icon = desktopValue(entry, QStringLiteral("Icon"));
        for (const int size : {48, 64, 128, 256}) {
            const QImage image(installed(
                QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(size).arg(icon)));
            QCOMPARE(image.size(), QSize(size, size));
            QVERIFY(image.hasAlphaChannel());
            // Round: the corners are clear, the middle is not.
            QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
            QCOMPARE(image.pixelColor(size / 2, size / 2).alpha(), 255);
        }

        // The metainfo names the entry it describes.
        QFile metainfo(m_metainfo);
        QVERIFY(metainfo.open(QIODevice::ReadOnly));
        QDomDocument document;
        QVERIFY(document.setContent(&metainfo));
        const QDomElement launchable =
            document.documentElement().firstChildElement(QStringLiteral("launchable"));
        QCOMPARE(launchable.text(), QFileInfo(entry).fileName());
        QVERIFY(!document.documentElement()
                     .firstChildElement(QStringLiteral("screenshots"))
                     .firstChildElement(QStringLiteral("screenshot"))
                     .firstChildElement(QStringLiteral("caption"))
                     .text()
                     .isEmpty());
    }

    // What Debian asks of a package beside the program: the book builder on PATH, a manual
    // page for each command, the copyright in its machine-readable form and the changelog,
    // compressed without a time stamp so that the same sources make the same package.
    void commandsAndTheirDocuments()
    {
        QVERIFY(QFileInfo(installed(QStringLiteral("bin/mvrbook"))).isExecutable());
        for (const char *page : {"share/man/man1/mivora.1.gz", "share/man/man1/mvrbook.1.gz",
                                 "share/doc/mivora/changelog.Debian.gz"}) {
            QFile file(installed(QLatin1String(page)));
            QVERIFY2(file.open(QIODevice::ReadOnly), page);
            const QByteArray header = file.read(8);
            QVERIFY2(header.startsWith("\x1f\x8b"), page);
            QVERIFY2(header.mid(4, 4) == QByteArray(4, '\0'), page); // no time stamp
        }
        QFile copyright(installed(QStringLiteral("share/doc/mivora/copyright")));
        QVERIFY(copyright.open(QIODevice::ReadOnly));
        QVERIFY(copyright.readLine().startsWith(
            "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/"));
    }
};

QTEST_GUILESS_MAIN(TestInstall)
#include "tst_install.moc"

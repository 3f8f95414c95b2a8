// mvrdemo: makes the demo book's content files (page-image bundles, spread and word audio,
// animations) from the page hotspot map, the word list and the English in book.txt.

#include "content/content.h"
#include "tools/demobook/demobook.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLibraryInfo>

int main(int argc, char *argv[])
{
    // Drawing needs a GUI application but no screen; the build runs us headless.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Build machines often run without a login session; give Qt the private runtime directory
    // it would otherwise warn about on every build.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const QString runtime =
            QDir::tempPath() + QStringLiteral("/mvrdemo-runtime-") + qEnvironmentVariable("USER");
        if (QDir().mkpath(runtime)) {
            QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        }
    }
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mvrdemo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Makes the content files of the Mivora demo book."));
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("Output (content) directory."),
                                 QStringLiteral("dir"));
    const QCommandLineOption text(QStringLiteral("text"),
                                  QStringLiteral("The English of the book (book.txt)."),
                                  QStringLiteral("file"));
    const QCommandLineOption map(QStringLiteral("map"),
                                 QStringLiteral("Page hotspot map (default: the compiled-in one)."),
                                 QStringLiteral("file"), Content::pointMap);
    const QCommandLineOption words(QStringLiteral("words"),
                                   QStringLiteral("Word list (default: the compiled-in one)."),
                                   QStringLiteral("file"), Content::wordList);
    const QCommandLineOption stamp(
        QStringLiteral("stamp"),
        QStringLiteral("File that remembers what the output was made from."),
        QStringLiteral("file"));
    const QCommandLineOption copies(
        QStringLiteral("copies"),
        QStringLiteral("Also save every page image as PNG into this directory."),
        QStringLiteral("dir"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Make everything even when up to date."));
    const QCommandLineOption espeak(QStringLiteral("espeak"), QStringLiteral("espeak-ng program."),
                                    QStringLiteral("path"), QStringLiteral("espeak-ng"));
    const QCommandLineOption sox(QStringLiteral("sox"), QStringLiteral("sox program."),
                                 QStringLiteral("path"), QStringLiteral("sox"));
    const QCommandLineOption rcc(
        QStringLiteral("rcc"), QStringLiteral("Qt resource compiler."), QStringLiteral("path"),
        QLibraryInfo::path(QLibraryInfo::LibraryExecutablesPath) + QStringLiteral("/rcc"));
    const QCommandLineOption ffmpeg(QStringLiteral("ffmpeg"), QStringLiteral("ffmpeg program."),
                                    QStringLiteral("path"), QStringLiteral("ffmpeg"));
    parser.addOptions({out, text, map, words, stamp, copies, force, espeak, sox, rcc, ffmpeg});
    parser.process(app);

    return runReportingFailure("mvrdemo", [&] {
        if (!parser.isSet(out) || !parser.isSet(text))
            throw Failure(QStringLiteral("--out and --text are required"));

        DemoBookInputs inputs;
        inputs.outputDir = QDir(parser.value(out)).absolutePath();
        inputs.text = parser.value(text);
        inputs.map = parser.value(map);
        inputs.words = parser.value(words);
        inputs.stamp = parser.value(stamp);
        inputs.copies = parser.value(copies);
        inputs.force = parser.isSet(force);
        inputs.tools.espeak = parser.value(espeak);
        inputs.tools.sox = parser.value(sox);
        inputs.tools.rcc = parser.value(rcc);
        inputs.tools.ffmpeg = parser.value(ffmpeg);
        DemoBook(inputs).make();
        return 0;
    });
}

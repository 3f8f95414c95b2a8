// mvrdemo: writes the demo book as a book folder (drawn pages, spoken recordings, animations,
// the lists and a description) from the page hotspot map, the word list and the English in
// book.txt. mvrbook makes the content files from it, as from any book.

#include "tools/common/headless.h"
#include "tools/demobook/demobook.h"
#include "tools/demobook/draftmerge.h"
#include "tools/mvrbook/bookdraft.h"
#include "tools/mvrbook/bookfolder.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QSaveFile>

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing needs a GUI application but no screen; the build runs us headless.
    prepareHeadless(QStringLiteral("mvrdemo"));
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mvrdemo"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Writes the Mivora demo book as a book folder."));
    parser.addHelpOption();
    const QCommandLineOption out(QStringLiteral("out"), QStringLiteral("The book folder to write."),
                                 QStringLiteral("dir"));
    const QCommandLineOption text(QStringLiteral("text"),
                                  QStringLiteral("The English of the book (book.txt)."),
                                  QStringLiteral("file"));
    const QCommandLineOption map(QStringLiteral("map"), QStringLiteral("Page hotspot map."),
                                 QStringLiteral("file"));
    const QCommandLineOption words(QStringLiteral("words"), QStringLiteral("Word list."),
                                   QStringLiteral("file"));
    const QCommandLineOption stamp(
        QStringLiteral("stamp"),
        QStringLiteral("File that remembers what the output was made from."),
        QStringLiteral("file"));
    const QCommandLineOption truth(
        QStringLiteral("truth"),
        QStringLiteral("Also write where each item of the laid-out spreads is drawn and heard, "
                       "for measuring the draft (JSON)."),
        QStringLiteral("file"));
    const QCommandLineOption force(QStringLiteral("force"),
                                   QStringLiteral("Make everything even when up to date."));
    const QCommandLineOption espeak(QStringLiteral("espeak"), QStringLiteral("espeak-ng program."),
                                    QStringLiteral("path"), QStringLiteral("espeak-ng"));
    const QCommandLineOption sox(QStringLiteral("sox"), QStringLiteral("sox program."),
                                 QStringLiteral("path"), QStringLiteral("sox"));
    const QCommandLineOption ffmpeg(QStringLiteral("ffmpeg"), QStringLiteral("ffmpeg program."),
                                    QStringLiteral("path"), QStringLiteral("ffmpeg"));
    const QCommandLineOption mergeDraft(
        QStringLiteral("merge-draft"),
        QStringLiteral("Instead of writing the book: take the laid-out spreads' map from this "
                       "drafted book folder (its point.xml and draft.json), corrected as "
                       "--corrections says, into --map."),
        QStringLiteral("dir"));
    const QCommandLineOption corrections(
        QStringLiteral("corrections"),
        QStringLiteral("The author's corrections of the draft (corrections.txt)."),
        QStringLiteral("file"));
    parser.addOptions(
        {out, text, map, words, stamp, truth, force, espeak, sox, ffmpeg, mergeDraft, corrections});
    parser.process(app);

    if (parser.isSet(mergeDraft))
        return runReportingFailure("mvrdemo", [&] {
            if (!parser.isSet(map) || !parser.isSet(corrections))
                throw Failure(QStringLiteral("--merge-draft needs --map and --corrections"));
            const QDir drafted(parser.value(mergeDraft));
            const QByteArray merged = ::mergeDraft(
                readBytes(parser.value(map)), readBytes(drafted.filePath(BookFolder::mapFile)),
                readBytes(drafted.filePath(DraftFiles::sidecarFile)),
                Corrections::read(parser.value(corrections)), parser.value(corrections));
            QSaveFile file(parser.value(map));
            if (!file.open(QIODevice::WriteOnly) || file.write(merged) < 0 || !file.commit())
                throw Failure(QStringLiteral("cannot write %1").arg(parser.value(map)));
            return 0;
        });

    return runReportingFailure("mvrdemo", [&] {
        if (!parser.isSet(out) || !parser.isSet(text) || !parser.isSet(map) || !parser.isSet(words))
            throw Failure(QStringLiteral("--out, --text, --map and --words are required"));

        DemoBookInputs inputs;
        inputs.outputDir = QDir(parser.value(out)).absolutePath();
        inputs.text = parser.value(text);
        inputs.map = parser.value(map);
        inputs.words = parser.value(words);
        inputs.stamp = parser.value(stamp);
        inputs.truth = parser.value(truth);
        inputs.force = parser.isSet(force);
        inputs.tools.espeak = parser.value(espeak);
        inputs.tools.sox = parser.value(sox);
        inputs.tools.ffmpeg = parser.value(ffmpeg);
        DemoBook(inputs).make();
        return 0;
    });
}

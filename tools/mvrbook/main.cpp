// mvrbook: checks a book folder, makes the program's content files from it, draws a spread
// with its hotspots for the author to look at, drafts the hotspot map from the page images and
// recordings, and opens the map in an editor. docs/book-format.md describes the folder.

#include "content/content.h"
#include "tools/common/headless.h"
#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/bookdraft.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/bookmaker.h"
#include "tools/mvrbook/compiledbook.h"
#include "tools/mvrbook/edit/editorwindow.h"
#include "tools/mvrbook/edit/mapcheck.h"
#include "tools/mvrbook/preview.h"

#include "media/audioplayer.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMutex>
#include <QStandardPaths>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace {

enum Exit { Clean = 0, Faulty = 1, Usage = 2 };

void print(std::FILE *out, const QString &text)
{
    std::fprintf(out, "%s\n", qPrintable(text));
}

int usage(const QCommandLineParser &parser, const QString &why)
{
    print(stderr, QStringLiteral("mvrbook: %1\n").arg(why));
    print(stderr, parser.helpText());
    return Usage;
}

QString counts(const Problems &problems)
{
    return QStringLiteral("%1 error(s), %2 warning(s)")
        .arg(problems.errors())
        .arg(problems.warnings());
}

// Prints the problems, errors first, and a count of each.
void report(const Problems &problems)
{
    for (const Problem &problem : problems.sorted(BookFolder::fileOrder()))
        print(stdout, problem.toString());
    print(stdout, counts(problems));
}

// Make's records for a content directory, in the user's cache: the directory itself holds only
// what the program reads, so that it can be copied or installed as it is.
QString defaultStateDir(const QString &outDir)
{
    const QByteArray name = QCryptographicHash::hash(outDir.toUtf8(), QCryptographicHash::Sha1);
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation) +
           QStringLiteral("/make/") + QString::fromLatin1(name.toHex().left(16));
}

// The one check of a book, whether it is asked for or comes before making: a book that
// check finds wrong is not made, and both count the same warnings. What decoding the media
// taught is kept in the user's cache, so the second of the two decodes nothing again.
CheckResult checkWhole(const QString &folder, CheckOptions options)
{
    options.cacheDir = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return checkBook(folder, options);
}

int check(const QString &folder, const CheckOptions &options)
{
    const CheckResult result = checkWhole(folder, options);
    report(result.problems);
    return result.problems.errors() ? Faulty : Clean;
}

int make(const QString &folder, const CheckOptions &checking, MakeOptions options,
         const QString &constants)
{
    const CheckResult checked = checkWhole(folder, checking);
    if (checked.problems.errors()) {
        report(checked.problems);
        print(stderr, QStringLiteral("mvrbook: nothing made; mend the errors first"));
        return Faulty;
    }
    if (checked.problems.warnings())
        print(stderr, QStringLiteral("mvrbook: %1 about %2; mvrbook check lists them")
                          .arg(counts(checked.problems), folder));
    if (options.programs.ffmpeg.isEmpty() || options.programs.rcc.isEmpty()) {
        print(stderr, QStringLiteral("mvrbook: needs ffmpeg (Debian package ffmpeg) and Qt's rcc "
                                     "(qt6-base-dev-tools)"));
        return Faulty;
    }
    if (!constants.isEmpty() && !writeCompiledBook(checked.plan, constants)) {
        print(stderr, QStringLiteral("mvrbook: cannot write %1").arg(constants));
        return Faulty;
    }
    const MakeResult made = makeBook(folder, checked.plan, options);
    for (const QString &failure : made.failures)
        print(stderr, QStringLiteral("mvrbook: cannot make %1").arg(failure));
    print(stdout, QStringLiteral("%1: made %2 file(s), %3 up to date, in %4")
                      .arg(checked.plan.title.isEmpty() ? folder : checked.plan.title)
                      .arg(made.made)
                      .arg(made.upToDate)
                      .arg(QDir(options.outDir).absolutePath()));
    return made.failures.isEmpty() ? Clean : Faulty;
}

int preview(const QString &folder, int spread, const QString &outFile)
{
    QString failure;
    SpreadMap map([&failure](const QString &, const QString &text) { failure = text; });
    map.setTag(Content::spreadTag(spread));
    const QDir root(folder);
    if (!map.load(root.filePath(BookFolder::mapFile))) {
        print(stderr, QStringLiteral("mvrbook: %1 cannot be read (%2); mvrbook check says why")
                          .arg(BookFolder::mapFile, failure));
        return Faulty;
    }
    Problems unused;
    const BookFolder book(folder, unused);
    QImage page;
    if (const auto it = book.pages().find(spread); it != book.pages().end()) {
        QImageReader reader(book.path(it->second));
        reader.setAutoTransform(true);
        page = reader.read();
    }
    if (page.isNull())
        print(stderr, QStringLiteral("mvrbook: spread %1 has no readable page image; the "
                                     "hotspots are drawn on white")
                          .arg(spread));
    const QString path = outFile.isEmpty() ? QStringLiteral("preview-%1.png").arg(spread) : outFile;
    if (!previewSpread(page, map.hotspots()).save(path)) {
        print(stderr, QStringLiteral("mvrbook: cannot write %1").arg(path));
        return Faulty;
    }
    print(stdout, QStringLiteral("%1: %2 hotspot(s) of spread %3 (%4)")
                      .arg(path)
                      .arg(map.hotspots().size())
                      .arg(spread)
                      .arg(Content::spreadTag(spread)));
    return Clean;
}

int draft(const QString &folder, const DraftOptions &options)
{
    if (options.programs.ffmpeg.isEmpty() || options.programs.espeak.isEmpty()) {
        print(stderr, QStringLiteral("mvrbook: needs ffmpeg and espeak-ng (Debian packages ffmpeg "
                                     "and espeak-ng)"));
        return Faulty;
    }
    QMutex printing;
    const BookDraft drafted =
        draftBook(folder, options, [&printing](int k, const SpreadDraft &spread) {
            int heard = 0;
            for (const DraftHotspot &hotspot : spread.hotspots)
                heard += hotspot.startTime >= 0 ? 1 : 0;
            const QMutexLocker lock(&printing);
            print(stdout, QStringLiteral("spread %1 (%2): %3 hotspot(s), %4 with times, %5 s")
                              .arg(k)
                              .arg(Content::spreadTag(k))
                              .arg(spread.hotspots.size())
                              .arg(heard)
                              .arg(spread.elapsedMs / 1000.0, 0, 'f', 1));
            for (const QString &problem : spread.problems)
                print(stdout, QStringLiteral("  spread %1: %2").arg(k).arg(problem));
        });
    if (!drafted.failure.isEmpty()) {
        print(stderr, QStringLiteral("mvrbook: %1").arg(drafted.failure));
        return Faulty;
    }

    // The least sure first: that is where the author looks first.
    struct Entry
    {
        double confidence;
        QString line;
    };
    QList<Entry> entries;
    int problems = 0;
    for (const auto &[k, spread] : drafted.spreads) {
        problems += int(spread.problems.size());
        for (qsizetype i = 0; i < spread.hotspots.size(); ++i) {
            const DraftHotspot &hotspot = spread.hotspots[i];
            entries.append({hotspot.confidence, QStringLiteral("%1  %2 N_%3  %4")
                                                    .arg(hotspot.confidence, 4, 'f', 2)
                                                    .arg(Content::spreadTag(k))
                                                    .arg(i)
                                                    .arg(hotspot.english)});
        }
    }
    std::stable_sort(entries.begin(), entries.end(),
                     [](const Entry &a, const Entry &b) { return a.confidence < b.confidence; });
    print(stdout, QStringLiteral("confidence, lowest first:"));
    for (const Entry &entry : entries)
        print(stdout, QStringLiteral("  ") + entry.line);
    print(stdout, QStringLiteral("%1 hotspot(s) drafted into %2 (confidences in %3); %4 "
                                 "problem(s) above. Write the Chinese TEXTs, then run mvrbook "
                                 "check.")
                      .arg(entries.size())
                      .arg(QDir(folder).filePath(BookFolder::mapFile),
                           QDir(folder).filePath(DraftFiles::sidecarFile))
                      .arg(problems));
    return Clean;
}

// The editor keeps the book mirrored for checking among the caches, and the edits not yet
// saved among the user's state (XDG_STATE_HOME): they are the author's work, which a cache
// cleaner must not take, and they stay out of the book folder, where the check would count
// them as files nothing uses and a copy of the folder would carry them along.
int edit(const QString &folder, const CheckOptions &checking)
{
    if (!QFileInfo(folder).isDir()) {
        print(stderr, QStringLiteral("mvrbook: %1: no such folder").arg(folder));
        return Faulty;
    }
    EditorSetup setup;
    setup.players = AudioPlayer::factory();
    setup.check = checking;
    setup.check.progress = nullptr;
    setup.check.jobs = 1; // the editor's own reading of pages and recordings uses the other
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    setup.check.cacheDir = cache;
    setup.mirrorDir = editorPlace(cache, folder) + QStringLiteral("/book");
    const QString state =
        qEnvironmentVariable("XDG_STATE_HOME", QDir::homePath() + QStringLiteral("/.local/state"));
    setup.recoveryFile =
        editorPlace(state + QStringLiteral("/mvrbook"), folder) + QStringLiteral("/point.xml");
    EditorWindow window(folder, setup);
    window.resize(1280, 860);
    window.show();
    return QApplication::exec();
}

} // namespace

int main(int argc, char *argv[])
{
    // Drawing text needs a GUI application, but never a screen; only the editor shows one.
    const bool editing = argc > 1 && qstrcmp(argv[1], "edit") == 0;
    if (!editing)
        prepareHeadless(QStringLiteral("mvrbook"));
    std::unique_ptr<QGuiApplication> app;
    if (editing)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QGuiApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("mvrbook"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Checks a book folder, makes Mivora's content files from it, draws a spread with its "
        "hotspots, drafts its hotspot map from the page images and recordings, or edits "
        "the map.\n\n"
        "  mvrbook check FOLDER\n"
        "  mvrbook make FOLDER --out DIR\n"
        "  mvrbook preview FOLDER --spread K [--out FILE]\n"
        "  mvrbook draft FOLDER [--force]\n"
        "  mvrbook edit FOLDER"));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("command"),
                                 QStringLiteral("check, make, preview, draft or edit"));
    parser.addPositionalArgument(QStringLiteral("folder"), QStringLiteral("the book folder"));
    const QCommandLineOption out(QStringLiteral("out"),
                                 QStringLiteral("make: the content directory; preview: the PNG "
                                                "file (default preview-K.png)"),
                                 QStringLiteral("path"));
    const QCommandLineOption spread(QStringLiteral("spread"),
                                    QStringLiteral("preview: the spread to draw, 0 for the "
                                                   "contents"),
                                    QStringLiteral("k"));
    const QCommandLineOption jobs(
        QStringLiteral("jobs"),
        QStringLiteral("How many files (draft: spreads) to work on at once."), QStringLiteral("n"),
        QString::number(QThread::idealThreadCount()));
    const QCommandLineOption force(
        QStringLiteral("force"),
        QStringLiteral("make: make every file, even those up to date; draft: "
                       "replace point.xml, keeping it as "
                       "point.xml.bak."));
    const QCommandLineOption ffmpeg(QStringLiteral("ffmpeg"), QStringLiteral("ffmpeg program."),
                                    QStringLiteral("path"));
    const QCommandLineOption rcc(QStringLiteral("rcc"), QStringLiteral("Qt's resource compiler."),
                                 QStringLiteral("path"));
    const QCommandLineOption constants(
        QStringLiteral("constants"),
        QStringLiteral("make: also write the C++ source that builds the book's last spread and "
                       "contents table into the program (the build does this)."),
        QStringLiteral("file"));
    const QCommandLineOption state(
        QStringLiteral("state"),
        QStringLiteral("make: where to keep what was made from what (default: in the user's "
                       "cache, by content directory)."),
        QStringLiteral("dir"));
    parser.addOptions({out, spread, jobs, force, ffmpeg, rcc, constants, state});
    parser.process(*app);

    const QStringList arguments = parser.positionalArguments();
    if (arguments.size() != 2)
        return usage(parser, QStringLiteral("give a command and a book folder"));
    const QString &command = arguments[0];
    const QString &folder = arguments[1];

    bool jobsGiven = false;
    const int jobCount = parser.value(jobs).toInt(&jobsGiven);
    if (!jobsGiven || jobCount < 1)
        return usage(parser, QStringLiteral("--jobs takes a number from 1"));
    CheckOptions checking;
    checking.programs = Programs::find(parser.value(ffmpeg), parser.value(rcc));
    checking.jobs = jobCount;

    if (command == u"check")
        return check(folder, checking);
    if (command == u"make") {
        if (!parser.isSet(out))
            return usage(parser, QStringLiteral("make needs --out DIR"));
        MakeOptions making;
        making.outDir = QDir(parser.value(out)).absolutePath();
        making.stateDir = parser.isSet(state) ? QDir(parser.value(state)).absolutePath()
                                              : defaultStateDir(making.outDir);
        making.programs = checking.programs;
        making.jobs = jobCount;
        making.force = parser.isSet(force);
        return make(folder, checking, making, parser.value(constants));
    }
    if (command == u"preview") {
        bool given = false;
        const int k = parser.value(spread).toInt(&given);
        if (!given || k < 0)
            return usage(parser, QStringLiteral("preview needs --spread K, K from 0"));
        return preview(folder, k, parser.value(out));
    }
    if (command == u"draft") {
        DraftOptions drafting;
        drafting.programs = {checking.programs.ffmpeg, findProgram(QStringLiteral("espeak-ng"))};
        drafting.jobs = jobCount;
        drafting.force = parser.isSet(force);
        return draft(folder, drafting);
    }
    if (command == u"edit")
        return edit(folder, checking);
    return usage(parser, QStringLiteral("no command \"%1\"").arg(command));
}

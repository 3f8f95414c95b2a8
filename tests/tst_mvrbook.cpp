// The book builder on a second, small book made here: the book checks clean; a copy broken in
// one way at a time gets the message for that fault, naming its file and line; the content
// files made from it are painted and played by the page view, which keeps to that book's last
// spread and contents table; a second make redoes only what changed.

#include "book/bookface.h"
#include "content/content.h"
#include "media/movieplayer.h"
#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/bookfolder.h"
#include "tools/mvrbook/bookmaker.h"
#include "tools/mvrbook/compiledbook.h"
#include "tools/mvrbook/loudness.h"
#include "tools/mvrbook/preview.h"

#include "modal.h"
#include "scriptedplayer.h"
#include "smallbook.h"

#include <QCryptographicHash>
#include <QDirIterator>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QResource>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

namespace {

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

// Every file of a folder with its bytes, to tell whether anything in it changed.
QByteArray digestOf(const QString &folder)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    QStringList files;
    while (it.hasNext())
        files << it.next();
    files.sort();
    for (const QString &file : files) {
        hash.addData(file.toUtf8());
        hash.addData(readAll(file));
    }
    return hash.result();
}

bool copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + u'/' + QDir(from).relativeFilePath(file);
        if (!QDir().mkpath(QFileInfo(target).path()) || !QFile::copy(file, target))
            return false;
    }
    return true;
}

// Rewrites the line of `file` that holds `marker`.
void editLine(const QString &folder, const QString &file, const QString &marker,
              const std::function<QString(QString)> &edit)
{
    const QString path = folder + u'/' + file;
    QStringList lines = QString::fromUtf8(readAll(path)).split(u'\n');
    for (QString &line : lines) {
        if (line.contains(marker))
            line = edit(line);
    }
    writeAll(path, lines.join(u'\n').toUtf8());
}

// Replaces the first `from` in `file`.
void replaceIn(const QString &folder, const QString &file, const QString &from, const QString &to)
{
    const QString path = folder + u'/' + file;
    QString text = QString::fromUtf8(readAll(path));
    const qsizetype at = text.indexOf(from);
    if (at >= 0)
        text.replace(at, from.size(), to);
    writeAll(path, text.toUtf8());
}

QString withAttribute(QString line, const QString &name, const QString &value)
{
    return line.replace(QRegularExpression(QStringLiteral("\\b%1=\"[^\"]*\"").arg(name)),
                        QStringLiteral("%1=\"%2\"").arg(name, value));
}

// The 1-based line of the last occurrence of `marker`, 0 when there is none.
int lineOf(const QByteArray &text, const QString &marker)
{
    const qsizetype at = QString::fromUtf8(text).lastIndexOf(marker);
    return at < 0 ? 0 : int(QString::fromUtf8(text).left(at).count(u'\n')) + 1;
}

QString listed(const QList<Problem> &problems)
{
    QStringList lines;
    for (const Problem &problem : problems)
        lines << problem.toString();
    return lines.join(u'\n');
}

// The samples of a PCM WAV file as the book builder writes it, with its format.
struct Wave
{
    int format = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
    QByteArray data;
};

std::optional<Wave> readWave(const QString &path)
{
    const QByteArray bytes = readAll(path);
    if (!bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE")
        return std::nullopt;
    const auto le = [&](qsizetype at, int size) {
        quint32 value = 0;
        for (int n = size - 1; n >= 0; --n)
            value = value << 8 | quint8(bytes[at + n]);
        return value;
    };
    Wave wave;
    for (qsizetype at = 12; at + 8 <= bytes.size();) {
        const QByteArray id = bytes.mid(at, 4);
        const qsizetype size = le(at + 4, 4);
        if (id == "fmt ") {
            wave.format = int(le(at + 8, 2));
            wave.channels = int(le(at + 10, 2));
            wave.rate = int(le(at + 12, 4));
            wave.bits = int(le(at + 22, 2));
        } else if (id == "data") {
            wave.data = bytes.mid(at + 8, size);
        }
        at += 8 + size + (size & 1);
    }
    return wave;
}

bool near(const QColor &a, const QColor &b)
{
    return qAbs(a.red() - b.red()) < 40 && qAbs(a.green() - b.green()) < 40 &&
           qAbs(a.blue() - b.blue()) < 40;
}

} // namespace

class TestMvrbook : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    std::unique_ptr<SmallBook> m_book;
    QString m_out;
    int m_copies = 0;

    static CheckResult check(const QString &folder)
    {
        CheckOptions options;
        options.programs = Programs::find();
        options.jobs = 2;
        options.progress = nullptr;
        return checkBook(folder, options);
    }
    MakeResult make(const QString &folder, const QString &out)
    {
        const CheckResult checked = check(folder);
        MakeOptions options;
        options.outDir = out;
        options.stateDir = out + QStringLiteral(".state");
        options.programs = Programs::find();
        options.jobs = 2;
        options.progress = nullptr;
        return makeBook(folder, checked.plan, options);
    }
    QString copyOfBook()
    {
        const QString copy = m_dir.filePath(QStringLiteral("copy%1").arg(++m_copies));
        return copyTree(m_book->folder, copy) ? copy : QString();
    }
    const SmallBook::Item &item(int k, int i) const { return m_book->spreads[k][i]; }
    Content::Sources sources() const { return m_book->sources(m_out); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_book = std::make_unique<SmallBook>(m_dir.filePath(QStringLiteral("book")));
        QVERIFY2(m_book->ok(), qPrintable(m_book->error));
        // The recordings are what the builder must make exact: variable bit rate, which an
        // MP3 announces in its Xing header.
        QVERIFY(readAll(m_book->path(QStringLiteral("audio/1.mp3"))).contains("Xing"));
        m_out = m_dir.filePath(QStringLiteral("out"));
    }

    void theSmallBookChecksClean()
    {
        const CheckResult result = check(m_book->folder);
        const QList<Problem> problems = result.problems.sorted(BookFolder::fileOrder());
        QVERIFY2(result.problems.errors() == 0, qPrintable(listed(problems)));
        // The scans' shape and size are the things to point out: they will be stretched, and
        // at 1200 x 900 they are too small for full screen on a screen at 200 %.
        int stretched = 0;
        int small = 0;
        for (const Problem &problem : problems) {
            stretched += problem.message.contains(QStringLiteral("stretched"));
            small += problem.message.contains(QStringLiteral("1200 x 900 is too small for 2x"));
        }
        QCOMPARE(stretched, 3);
        QCOMPARE(small, 3);
        QCOMPARE(result.problems.warnings(), 6);
        QCOMPARE(result.plan.lastSpread, SmallBook::lastSpread);
        QCOMPARE(result.plan.contents, SmallBook::contents);
        QCOMPARE(result.plan.title, QStringLiteral("My Second Book"));
        QCOMPARE(result.plan.audio.at(1), QStringLiteral("audio/1.mp3"));
        QCOMPARE(result.plan.audio.at(Content::wordAudioSpread), QStringLiteral("audio/words.mp3"));
    }

    // What a program built for the book is given: its last spread and its contents table.
    void theProgramBuiltForTheBookGetsItsConstants()
    {
        const CheckResult result = check(m_book->folder);
        const QString source = QString::fromUtf8(compiledBookSource(result.plan));
        QVERIFY(source.contains(QStringLiteral("Content::Sources compiledBook()")));
        QVERIFY(source.contains(QStringLiteral("book.lastSpread = 2;")));
        QVERIFY(source.contains(QStringLiteral("book.contentsTargets = {2, 1, -1};")));
        QVERIFY(
            source.contains(QStringLiteral("book.title = QStringLiteral(\"My Second Book\");")));
        QVERIFY(source.contains(QStringLiteral("book.unitCount = 1;")));
        // A title is written as C++ that says it exactly.
        BookPlan quoted = result.plan;
        quoted.title = QStringLiteral("Tom's \"Big\" Book \\ 50%2 英语");
        QVERIFY(QString::fromUtf8(compiledBookSource(quoted))
                    .contains(QStringLiteral("book.title = QStringLiteral(\"Tom's \\\"Big\\\" "
                                             "Book \\\\ 50%2 英语\");")));

        // Written again unchanged, the file is left alone, so the program is not rebuilt.
        const QString path = m_dir.filePath(QStringLiteral("compiledbook.cpp"));
        QVERIFY(writeCompiledBook(result.plan, path));
        const QDateTime earlier = QDateTime::currentDateTime().addSecs(-60);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(earlier, QFileDevice::FileModificationTime));
        }
        QVERIFY(writeCompiledBook(result.plan, path));
        QCOMPARE(QFileInfo(path).lastModified(), earlier);
    }

    void aBrokenCopyGivesItsMessage_data()
    {
        QTest::addColumn<int>("row");
        for (int row = 0; row < int(breakages().size()); ++row)
            QTest::newRow(breakages()[row].name) << row;
    }

    void aBrokenCopyGivesItsMessage()
    {
        QFETCH(int, row);
        const Breakage &breakage = breakages()[row];
        const QString folder = copyOfBook();
        QVERIFY(!folder.isEmpty());
        const QByteArray before = readAll(folder + u'/' + breakage.file);
        const QByteArray digest = digestOf(folder);
        breakage.apply(this, folder);
        const QByteArray after = readAll(folder + u'/' + breakage.file);
        QVERIFY2(digestOf(folder) != digest, "the breakage changed nothing");
        // A marker the breakage removed is looked up where it was.
        int line = 0;
        if (!breakage.lineOf.isEmpty()) {
            line = lineOf(after, breakage.lineOf);
            if (!line)
                line = lineOf(before, breakage.lineOf);
            QVERIFY(line > 0);
        }

        const CheckResult result = check(folder);
        const QList<Problem> problems = result.problems.sorted(BookFolder::fileOrder());
        const bool found = std::any_of(problems.begin(), problems.end(), [&](const Problem &p) {
            return p.file == breakage.file && p.line == line && p.message.contains(breakage.says) &&
                   (p.severity == Problem::Severity::Error) == breakage.isError;
        });
        QVERIFY2(found, qPrintable(QStringLiteral("expected %1:%2 \"%3\", got:\n%4")
                                       .arg(breakage.file)
                                       .arg(line)
                                       .arg(breakage.says, listed(problems))));
        QCOMPARE(result.problems.errors() > 0, breakage.isError);
    }

    void makeGivesTheContentFiles()
    {
        const MakeResult made = make(m_book->folder, m_out);
        QVERIFY2(made.failures.isEmpty(), qPrintable(made.failures.join(u'\n')));
        const QStringList files{Content::windowBundle,
                                Content::fullScreenBundle,
                                Content::windowBundle2x,
                                Content::fullScreenBundle2x,
                                QStringLiteral("frequency/frequency1.dll"),
                                QStringLiteral("frequency/frequency2.dll"),
                                QStringLiteral("frequency/frequency36.dll")};
        for (const QString &file : files)
            QVERIFY2(QFileInfo(m_out + u'/' + file).size() > 0, qPrintable(file));
        QCOMPARE(made.made, files.size());
        QVERIFY(!QFileInfo::exists(m_out + QStringLiteral("/frequency/frequency0.dll")));
    }

    // Both page sizes, each at 1x and at 2x, the scans too small for 2x scaled up all the same.
    void theBundlesHoldEverySpreadAtBothSizes()
    {
        for (const auto &[bundle, size] : Content::pageBundles()) {
            QVERIFY(QResource::registerResource(m_out + u'/' + bundle));
            for (int k = 0; k <= SmallBook::lastSpread; ++k) {
                const QImage page(Content::pageImage(k));
                QCOMPARE(page.size(), size);
                // Stretched, not cropped: each half of the scan fills half the page.
                QVERIFY(near(page.pixelColor(size.width() / 4, size.height() / 2),
                             SmallBook::leftColour(k)));
                QVERIFY(near(page.pixelColor(size.width() * 3 / 4, size.height() / 2),
                             SmallBook::rightColour(k)));
            }
            QVERIFY(QImage(Content::pageImage(SmallBook::lastSpread + 1)).isNull());
            QVERIFY(QResource::unregisterResource(m_out + u'/' + bundle));
        }
    }

    void thePageViewPaintsTheBookAndKeepsToItsLastSpread()
    {
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_out)); // the bundles are found from the working directory
        ScriptedPlayers players;
        bookface view(nullptr, players.factory(), sources());
        view.resize(910, 580);
        const auto colourAt = [&view](double x) {
            const QImage image = view.grab().toImage();
            return image.pixelColor(int(image.width() * x), image.height() / 2);
        };
        QVERIFY(near(colourAt(0.25), SmallBook::leftColour(1)));
        QVERIFY(near(colourAt(0.75), SmallBook::rightColour(1)));
        view.setBookNowNext();
        QCOMPARE(view.currentSpread(), 2);
        QCOMPARE(players.made[1]->source, m_out + QStringLiteral("/frequency/frequency2.dll"));
        QVERIFY(near(colourAt(0.25), SmallBook::leftColour(2)));
        view.setBookNowNext();
        QCOMPARE(view.currentSpread(), SmallBook::lastSpread);
        view.resize(1139, 726);
        QVERIFY(near(colourAt(0.75), SmallBook::rightColour(2)));
        QVERIFY(QDir::setCurrent(previous));
    }

    void thePageViewOpensTheBooksContentsTargets_data()
    {
        QTest::addColumn<int>("entry");
        QTest::addColumn<int>("spread");
        QTest::newRow("entry 0 opens spread 2") << 0 << 2;
        QTest::newRow("entry 1 opens spread 1") << 1 << 1;
        QTest::newRow("entry 2 opens nothing") << 2 << 0;
    }

    void thePageViewOpensTheBooksContentsTargets()
    {
        QFETCH(int, entry);
        QFETCH(int, spread);
        ScriptedPlayers players;
        bookface view(nullptr, players.factory(), sources());
        view.resize(910, 580);
        view.setDirectory();
        const QPoint centre = item(0, entry).rect.center();
        view.trackPointer(centre.x(), centre.y());
        QTest::mouseClick(&view, Qt::LeftButton, {}, centre);
        QCOMPARE(view.currentSpread(), spread);
    }

    void theJumpDialogOffersOnlyTheBooksPages()
    {
        ScriptedPlayers players;
        bookface view(nullptr, players.factory(), sources());
        for (const auto &[typed, spread] : {std::pair{"6", 1}, std::pair{"5", 2}}) {
            whenModalShows([typed = QString::fromLatin1(typed)](QWidget *dialog) {
                QTest::keyClicks(dialog->findChild<QLineEdit *>(), typed);
                dialog->findChild<QPushButton *>()->click();
            });
            view.jumpPag();
            QCOMPARE(view.currentSpread(), spread);
        }
    }

    void theAudioIsPcmWithEachSegmentWhereTheListsSayIt()
    {
        const QList<std::pair<int, QList<SmallBook::Item>>> recordings{
            {1, m_book->spreads[1]},
            {2, m_book->spreads[2]},
            {Content::wordAudioSpread, m_book->words}};
        for (const auto &[k, items] : recordings) {
            const auto wave = readWave(Content::spreadAudio(m_out, k));
            QVERIFY(wave);
            QCOMPARE(wave->format, 1); // PCM, which seeks to the sample
            QCOMPARE(wave->channels, 1);
            QCOMPARE(wave->bits, 16);
            const Loudness loudness =
                Loudness::fromSamples(reinterpret_cast<const qint16 *>(wave->data.constData()),
                                      wave->data.size() / 2, wave->rate);
            // Exact timing shows as speech inside every segment and silence in the pauses
            // between them; an encoder's delay left in would shift both by 50 ms and more.
            for (qsizetype i = 0; i < items.size(); ++i) {
                QVERIFY2(!loudness.isSilent(items[i].start, items[i].end),
                         qPrintable(items[i].english));
                QVERIFY(loudness.isSilent(items[i].start - 400, items[i].start - 20));
                QVERIFY(loudness.isSilent(items[i].end + 20, items[i].end + 400));
            }
            QVERIFY(loudness.durationMs() > items.last().end + 1400);
        }
    }

    void aSecondMakeRedoesOnlyWhatChanged()
    {
        MakeResult made = make(m_book->folder, m_out);
        QCOMPARE(made.made, 0);
        QCOMPARE(made.upToDate, 7);

        // Written again as it was, a file is not made again.
        const QString recording = m_book->path(QStringLiteral("audio/2.mp3"));
        {
            QFile file(recording);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(60),
                                     QFileDevice::FileModificationTime));
        }
        made = make(m_book->folder, m_out);
        QCOMPARE(made.made, 0);

        // A tag added to the recording changes it.
        QVERIFY(writeAll(recording, readAll(recording) + "TAG" + QByteArray(125, '\0')));
        made = make(m_book->folder, m_out);
        QCOMPARE(made.made, 1);
        QVERIFY(made.failures.isEmpty());

        // One page scanned again: it alone is scaled again, and the four bundles are made anew.
        const QString page = m_book->path(QStringLiteral("pages/1.jpg"));
        QVERIFY(QImage(page).save(page, "JPEG", 80));
        made = make(m_book->folder, m_out);
        QCOMPARE(made.made, 4);
        QCOMPARE(made.upToDate, 3);
    }

    void animationsBecomeMoviesThePlayerPlays()
    {
        const QString folder = copyOfBook();
        const QString out = m_dir.filePath(QStringLiteral("animated"));
        QDir(folder).mkpath(BookFolder::animationsDir);
        // A GIF: a format the animation player would not be given as it stands.
        QCOMPARE(QProcess::execute(Programs::find().ffmpeg,
                                   {"-loglevel", "error", "-f", "lavfi", "-i",
                                    "testsrc=size=301x201:rate=10", "-t", "3",
                                    folder + QStringLiteral("/animations/2.gif")}),
                 0);
        replaceIn(folder, BookFolder::mapFile, QStringLiteral("<NO m =\"2\" FLASH = \"0\"/>"),
                  QStringLiteral("<NO m =\"2\" FLASH = \"1\"/>"));
        MakeResult made = make(folder, out);
        QVERIFY2(made.failures.isEmpty(), qPrintable(made.failures.join(u'\n')));
        const QString movie = Content::firstAnimation(out, 2);
        QVERIFY(QFileInfo::exists(movie));

        MoviePlayer player;
        player.resize(320, 240);
        player.show();
        player.loadMovie(movie);
        QTRY_VERIFY_WITH_TIMEOUT(player.position() > 500, 10000);
        player.hide();

        // Taken out of the book, the animation is taken out of the content too.
        QVERIFY(QFile::remove(folder + QStringLiteral("/animations/2.gif")));
        replaceIn(folder, BookFolder::mapFile, QStringLiteral("FLASH = \"1\""),
                  QStringLiteral("FLASH = \"0\""));
        made = make(folder, out);
        QVERIFY(made.failures.isEmpty());
        QVERIFY(!QFileInfo::exists(movie));
    }

    void thePreviewDrawsEveryHotspotOverThePage()
    {
        QImage page(SmallBook::scanSize, QImage::Format_RGB32);
        page.fill(Qt::white);
        QList<Hotspot> hotspots;
        for (const SmallBook::Item &entry : m_book->spreads[1])
            hotspots.append({entry.rect, entry.text, entry.start, entry.end});
        const QImage preview = previewSpread(page, hotspots);
        QCOMPARE(preview.size(), QSize(1820, 1160));
        for (const Hotspot &hotspot : hotspots) {
            // The outline runs along the rectangle, at twice the frame.
            const QPoint edge(hotspot.rect.center().x() * 2, hotspot.rect.top() * 2 + 2);
            QVERIFY(preview.pixelColor(edge) != QColor(Qt::white));
            // Inside, the page shows through.
            const QColor inside = preview.pixelColor(hotspot.rect.center() * 2 + QPoint(0, 15));
            QVERIFY(inside.red() > 180 && inside.green() > 180 && inside.blue() > 180);
        }
    }

    void theCommandLineSaysErrorsFirstAndFailsOnThem()
    {
        const QString folder = copyOfBook();
        editLine(folder, BookFolder::mapFile, item(1, 0).text, [](const QString &line) {
            return withAttribute(line, QStringLiteral("LEFT"), QStringLiteral("999"));
        });
        QProcess tool;
        tool.start(QStringLiteral(MVRBOOK_PROGRAM), {QStringLiteral("check"), folder});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 1);
        const QStringList lines =
            QString::fromUtf8(tool.readAllStandardOutput()).trimmed().split(u'\n');
        QVERIFY2(lines.first().startsWith(QStringLiteral("point.xml:")) &&
                     lines.first().contains(QStringLiteral(": error: spread 1 (P2-3) N_0: ")),
                 qPrintable(lines.first()));
        QVERIFY(lines[1].contains(QStringLiteral(": warning: ")));
        QVERIFY2(lines.last() == QStringLiteral("1 error(s), 6 warning(s)"),
                 qPrintable(lines.join(u'\n')));

        tool.start(QStringLiteral(MVRBOOK_PROGRAM), {QStringLiteral("check"), m_book->folder});
        QVERIFY(tool.waitForFinished(60000));
        QCOMPARE(tool.exitCode(), 0);
    }

    // A list in another encoding is said once, at its first line that is not UTF-8: nothing
    // is said about it beyond, nor about what the unread list leaves unused.
    void aListInAnotherEncodingIsSaidOnce()
    {
        const QString folder = copyOfBook();
        QVERIFY(!folder.isEmpty());
        const Breakage *gbk = breakageNamed("map saved in GBK");
        QVERIFY(gbk);
        gbk->apply(this, folder);
        const CheckResult result = check(folder);
        const QList<Problem> problems = result.problems.sorted(BookFolder::fileOrder());
        const qsizetype aboutMap =
            std::count_if(problems.begin(), problems.end(),
                          [](const Problem &p) { return p.file == BookFolder::mapFile; });
        QVERIFY2(aboutMap == 1, qPrintable(listed(problems)));
        for (const Problem &problem : problems)
            QVERIFY2(!problem.message.contains(QStringLiteral("never")),
                     qPrintable(problem.toString()));
    }

    // What the command line says of a book, for check and for the make that a build runs:
    // the same problems, the same count and the same verdict, so that a build never passes a
    // book that check fails.
    void checkAndMakeAgree_data()
    {
        QTest::addColumn<QString>("breakage"); // the name of a breakage; empty for none
        QTest::addColumn<QString>("says");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("the book as it is") << QString() << "0 error(s), 6 warning(s)" << 0;
        QTest::newRow("a segment past the end of its recording")
            << "segment past the end of the recording"
            << "runs past the end of audio/2.mp3" << 1;
        QTest::newRow("a page scanned as one page") << "page scanned as one page"
                                                    << "has the shape of one page" << 0;
        QTest::newRow("pages named by page number") << "pages named by page number"
                                                    << "numbered 0, 2, 4, ... as pages are" << 1;
        QTest::newRow("a map saved in GBK") << "map saved in GBK"
                                            << "is not UTF-8" << 1;
        QTest::newRow("a map declaring GBK") << "map declaring GBK"
                                             << "declares encoding" << 1;
        QTest::newRow("a word without times") << "word without times"
                                              << "\"teacher\": no audio segment" << 1;
        QTest::newRow("a hotspot hidden under another") << "rectangle wholly under another"
                                                        << "lies wholly under N_0" << 1;
    }

    void checkAndMakeAgree()
    {
        QFETCH(QString, breakage);
        QFETCH(QString, says);
        QFETCH(int, exitCode);
        const QString folder = copyOfBook();
        QVERIFY(!folder.isEmpty());
        if (!breakage.isEmpty()) {
            const Breakage *row = breakageNamed(breakage.toUtf8());
            QVERIFY(row);
            row->apply(this, folder);
        }

        struct Run
        {
            int exitCode = -1;
            QString out; // standard output and error
        };
        const auto run = [this](const QStringList &arguments) {
            QProcess tool;
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_CACHE_HOME"),
                               m_dir.filePath(QStringLiteral("cache")));
            tool.setProcessEnvironment(environment);
            tool.setProcessChannelMode(QProcess::MergedChannels);
            tool.start(QStringLiteral(MVRBOOK_PROGRAM), arguments);
            Run result;
            if (tool.waitForFinished(90000))
                result = {tool.exitCode(), QString::fromUtf8(tool.readAll())};
            return result;
        };
        const Run checked = run({QStringLiteral("check"), folder});
        QVERIFY2(checked.out.contains(says), qPrintable(checked.out));
        QCOMPARE(checked.exitCode, exitCode);
        const Run made = run({QStringLiteral("make"), folder, QStringLiteral("--out"),
                              folder + QStringLiteral(".out"), QStringLiteral("--state"),
                              folder + QStringLiteral(".state")});
        QCOMPARE(made.exitCode, exitCode);
        if (exitCode != 0)
            QVERIFY2(made.out.contains(says), qPrintable(made.out));
        static const QRegularExpression count(
            QStringLiteral("\\d+ error\\(s\\), \\d+ warning\\(s\\)"));
        const QString checkCount = count.match(checked.out).captured();
        QVERIFY(!checkCount.isEmpty());
        QCOMPARE(count.match(made.out).captured(), checkCount);
    }

private:
    struct Breakage
    {
        const char *name;
        QString file;   // the file the message names
        QString lineOf; // text on the line it names; empty for a message about a whole file
        QString says;
        bool isError;
        std::function<void(TestMvrbook *, const QString &folder)> apply;
    };

    static const QList<Breakage> &breakages();
    static const Breakage *breakageNamed(const QByteArray &name)
    {
        const QList<Breakage> &rows = breakages();
        const auto row = std::find_if(rows.begin(), rows.end(),
                                      [&](const Breakage &b) { return name == b.name; });
        return row == rows.end() ? nullptr : &*row;
    }
};

const QList<TestMvrbook::Breakage> &TestMvrbook::breakages()
{
    const QString map = BookFolder::mapFile;
    const QString words = BookFolder::wordListFile;
    // Edits one hotspot line of the map, found by its unique TEXT.
    const auto hotspot = [map](int k, int i,
                               std::function<QString(const SmallBook::Item &, QString)> edit) {
        return [=](TestMvrbook *test, const QString &folder) {
            const SmallBook::Item &item = test->item(k, i);
            editLine(folder, map, item.text, [&](const QString &line) { return edit(item, line); });
        };
    };
    const auto attribute = [hotspot](int k, int i, const char *name, const QString &value) {
        return hotspot(k, i, [=](const SmallBook::Item &, const QString &line) {
            return withAttribute(line, QString::fromLatin1(name), value);
        });
    };
    const auto replace = [](const QString &file, const QString &from, const QString &to) {
        return [=](TestMvrbook *, const QString &folder) { replaceIn(folder, file, from, to); };
    };
    const auto remove = [](const QString &file) {
        return [=](TestMvrbook *, const QString &folder) { QFile::remove(folder + u'/' + file); };
    };
    // Gives the word "teacher" these times.
    const auto wordTimes = [words](const QString &start, const QString &end) {
        return [=](TestMvrbook *, const QString &folder) {
            editLine(folder, words, QStringLiteral("teacher"), [&](const QString &line) {
                return withAttribute(withAttribute(line, QStringLiteral("STARTTIME"), start),
                                     QStringLiteral("ENDTIME"), end);
            });
        };
    };
    // Spread 1 scanned again at this size.
    const auto scan = [](QSize size) {
        return [=](TestMvrbook *, const QString &folder) {
            QImage page(size, QImage::Format_RGB32);
            page.fill(Qt::white);
            page.save(folder + QStringLiteral("/pages/1.jpg"), "JPEG", 80);
        };
    };
    static const QList<Breakage> rows{
        {"XML that does not parse", map, QStringLiteral("这是我的新书包"),
         QStringLiteral("not well-formed XML"), true,
         hotspot(1, 1,
                 [](const SmallBook::Item &, QString line) {
                     return line.replace(QStringLiteral(" TOP="), QStringLiteral(" < TOP="));
                 })},
        {"map saved in GBK", map, QStringLiteral("第一课 小鸟"),
         QStringLiteral("this line is not UTF-8: save the file as UTF-8"), true,
         [](TestMvrbook *, const QString &folder) {
             // Every Chinese character as two GBK bytes; no byte-order mark.
             QByteArray gbk;
             for (const QChar c : QString::fromUtf8(readAll(folder + u'/' + BookFolder::mapFile))) {
                 if (c.unicode() == 0xfeff)
                     continue;
                 gbk += c.unicode() < 0x80 ? QByteArray(1, char(c.unicode())) : "\xB0\xA1";
             }
             writeAll(folder + u'/' + BookFolder::mapFile, gbk);
         }},
        {"map declaring GBK", map, QStringLiteral("encoding=\"GBK\""),
         QStringLiteral("declares encoding=\"GBK\", but the program reads its lists as UTF-8 "
                        "only"),
         true,
         replace(map, QStringLiteral("<Book>"),
                 QStringLiteral("<?xml version=\"1.0\" encoding=\"GBK\"?>\r\n<Book>"))},
        {"description not UTF-8", BookFolder::descriptionFile, QStringLiteral("title"),
         QStringLiteral("this line is not UTF-8"), true,
         [](TestMvrbook *, const QString &folder) {
             const QString path = folder + u'/' + BookFolder::descriptionFile;
             writeAll(path, readAll(path).replace("Second", "\xD3\xA2\xD3\xEF"));
         }},
        {"map root misnamed", map, QStringLiteral("<book>"),
         QStringLiteral("root element must be <Book>"), true,
         [](TestMvrbook *, const QString &folder) {
             replaceIn(folder, BookFolder::mapFile, QStringLiteral("<Book>"),
                       QStringLiteral("<book>"));
             replaceIn(folder, BookFolder::mapFile, QStringLiteral("</Book>"),
                       QStringLiteral("</book>"));
         }},
        {"word list root misnamed", words, QStringLiteral("<BookWord>"),
         QStringLiteral("root element must be <BookWrod>"), true,
         [](TestMvrbook *, const QString &folder) {
             replaceIn(folder, BookFolder::wordListFile, QStringLiteral("<BookWrod>"),
                       QStringLiteral("<BookWord>"));
             replaceIn(folder, BookFolder::wordListFile, QStringLiteral("</BookWrod>"),
                       QStringLiteral("</BookWord>"));
         }},
        {"spread tag repeated", map, QStringLiteral("<P4-5>"), QStringLiteral("a second P4-5"),
         true,
         replace(map, QStringLiteral("</Book>"),
                 QStringLiteral("<P4-5>\r\n<NO m =\"0\" FLASH = \"0\"/>\r\n</P4-5>\r\n</Book>"))},
        {"spread tag misnamed", map, QStringLiteral("<P4-6>"), QStringLiteral("never read"), true,
         [](TestMvrbook *, const QString &folder) {
             replaceIn(folder, BookFolder::mapFile, QStringLiteral("<P4-5>"),
                       QStringLiteral("<P4-6>"));
             replaceIn(folder, BookFolder::mapFile, QStringLiteral("</P4-5>"),
                       QStringLiteral("</P4-6>"));
         }},
        {"spread past the last page", map, QStringLiteral("<P6-7>"),
         QStringLiteral("no page image for it"), true,
         replace(map, QStringLiteral("</Book>"),
                 QStringLiteral("<P6-7>\r\n<NO m =\"0\" FLASH = \"0\"/>\r\n</P6-7>\r\n</Book>"))},
        {"unit tag repeated", words, QStringLiteral("<unit1>"), QStringLiteral("a second unit1"),
         true,
         replace(words, QStringLiteral("</BookWrod>"),
                 QStringLiteral("<unit1>\r\n<NO m=\"0\"/>\r\n</unit1>\r\n</BookWrod>"))},
        {"count element missing", map, QStringLiteral("<P4-5>"),
         QStringLiteral("has no NO element"), true,
         replace(map, QStringLiteral("<P4-5>\r\n<NO m =\"2\" FLASH = \"0\"/>"),
                 QStringLiteral("<P4-5>"))},
        {"m disagrees with the hotspots", map, QStringLiteral("<NO m =\"4\""),
         QStringLiteral("m is 4, but the last hotspot is N_2: m should be 3"), true,
         replace(map, QStringLiteral("<P2-3>\r\n<NO m =\"3\""),
                 QStringLiteral("<P2-3>\r\n<NO m =\"4\""))},
        {"gap in the numbers", map, QStringLiteral("我们去公园吧"),
         QStringLiteral("N_1 is missing before it"), true,
         hotspot(1, 1,
                 [](const SmallBook::Item &, QString line) {
                     return line.replace(QStringLiteral("<N_1 "), QStringLiteral("<N_7 "));
                 })},
        {"number repeated", map, QStringLiteral("我们去公园吧"),
         QStringLiteral("N_1 again (the first is at line"), true,
         hotspot(1, 2,
                 [](const SmallBook::Item &, QString line) {
                     return line.replace(QStringLiteral("<N_2 "), QStringLiteral("<N_1 "));
                 })},
        {"number with a leading zero", map, QStringLiteral("这是我的新书包"),
         QStringLiteral("<N_01> is never read"), true,
         hotspot(1, 1,
                 [](const SmallBook::Item &, QString line) {
                     return line.replace(QStringLiteral("<N_1 "), QStringLiteral("<N_01 "));
                 })},
        {"rectangle outside the page", map, QStringLiteral("我们去公园吧"),
         QStringLiteral("reaches outside the page's 910 x 580 frame"), true,
         attribute(1, 2, "RIGHT", QStringLiteral("950"))},
        {"rectangle inverted", map, QStringLiteral("早上好"), QStringLiteral("is inverted"), true,
         attribute(1, 0, "LEFT", QStringLiteral("420"))},
        {"rectangle wholly under another", map, QStringLiteral("它在树上唱歌"),
         QStringLiteral("lies wholly under N_0, and the lower number wins"), true,
         hotspot(2, 1,
                 [](const SmallBook::Item &, QString line) {
                     for (const auto &[name, value] :
                          {std::pair{"LEFT", "150"}, std::pair{"TOP", "110"},
                           std::pair{"RIGHT", "400"}, std::pair{"BOTTOM", "160"}})
                         line = withAttribute(line, QString::fromLatin1(name),
                                              QString::fromLatin1(value));
                     return line;
                 })},
        {"end not after start", map, QStringLiteral("它在树上唱歌"),
         QStringLiteral("is not after STARTTIME"), true,
         hotspot(2, 1,
                 [](const SmallBook::Item &item, const QString &line) {
                     return withAttribute(line, QStringLiteral("ENDTIME"),
                                          QString::number(item.start));
                 })},
        {"time not a number", map, QStringLiteral("早上好"),
         QStringLiteral("ENDTIME \"1.5s\" is not a number"), true,
         attribute(1, 0, "ENDTIME", QStringLiteral("1.5s"))},
        {"attribute misspelt", map, QStringLiteral("早上好"),
         QStringLiteral("attribute TEXTS is not read; did you mean TEXT?"), false,
         hotspot(1, 0,
                 [](const SmallBook::Item &, QString line) {
                     return line.replace(QStringLiteral("TEXT="), QStringLiteral("TEXTS="));
                 })},
        {"segment past the end of the recording", map, QStringLiteral("它在树上唱歌"),
         QStringLiteral("runs past the end of audio/2.mp3"), true,
         attribute(2, 1, "ENDTIME", QStringLiteral("99000"))},
        {"segments overlapping", map, QStringLiteral("这是我的新书包"), QStringLiteral("overlaps"),
         true,
         [map](TestMvrbook *test, const QString &folder) {
             const QString into = QString::number(test->item(1, 0).end - 300);
             editLine(folder, map, test->item(1, 1).text, [&](const QString &line) {
                 return withAttribute(line, QStringLiteral("STARTTIME"), into);
             });
         }},
        {"segment silent", map, QStringLiteral("它在树上唱歌"), QStringLiteral("is silent"), true,
         hotspot(2, 1,
                 [](const SmallBook::Item &item, const QString &line) {
                     return withAttribute(withAttribute(line, QStringLiteral("STARTTIME"),
                                                        QString::number(item.end + 300)),
                                          QStringLiteral("ENDTIME"),
                                          QString::number(item.end + 1000));
                 })},
        {"TEXT empty", map, QStringLiteral("我们去公园吧"), QStringLiteral("TEXT is empty"), false,
         attribute(1, 2, "TEXT", QString())},
        {"contents target outside the book", BookFolder::descriptionFile,
         QStringLiteral("contents"), QStringLiteral("opens spread 7, outside the book"), true,
         replace(BookFolder::descriptionFile, QStringLiteral("2, 1, -"),
                 QStringLiteral("2, 7, -"))},
        {"contents target not a number", BookFolder::descriptionFile, QStringLiteral("contents"),
         QStringLiteral("contents entry 2 (N_2) is \"none\""), true,
         replace(BookFolder::descriptionFile, QStringLiteral("2, 1, -"),
                 QStringLiteral("2, 1, none"))},
        {"description missing",
         BookFolder::descriptionFile,
         {},
         QStringLiteral("no description file"),
         true,
         remove(BookFolder::descriptionFile)},
        {"page image missing",
         BookFolder::pagesDir,
         {},
         QStringLiteral("no page image"),
         true,
         remove(QStringLiteral("pages/1.jpg"))},
        {"page scanned as one page",
         QStringLiteral("pages/1.jpg"),
         {},
         QStringLiteral("1240 x 1754 has the shape of one page, but the image of a spread shows "
                        "both its pages, 2 and 3, side by side"),
         false,
         scan(QSize(1240, 1754))},
        {"page that would be stretched",
         QStringLiteral("pages/1.jpg"),
         {},
         QStringLiteral("2480 x 1754 is far from the 910 : 580 shape of the page view: it will be "
                        "stretched to fit. Pad it to 2752 x 1754"),
         false,
         scan(QSize(2480, 1754))},
        {"pages named by page number",
         BookFolder::pagesDir,
         {},
         QStringLiteral("the images are numbered 0, 2, 4, ... as pages are, but each is named by "
                        "its spread, the number of its left page / 2: 02.jpg should be 1.jpg, "
                        "04.png should be 2.png"),
         true,
         [](TestMvrbook *, const QString &folder) {
             QDir pages(folder + u'/' + BookFolder::pagesDir);
             pages.rename(QStringLiteral("1.jpg"), QStringLiteral("02.jpg"));
             pages.rename(QStringLiteral("2.png"), QStringLiteral("04.png"));
         }},
        {"page image broken",
         QStringLiteral("pages/1.jpg"),
         {},
         QStringLiteral("not"),
         true,
         [](TestMvrbook *, const QString &folder) {
             const QString page = folder + QStringLiteral("/pages/1.jpg");
             writeAll(page, readAll(page).left(300));
         }},
        {"recording missing", map, QStringLiteral("<P4-5>"), QStringLiteral("no recording"), true,
         remove(QStringLiteral("audio/2.mp3"))},
        {"word recording missing", words, QStringLiteral("apple"),
         QStringLiteral("no word recording"), true, remove(QStringLiteral("audio/words.mp3"))},
        {"word without a meaning", words, QStringLiteral("teacher"),
         QStringLiteral("a word without a meaning"), true,
         replace(words, QStringLiteral("TEXT=\"老师\""), QStringLiteral("TEXT=\"\""))},
        {"word without times", words, QStringLiteral("teacher"),
         QStringLiteral("\"teacher\": no audio segment, so it is never heard; a word's STARTTIME "
                        "and ENDTIME are where it is spoken in audio/words.mp3"),
         true, wordTimes(QString(), QString())},
        {"word with an empty time", words, QStringLiteral("teacher"),
         QStringLiteral("\"teacher\": STARTTIME is empty; a word's STARTTIME and ENDTIME are "
                        "where it is spoken in audio/words.mp3"),
         true, wordTimes(QString(), QStringLiteral("9000"))},
        {"word repeated", words, QStringLiteral("老师"), QStringLiteral("\"apple\" again"), false,
         replace(words, QStringLiteral("WORD=\"teacher\""), QStringLiteral("WORD=\"apple\""))},
        {"animation missing", map, QStringLiteral("FLASH = \"2\""),
         QStringLiteral("there is no animations/1b.mp4"), true,
         [](TestMvrbook *, const QString &folder) {
             replaceIn(folder, BookFolder::mapFile,
                       QStringLiteral("<P2-3>\r\n<NO m =\"3\" FLASH = \"0\"/>"),
                       QStringLiteral("<P2-3>\r\n<NO m =\"3\" FLASH = \"2\"/>"));
             QDir(folder).mkpath(BookFolder::animationsDir);
             writeAll(folder + QStringLiteral("/animations/1.mp4"), "not a movie");
         }},
        {"animation that does not decode",
         QStringLiteral("animations/1.mp4"),
         {},
         QStringLiteral("does not decode as a movie"),
         true,
         [](TestMvrbook *, const QString &folder) {
             replaceIn(folder, BookFolder::mapFile,
                       QStringLiteral("<P2-3>\r\n<NO m =\"3\" FLASH = \"0\"/>"),
                       QStringLiteral("<P2-3>\r\n<NO m =\"3\" FLASH = \"1\"/>"));
             QDir(folder).mkpath(BookFolder::animationsDir);
             writeAll(folder + QStringLiteral("/animations/1.mp4"), "not a movie");
         }},
    };
    return rows;
}

QTEST_MAIN(TestMvrbook)
#include "tst_mvrbook.moc"

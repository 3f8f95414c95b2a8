// Prints what the book builder costs on a big book: 121 spreads (the contents and 120 to read)
// with 40 hotspots each, a two-minute VBR MP3 per spread and a 300-dpi scan per spread, six
// units of 40 words. Each row gives the fastest and the median of its runs, on two jobs.
//
// Run from anywhere: build/bench/bench_mvrbook [runs]. It needs sox and lame for the book.

#include "content/content.h"
#include "tools/common/headless.h"
#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/bookmaker.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {

constexpr int spreads = 120;
constexpr int hotspots = 40;
constexpr int units = 6;
constexpr int segmentMs = 2500;
constexpr int strideMs = 3000;

bool write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

bool run(const QString &program, const QStringList &arguments)
{
    return QProcess::execute(program, arguments) == 0;
}

// The big book, every spread's scan and recording a copy of one: decoding costs the same.
bool makeBook(const QString &folder)
{
    const QDir root(folder);
    for (const char *dir : {"pages", "audio"})
        root.mkpath(QLatin1String(dir));

    QImage scan(2480, 1580, QImage::Format_RGB32);
    scan.fill(Qt::white);
    QPainter painter(&scan);
    painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 40));
    for (int line = 0; line < 30; ++line)
        painter.drawText(100, 100 + line * 48,
                         QStringLiteral("Line %1 of a page of the book, "
                                        "with a sentence to read aloud.")
                             .arg(line));
    painter.end();
    if (!scan.save(root.filePath(QStringLiteral("pages/0.jpg")), "JPEG", 90))
        return false;

    // Forty tones of 2.5 s, each followed by half a second of silence.
    const QString wav = root.filePath(QStringLiteral("tones.wav"));
    const QString mp3 = root.filePath(QStringLiteral("audio/1.mp3"));
    if (!run(QStringLiteral("sox"),
             {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("22050"),
              QStringLiteral("-c"), QStringLiteral("1"), wav, QStringLiteral("synth"),
              QStringLiteral("2.5"), QStringLiteral("sine"), QStringLiteral("440"),
              QStringLiteral("pad"), QStringLiteral("0"), QStringLiteral("0.5"),
              QStringLiteral("repeat"), QString::number(hotspots - 1)}) ||
        !run(QStringLiteral("lame"),
             {QStringLiteral("--quiet"), QStringLiteral("-V"), QStringLiteral("5"), wav, mp3}))
        return false;
    QFile::remove(wav);
    // Spread 36 is read from the word recording, which is its audio too.
    for (int k = 1; k <= spreads; ++k) {
        if (!QFile::copy(root.filePath(QStringLiteral("pages/0.jpg")),
                         root.filePath(QStringLiteral("pages/%1.jpg").arg(k))) ||
            (k > 1 && k != Content::wordAudioSpread &&
             !QFile::copy(mp3, root.filePath(QStringLiteral("audio/%1.mp3").arg(k)))))
            return false;
    }
    QFile::copy(mp3, root.filePath(QStringLiteral("audio/words.mp3")));

    const auto item = [](int i, bool timed) {
        const int column = i / 20;
        const int row = i % 20;
        return QStringLiteral("<N_%1 LEFT=\"%2\" TOP=\"%3\" RIGHT=\"%4\" BOTTOM=\"%5\" "
                              "STARTTIME=\"%6\" ENDTIME=\"%7\" TEXT=\"第%1句\"/>\n")
            .arg(i)
            .arg(20 + column * 455)
            .arg(10 + row * 28)
            .arg(20 + column * 455 + 400)
            .arg(10 + row * 28 + 24)
            .arg(timed ? QString::number(i * strideMs) : QString())
            .arg(timed ? QString::number(i * strideMs + segmentMs) : QString());
    };
    QString map = QStringLiteral("<Book>\n");
    QStringList contents;
    for (int k = 0; k <= spreads; ++k) {
        map += QStringLiteral("<P%1-%2>\n<NO m=\"%3\" FLASH=\"0\"/>\n")
                   .arg(2 * k)
                   .arg(2 * k + 1)
                   .arg(hotspots);
        for (int i = 0; i < hotspots; ++i)
            map += item(i, k > 0);
        map += QStringLiteral("</P%1-%2>\n").arg(2 * k).arg(2 * k + 1);
    }
    for (int i = 0; i < hotspots; ++i)
        contents << QString::number(1 + i * 3);
    QString words = QStringLiteral("<BookWrod>\n");
    for (int unit = 1; unit <= units; ++unit) {
        words += QStringLiteral("<unit%1>\n<NO m=\"%2\"/>\n").arg(unit).arg(hotspots / units);
        for (int i = 0; i < hotspots / units; ++i) {
            const int n = (unit - 1) * (hotspots / units) + i;
            words += QStringLiteral("<N_%1 WORD=\"word%2\" TEXT=\"词%2\" STARTTIME=\"%3\" "
                                    "ENDTIME=\"%4\"/>\n")
                         .arg(i)
                         .arg(n)
                         .arg(n * strideMs)
                         .arg(n * strideMs + segmentMs);
        }
        words += QStringLiteral("</unit%1>\n").arg(unit);
    }
    return write(root.filePath(QStringLiteral("point.xml")), (map + "</Book>\n").toUtf8()) &&
           write(root.filePath(QStringLiteral("word.xml")), (words + "</BookWrod>\n").toUtf8()) &&
           write(root.filePath(QStringLiteral("book.ini")),
                 ("[book]\ntitle = A big book\ncontents = " + contents.join(QStringLiteral(", ")) +
                  "\n")
                     .toUtf8());
}

// Runs `work` `runs` times, `prepare` before each run untimed, and prints the row.
void row(const char *what, int runs, const std::function<void()> &prepare,
         const std::function<void()> &work)
{
    QList<double> seconds;
    for (int n = 0; n < runs; ++n) {
        prepare();
        QElapsedTimer timer;
        timer.start();
        work();
        seconds.append(timer.nsecsElapsed() / 1e9);
    }
    std::sort(seconds.begin(), seconds.end());
    std::printf("%-46s min %7.2f s   median %7.2f s   (%d runs)\n", what, seconds.first(),
                seconds[seconds.size() / 2], runs);
    std::fflush(stdout);
}

} // namespace

int main(int argc, char *argv[])
{
    prepareHeadless(QStringLiteral("bench_mvrbook"));
    QGuiApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : 3;

    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("book"));
    std::printf("making a book of %d spreads x %d hotspots ...\n", spreads, hotspots);
    std::fflush(stdout);
    if (!makeBook(folder)) {
        std::fprintf(stderr, "bench_mvrbook: cannot make the book (needs sox and lame)\n");
        return 1;
    }

    CheckOptions checking;
    checking.programs = Programs::find();
    checking.jobs = 2;
    checking.progress = nullptr;
    const QString cache = dir.filePath(QStringLiteral("cache"));
    CheckResult result;
    const auto nothing = [] {};
    const auto check = [&] { result = checkBook(folder, checking); };

    checking.media = false;
    row("check, names and lists only", runs, nothing, check);
    checking.media = true;
    checking.cacheDir = cache;
    row(
        "check, media, nothing measured before", runs, [&] { QDir(cache).removeRecursively(); },
        check);
    row("check, media, everything measured before", runs, nothing, check);
    std::printf("  (%d errors, %d warnings)\n", result.problems.errors(),
                result.problems.warnings());

    MakeOptions making;
    making.outDir = dir.filePath(QStringLiteral("out"));
    making.stateDir = dir.filePath(QStringLiteral("state"));
    making.programs = checking.programs;
    making.jobs = 2;
    making.progress = nullptr;
    MakeResult made;
    const auto make = [&] { made = makeBook(folder, result.plan, making); };
    row(
        "make, from nothing", std::min(runs, 2),
        [&] {
            QDir(making.outDir).removeRecursively();
            QDir(making.stateDir).removeRecursively();
        },
        make);
    std::printf("  (%d files made, %lld failures)\n", made.made, qlonglong(made.failures.size()));
    row("make, nothing changed", runs, nothing, make);
    return 0;
}

// Prints what the page view's hot paths cost: a change of spread, a repaint in window and
// full-screen size, each beside the naive way (parse the map, attach the bundle and decode
// the page every time), what checking a page bundle adds to reading a page from it, what maps
// far larger or deeper than the demo book's cost in time and memory, one pointer move's hit
// test over the largest spread, and, on a screen at 200 %, a change of spread and a repaint from
// the 2x bundles and the memory of the program's window in book mode.
//
// Run from anywhere: it reads the compiled-in map and the page bundles of the build's output
// directory.

#include "app/application.h"
#include "app/widget.h"
#include "book/bookface.h"
#include "content/content.h"
#include "content/resourcebundle.h"
#include "content/spreadmap.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QProcess>
#include <QResource>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

namespace {

// Microseconds per call of `work`: the fastest and the median of 11 rounds of enough calls to
// fill about 50 ms each.
struct Timing
{
    double min = 0;
    double median = 0;
};

Timing microseconds(const std::function<void()> &work)
{
    work(); // warm up: first decodes, first parse
    int calls = 1;
    const auto round = [&] {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i)
            work();
        return timer.nsecsElapsed();
    };
    while (calls < (1 << 24) && round() < 50'000'000)
        calls *= 2;
    std::vector<double> rounds;
    for (int i = 0; i < 11; ++i)
        rounds.push_back(double(round()) / calls / 1000.0);
    std::sort(rounds.begin(), rounds.end());
    return {rounds.front(), rounds[rounds.size() / 2]};
}

void row(const char *what, Timing ours, Timing naive)
{
    std::printf("%-36s %10.2f %10.2f %10.2f %10.2f %8.1fx\n", what, ours.min, ours.median,
                naive.min, naive.median, naive.median / ours.median);
}

// The page view's paint as it would be without keeping the decoded page: attach the bundle,
// decode, stretch, detach, on every paint.
class NaivePage : public QWidget
{
public:
    int spread = 1;

protected:
    void paintEvent(QPaintEvent *) override
    {
        const QString &bundle = height() == 580 ? Content::windowBundle : Content::fullScreenBundle;
        const bool attached = QResource::registerResource(bundle);
        const QImage page(Content::pageImage(spread));
        QPainter painter(this);
        painter.drawImage(QRectF(0, 0, width(), height()), page);
        if (attached)
            QResource::unregisterResource(bundle);
    }
};

// A map as large as a whole book could make it: `spreads` spreads of `hotspots` hotspots.
QByteArray largeMap(int spreads, int hotspots)
{
    QByteArray map = "\xEF\xBB\xBF<Book>\r\n";
    for (int k = 0; k < spreads; ++k) {
        const QByteArray tag = Content::spreadTag(k).toUtf8();
        map +=
            "<" + tag + ">\r\n<NO m =\"" + QByteArray::number(hotspots) + "\" FLASH = \"0\"/>\r\n";
        for (int i = 0; i < hotspots; ++i) {
            map += QStringLiteral(R"(<N_%1 LEFT="%2" TOP="%3" RIGHT="%4" BOTTOM="%5" )"
                                  R"(STARTTIME="%6" ENDTIME="%7" TEXT="这是第%1句话@第二行" />)")
                       .arg(i)
                       .arg(i % 800)
                       .arg(i % 500)
                       .arg(i % 800 + 50)
                       .arg(i % 500 + 30)
                       .arg(i * 1000)
                       .arg(i * 1000 + 900)
                       .toUtf8() +
                   "\r\n";
        }
        map += "</" + tag + ">\r\n";
    }
    return map + "</Book>\r\n";
}

QString writeFile(const QTemporaryDir &dir, const QString &name, const QByteArray &content)
{
    const QString path = dir.filePath(name);
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(content);
    return path;
}

// A line of /proc/self/status, in kB.
long statusKb(const QByteArray &key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly | QIODevice::Text);
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key + ':'))
            return line.mid(key.size() + 1).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Run as a child: loads one spread of the map, which keeps what the whole map holds, and prints
// the resident and the peak memory of the process afterwards.
int reportResidentMemory(const QString &mapPath)
{
    SpreadMap map([](const QString &, const QString &) {});
    map.setTag(Content::spreadTag(1));
    map.load(mapPath);
    std::printf("%ld %ld\n", statusKb("VmRSS"), statusKb("VmHWM"));
    return map.hotspots().isEmpty() ? 1 : 0;
}

// Run as a child on a screen at 200 %: a change of spread (the map, the 2x bundle read and
// checked, the page decoded) and a repaint of the page view at both sizes, then the program's
// window in book mode turned through every spread in window and in full-screen mode, and its
// resident and peak memory afterwards.
int reportAt2x()
{
    std::printf("%-36s %21s\n", "at 200 %, milliseconds per call", "min, median");
    bookface view(nullptr);
    int k = 0;
    for (const QSize size : {QSize(910, 580), QSize(1139, 726)}) {
        view.resize(size);
        const qreal ratio = view.devicePixelRatioF();
        QImage target((QSizeF(size) * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
        target.setDevicePixelRatio(ratio);
        const Timing change = microseconds([&] {
            view.openSpread(k++ % (Content::lastSpread + 1));
            view.render(&target);
        });
        const Timing repaint = microseconds([&] { view.render(&target); });
        for (const auto &[what, timing] :
             {std::pair("change of spread", change), std::pair("repaint", repaint)}) {
            const QByteArray line = QStringLiteral("%1 at %2 x %3 pixels")
                                        .arg(QLatin1String(what))
                                        .arg(target.width())
                                        .arg(target.height())
                                        .toUtf8();
            std::printf("%-36s %10.2f %10.2f\n", line.constData(), timing.min / 1000,
                        timing.median / 1000);
        }
    }

    Content::Sources book;
    book.contentDir = QStringLiteral(MIVORA_OUTPUT_DIR);
    const QTemporaryDir place;
    Widget window(nullptr, AudioPlayer::factory(), book, showReadFailureBox,
                  place.filePath(QStringLiteral("place.conf")));
    window.show();
    auto *page = window.findChild<bookface *>();
    for (const bool fullScreen : {false, true}) {
        if (fullScreen)
            window.setfull();
        for (int spread = 0; spread <= Content::lastSpread; ++spread) {
            page->openSpread(spread);
            window.repaint();
            QCoreApplication::processEvents();
        }
    }
    std::printf("%-36s %10.1f %10.1f  (device pixel ratio %.2f)\n", "book mode, resident / peak MB",
                statusKb("VmRSS") / 1024.0, statusKb("VmHWM") / 1024.0, window.devicePixelRatioF());
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 3 && qstrcmp(argv[1], "--resident") == 0) {
        QCoreApplication app(argc, argv);
        return reportResidentMemory(QString::fromLocal8Bit(argv[2]));
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (argc == 2 && qstrcmp(argv[1], "--at-2x") == 0) {
        qputenv("QT_SCALE_FACTOR", "2");
        QApplication app(argc, argv);
        QDir::setCurrent(QStringLiteral(MIVORA_OUTPUT_DIR));
        return reportAt2x();
    }
    QApplication app(argc, argv);
    if (!QDir::setCurrent(QStringLiteral(MIVORA_OUTPUT_DIR)) ||
        !QFile::exists(Content::windowBundle)) {
        std::fprintf(stderr, "The page bundles are not in %s: build the demo book first.\n",
                     MIVORA_OUTPUT_DIR);
        return 1;
    }

    std::printf("%-36s %21s %21s %9s\n", "microseconds per call", "ours: min, median",
                "naive: min, median", "ratio");

    SpreadMap kept;
    int k = 0;
    const Timing keptLoad = microseconds([&] {
        kept.setTag(Content::spreadTag(k++ % 6));
        kept.load(Content::pointMap);
    });
    const Timing naiveLoad = microseconds([&] {
        SpreadMap fresh;
        fresh.setTag(Content::spreadTag(k++ % 6));
        fresh.load(Content::pointMap);
    });
    row("map lookup for a change of spread", keptLoad, naiveLoad);

    bookface view(nullptr);
    int reports = 0;
    QObject::connect(&view, &bookface::setflash2, &view, [&reports] { ++reports; });
    const Timing change = microseconds([&] { view.loadSpread(); });
    row("loadSpread() with setflash2", change, naiveLoad);

    for (const QSize size : {QSize(910, 580), QSize(1139, 726)}) {
        view.resize(size);
        // Rendered into an image, as the naive paint below is, so both pay the same drawing.
        QImage target(size, QImage::Format_ARGB32_Premultiplied);
        const Timing repaint = microseconds([&] { view.render(&target); });
        NaivePage naivePage;
        naivePage.resize(size);
        const Timing naive = microseconds([&] { naivePage.render(&target); });
        const QByteArray what =
            QStringLiteral("repaint at %1 x %2").arg(size.width()).arg(size.height()).toUtf8();
        row(what.constData(), repaint, naive);
    }

    // What the bundle check adds to a page decode: the check alone, and a checked read of a
    // page (read the file, check, attach the bytes, decode), each against Qt's own unchecked
    // attach by name and decode.
    int decoded = 0;
    for (const QString &bundle : {Content::windowBundle, Content::fullScreenBundle}) {
        QFile file(bundle);
        file.open(QIODevice::ReadOnly);
        const QByteArray bytes = file.readAll();
        const Timing check = microseconds([&] { decoded += isIntactBundle(bytes); });
        const Timing unchecked = microseconds([&] {
            const bool attached = QResource::registerResource(bundle);
            decoded += !QImage(Content::pageImage(1)).isNull();
            if (attached)
                QResource::unregisterResource(bundle);
        });
        const Timing checked = microseconds(
            [&] { decoded += !readBundledImage(bundle, Content::pageImage(1)).isNull(); });
        const char *which = bundle == Content::windowBundle ? "window" : "full";
        row(qPrintable(QStringLiteral("bundle check / page decode, %1").arg(which)), check,
            unchecked);
        row(qPrintable(QStringLiteral("checked / unchecked read, %1").arg(which)), checked,
            unchecked);
    }

    // Maps beyond the demo book's: one as large as a whole book could make it, and one that
    // nests 40,000 elements in 280 KB, which the reader refuses at its depth limit.
    const QTemporaryDir dir;
    const QString large = writeFile(dir, QStringLiteral("large.xml"), largeMap(120, 500));
    const QString nested =
        writeFile(dir, QStringLiteral("nested.xml"),
                  "<Book><P2-3><NO m=\"1\"/>" + QByteArray("<a>").repeated(40000) +
                      QByteArray("</a>").repeated(40000) + "</P2-3></Book>");
    const ReadFailureReport quiet = [](const QString &, const QString &) {};
    std::printf("\n%-36s %21s\n", "milliseconds per load", "min, median");
    for (const auto &[what, path] : {std::pair("first load, 120 x 500 map", large),
                                     std::pair("later load, 120 x 500 map", large),
                                     std::pair("load of the 40,000-deep map", nested)}) {
        SpreadMap reused(quiet);
        const bool first = std::string_view(what).starts_with("first");
        const Timing load = microseconds([&] {
            SpreadMap fresh(quiet);
            SpreadMap &map = first ? fresh : reused;
            map.setTag(Content::spreadTag(k++ % 120));
            map.load(path);
        });
        std::printf("%-36s %10.2f %10.2f\n", what, load.min / 1000, load.median / 1000);
    }

    // Each map loaded in a process of its own, so that one's memory cannot hide in the other's.
    std::printf("\n%-36s %10s %10s\n", "memory after one load, MB", "resident", "peak");
    for (const auto &[what, path] :
         {std::pair("demo map", Content::pointMap), std::pair("120 x 500 map", large)}) {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--resident"), path});
        child.waitForFinished(-1);
        const QList<QByteArray> kb = child.readAllStandardOutput().trimmed().split(' ');
        std::printf("%-36s %10.1f %10.1f\n", what, kb.value(0).toDouble() / 1024,
                    kb.value(1).toDouble() / 1024);
    }
    std::printf("\n");

    SpreadMap largest;
    qsizetype most = 0;
    for (int spread = 0; spread < 6; ++spread) {
        SpreadMap map;
        map.setTag(Content::spreadTag(spread));
        map.load(Content::pointMap);
        if (map.hotspots().size() > most) {
            most = map.hotspots().size();
            largest = map;
        }
    }
    int x = 0;
    int hits = 0;
    const Timing hit = microseconds([&] {
        x = (x + 37) % 1139;
        const auto point = toSpreadFrame(QPoint(x, (x * 7) % 726), QSize(1139, 726));
        hits += hotspotAt(largest.hotspots(), *point) >= 0;
    });
    std::printf("%-36s %10.3f %10.3f  (%s, %lld hotspots)\n\n", "hit test of one pointer move",
                hit.min, hit.median, qPrintable(largest.tag()), static_cast<long long>(most));
    std::fflush(stdout);

    // The 2x rows in a process of their own, whose screen is at 200 % from the start.
    QProcess at2x;
    at2x.setProcessChannelMode(QProcess::ForwardedChannels);
    at2x.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--at-2x")});
    at2x.waitForFinished(-1);
    return reports > 0 && hits >= 0 && decoded > 0 && at2x.exitCode() == 0 ? 0 : 1;
}

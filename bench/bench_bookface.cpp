// Prints what the page view's hot paths cost: a change of spread, a repaint in window and
// full-screen size, each beside the naive way (parse the map, attach the bundle and decode
// the page every time), and one pointer move's hit test over the largest spread.
//
// Run from anywhere: it reads the compiled-in map and the page bundles of the build's output
// directory.

#include "book/bookface.h"
#include "content/content.h"
#include "content/spreadmap.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPainter>
#include <QResource>

#include <cstdio>
#include <functional>

namespace {

// Mean microseconds per call over enough calls to fill about half a second.
double microseconds(const std::function<void()> &work)
{
    work(); // warm up: first decodes, first parse
    int calls = 1;
    for (;;) {
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < calls; ++i)
            work();
        const qint64 ns = timer.nsecsElapsed();
        if (ns > 500'000'000 || calls >= (1 << 24))
            return double(ns) / calls / 1000.0;
        calls *= 4;
    }
}

void row(const char *what, double ours, double naive)
{
    std::printf("%-34s %12.2f us %12.2f us %9.1fx\n", what, ours, naive, naive / ours);
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

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (!QDir::setCurrent(QStringLiteral(MIVORA_OUTPUT_DIR)) ||
        !QFile::exists(Content::windowBundle)) {
        std::fprintf(stderr, "The page bundles are not in %s: build the demo book first.\n",
                     MIVORA_OUTPUT_DIR);
        return 1;
    }

    std::printf("%-34s %15s %15s %10s\n", "", "kept", "naive", "ratio");

    SpreadMap kept;
    int k = 0;
    const double keptLoad = microseconds([&] {
        kept.setTag(Content::spreadTag(k++ % 6));
        kept.load(Content::pointMap);
    });
    const double naiveLoad = microseconds([&] {
        SpreadMap fresh;
        fresh.setTag(Content::spreadTag(k++ % 6));
        fresh.load(Content::pointMap);
    });
    row("map lookup for a change of spread", keptLoad, naiveLoad);

    bookface view(nullptr);
    int reports = 0;
    QObject::connect(&view, &bookface::setflash2, &view, [&reports] { ++reports; });
    const double change = microseconds([&] { view.loadSpread(); });
    row("loadSpread() with setflash2", change, naiveLoad);

    for (const QSize size : {QSize(910, 580), QSize(1139, 726)}) {
        view.resize(size);
        // Rendered into an image, as the naive paint below is, so both pay the same drawing.
        QImage target(size, QImage::Format_ARGB32_Premultiplied);
        const double repaint = microseconds([&] { view.render(&target); });
        NaivePage naivePage;
        naivePage.resize(size);
        const double naive = microseconds([&] { naivePage.render(&target); });
        const QByteArray what =
            QStringLiteral("repaint at %1 x %2").arg(size.width()).arg(size.height()).toUtf8();
        row(what.constData(), repaint, naive);
    }

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
    const double hit = microseconds([&] {
        x = (x + 37) % 1139;
        const auto point = toSpreadFrame(QPoint(x, (x * 7) % 726), QSize(1139, 726));
        hits += hotspotAt(largest.hotspots(), *point) >= 0;
    });
    std::printf("%-34s %12.3f us  (%s, %lld hotspots)\n", "hit test of one pointer move", hit,
                qPrintable(largest.tag()), static_cast<long long>(most));
    return reports > 0 && hits >= 0 ? 0 : 1;
}

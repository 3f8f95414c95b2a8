// Prints how long the practice's history view takes to open over a unit with 1,000 finished
// passes of 25 words stored (the goal: under 100 ms), from the click to the first paint of
// the view with its chart: once as the first use of the file in a run, which opens it, and
// with the file already open, as after any answer; and the part of it that reads the file.
// Also what writing one answer costs.
//
// build/bench/bench_history [passes]; the file is made in a temporary folder.

#include "progress/history.h"
#include "words/historyview.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

constexpr int words = 25;
constexpr int rounds = 15;

struct Timing
{
    double min = 0;
    double median = 0;
};

// Milliseconds of `work`, the fastest and the median of `rounds` runs after one to warm up.
Timing milliseconds(const std::function<void()> &work)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < rounds; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

void openView(History &history)
{
    HistoryView view(history, 1, QStringLiteral("第一单元"));
    view.show();
    // What the child sees: the whole view with its chart, painted once.
    view.grab();
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int passes = argc > 1 ? std::max(1, std::atoi(argv[1])) : 1000;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("history.sqlite"));

    QElapsedTimer filling;
    filling.start();
    {
        History history("bench", file);
        for (int p = 0; p < passes; ++p) {
            const qint64 pass = history.beginPass(1, words, true);
            for (int i = 0; i < words; ++i) {
                // A few words are hard, and get easier over the passes.
                const bool right = (i * 7 + p) % 11 > (i % 5) + (p * 3) / passes;
                history.recordAnswer(pass, i, QStringLiteral("word%1").arg(i),
                                     right ? QStringLiteral("word%1").arg(i)
                                           : QStringLiteral("wrod%1").arg(i),
                                     right);
            }
            history.finishPass(pass);
        }
    }
    const double answerMs = double(filling.nsecsElapsed()) / 1e6 / (passes * (words + 2));
    std::printf("history of %d passes x %d words written; one write (pass, answer or finish): "
                "%.3f ms on average\n",
                passes, words, answerMs);

    const Timing first = milliseconds([&] {
        History history("bench", file);
        openView(history);
    });
    History open("bench", file);
    open.isAvailable();
    const Timing again = milliseconds([&] { openView(open); });
    const Timing reading = milliseconds([&] {
        open.passes(1);
        open.mostOftenWrong(1, HistoryView::listedWords);
    });

    std::printf("history view open to first paint, ms (min / median of %d):\n", rounds);
    std::printf("  first use of the file in a run: %.1f / %.1f\n", first.min, first.median);
    std::printf("  file already open:              %.1f / %.1f\n", again.min, again.median);
    std::printf("  of which reading the passes and the words most often wrong: %.1f / %.1f\n",
                reading.min, reading.median);
    return 0;
}

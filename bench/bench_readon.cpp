// Read on as a child hears it: the silence between two sentences at the sound server against
// the silence between them in the recording. Goal: the recording's own gap, within 20 ms.
//
// A private PulseAudio server with a null sink whose monitor is recorded (tests/soundserver.h)
// hears the page view read on through a spread of sentences with gaps from 50 ms to 1.5 s
// between them, several times. The recording is loud outside the sentences, so anything read
// from outside them shows as well.
//
// Usage: build/bench/bench_readon [rounds]   (default 5; needs pulseaudio and pulseaudio-utils)

#include "book/bookface.h"

#include "heard.h"
#include "soundserver.h"
#include "tone.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int loud = 24000;
// Alternate levels, so that two sentences are told apart even where little lies between.
constexpr int levels[] = {3000, 9000};
constexpr int sentenceMs = 700;
const QList<int> gapsMs{50, 100, 200, 300, 500, 800, 1000, 1500};

struct Book
{
    QList<std::pair<int, int>> recording;
    QByteArray map;
};

// One spread: a sentence, then for each gap loud sound of that length and the next sentence.
Book makeBook()
{
    Book book;
    book.recording.append({500, loud});
    QByteArray hotspots;
    int at = 500;
    for (qsizetype i = 0; i <= gapsMs.size(); ++i) {
        if (i > 0) {
            book.recording.append({gapsMs[i - 1], loud});
            at += gapsMs[i - 1];
        }
        book.recording.append({sentenceMs, levels[i % 2]});
        hotspots += QStringLiteral(R"(<N_%1 LEFT="10" TOP="%2" RIGHT="300" BOTTOM="%3" )"
                                   R"(STARTTIME="%4" ENDTIME="%5" TEXT="s%1"/>)")
                        .arg(i)
                        .arg(10 + 40 * i)
                        .arg(40 + 40 * i)
                        .arg(at)
                        .arg(at + sentenceMs)
                        .toUtf8();
        at += sentenceMs;
    }
    book.recording.append({500, loud});
    book.map = "\xEF\xBB\xBF<Book><P2-3><NO m=\"" + QByteArray::number(gapsMs.size() + 1) +
               "\" FLASH=\"0\"/>" + hotspots + "</P2-3></Book>";
    return book;
}

QString figures(QList<qint64> values)
{
    if (values.isEmpty())
        return QStringLiteral("none");
    std::sort(values.begin(), values.end());
    return QStringLiteral("min %1, median %2, max %3")
        .arg(values.first())
        .arg(values[values.size() / 2])
        .arg(values.last());
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, atoi(argv[1])) : 5;

    QTemporaryDir dir;
    const Book book = makeBook();
    QDir(dir.path()).mkpath(QStringLiteral("frequency"));
    if (!writeLevels(Content::spreadAudio(dir.path(), 1), book.recording)) {
        std::fprintf(stderr, "cannot write the recording\n");
        return 1;
    }
    QFile map(dir.filePath(QStringLiteral("map.xml")));
    if (!map.open(QIODevice::WriteOnly) || map.write(book.map) != book.map.size()) {
        std::fprintf(stderr, "cannot write the map\n");
        return 1;
    }
    map.close();

    SoundServer server;
    if (const QString problem = server.start(); !problem.isEmpty()) {
        std::fprintf(stderr, "no private sound server: %s\n", qPrintable(problem));
        return 1;
    }

    Content::Sources sources{map.fileName()};
    sources.contentDir = dir.path();
    sources.lastSpread = 1;
    bookface view(nullptr, AudioPlayer::factory(), sources);

    QList<qint64> errors;
    QMap<int, QList<qint64>> errorsByGap;
    int leaks = 0;
    int incomplete = 0;
    for (int round = 0; round < rounds; ++round) {
        const qint64 mark = server.mark();
        view.readOnButton();
        if (!QTest::qWaitFor([&] { return !view.readingOn(); }, 60000)) {
            std::fprintf(stderr, "read on did not come to the end of the spread\n");
            return 1;
        }
        QTest::qWait(500);
        const QList<Stretch> heard =
            stretchesIn(server.recordedSince(mark, server.mark()), SoundServer::rate, 30);
        leaks += int(std::count_if(heard.begin(), heard.end(),
                                   [](const Stretch &s) { return s.peak > (9000 + loud) / 2; }));
        if (heard.size() != gapsMs.size() + 1) {
            std::printf("round %d: %lld sounds heard\n", round + 1, qlonglong(heard.size()));
            ++incomplete;
            continue;
        }
        for (qsizetype i = 0; i < gapsMs.size(); ++i) {
            const qint64 error = heard[i + 1].startMs - heard[i].endMs - gapsMs[i];
            errors << error;
            errorsByGap[gapsMs[i]] << error;
        }
    }

    std::printf("Read on at a private sound server: %d rounds of %lld sentences of %d ms\n", rounds,
                qlonglong(gapsMs.size() + 1), sentenceMs);
    std::printf("heard gap minus the recording's gap, all gaps: %s ms (goal: within 20 ms)\n",
                qPrintable(figures(errors)));
    for (auto it = errorsByGap.cbegin(); it != errorsByGap.cend(); ++it)
        std::printf("  gap %4d ms: %s ms\n", it.key(), qPrintable(figures(it.value())));
    std::printf("rounds not heard as %lld sentences: %d; sounds from outside the sentences: %d\n",
                qlonglong(gapsMs.size() + 1), incomplete, leaks);
    return 0;
}

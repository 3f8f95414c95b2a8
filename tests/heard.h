#pragma once

#include <QByteArrayView>
#include <QList>
#include <QtEndian>

#include <algorithm>
#include <cstdlib>

// What a stretch of a recording at a sound server held, read in 1 ms steps by their peak:
// where sound began, how long it lasted, the longest silence inside it, and how much of it was
// louder than the sound that should have been heard (a neighbouring sentence, or the loud
// surroundings of a test recording).
struct Heard
{
    qint64 onsetMs = -1; // the first step with sound, from the start of the stretch
    qint64 spanMs = 0;   // from the first step with sound to the last
    qint64 longestGapMs = 0;
    qint64 louderMs = 0;

    // `samples`: mono 16-bit at `rate`; `amplitude`: the peak of the sound expected.
    static Heard in(QByteArrayView samples, int rate, int amplitude)
    {
        constexpr int silence = 600;
        const qsizetype step = rate / 1000;
        Heard heard;
        qint64 last = -1;
        qint64 gap = 0;
        for (qsizetype at = 0, ms = 0; (at + step) * 2 <= samples.size(); at += step, ++ms) {
            int peak = 0;
            for (qsizetype i = at; i < at + step; ++i)
                peak = std::max(peak,
                                std::abs(int(qFromLittleEndian<qint16>(samples.data() + 2 * i))));
            if (peak < silence) {
                ++gap;
                continue;
            }
            if (heard.onsetMs < 0)
                heard.onsetMs = ms;
            else
                heard.longestGapMs = std::max(heard.longestGapMs, gap);
            gap = 0;
            last = ms;
            if (peak > amplitude * 3 / 2)
                ++heard.louderMs;
        }
        if (heard.onsetMs >= 0)
            heard.spanMs = last - heard.onsetMs + 1;
        return heard;
    }
};

// One stretch of sound in a recording: where it began and ended, in ms from the start of the
// recording, and its loudest 1 ms step.
struct Stretch
{
    qint64 startMs = 0;
    qint64 endMs = 0;
    int peak = 0;
};

// The stretches of sound in `samples` (mono 16-bit at `rate`), read in 1 ms steps by their
// peak; a silence shorter than `bridgeMs` does not part two stretches.
inline QList<Stretch> stretchesIn(QByteArrayView samples, int rate, qint64 bridgeMs = 20)
{
    constexpr int silence = 600;
    const qsizetype step = rate / 1000;
    QList<Stretch> stretches;
    for (qsizetype at = 0, ms = 0; (at + step) * 2 <= samples.size(); at += step, ++ms) {
        int peak = 0;
        for (qsizetype i = at; i < at + step; ++i)
            peak = std::max(peak, std::abs(int(qFromLittleEndian<qint16>(samples.data() + 2 * i))));
        if (peak < silence)
            continue;
        if (stretches.isEmpty() || ms - stretches.last().endMs > bridgeMs)
            stretches.append({ms, ms + 1, peak});
        stretches.last().endMs = ms + 1;
        stretches.last().peak = std::max(stretches.last().peak, peak);
    }
    return stretches;
}

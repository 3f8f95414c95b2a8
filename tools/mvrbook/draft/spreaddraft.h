#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The programs a draft speaks and decodes with, as paths.
struct DraftPrograms
{
    QString ffmpeg;
    QString espeak;
};

// A hotspot as drafted: where its English stands and where it is heard, for the author to
// check and correct.
struct DraftHotspot
{
    enum Timing {
        Untimed,   // the contents, or a spread without a usable recording
        Found,     // heard where the reading order puts it
        Reordered, // heard, but out of the reading order
        Missing,   // the recording does not say it
    };
    QRect rect; // in the 910 x 580 frame
    QString english;
    int startTime = -1; // ms; -1 without a segment
    int endTime = -1;
    Timing timing = Untimed;
    double confidence = 0;     // 0 ... 1: the lower of how surely it was read and heard
    double readConfidence = 0; // the recognition's alone
};

struct SpreadDraft
{
    QList<DraftHotspot> hotspots; // heard ones in the order heard, then the others
    QStringList problems;         // what kept the draft from being whole, for the author
    qint64 elapsedMs = 0;         // how long drafting it took
};

// Drafts the hotspots of one spread from its page image and, where `recordingPath` is not
// empty, its recording. Never fails as a whole: what it cannot do is said in `problems`.
SpreadDraft draftSpread(const QString &imagePath, const QString &recordingPath,
                        const DraftPrograms &programs);

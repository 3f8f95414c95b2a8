#pragma once

#include <QString>

#include <optional>
#include <vector>

class MeasureCache;

// How loud a recording is over time, in steps of 10 ms: enough to tell how long it is and
// whether a stretch of it is silent. Measured once per file and kept, since decoding a book's
// recordings is what a check spends its time on.
class Loudness
{
public:
    static constexpr int stepMs = 10;
    // Quieter than this (dB below full scale, over 10 ms) is silence: a room's hiss, not speech.
    static constexpr double silenceDb = -45.0;

    // Decodes the file with ffmpeg; nothing, with ffmpeg's reason, when it cannot be decoded.
    // A measurement the cache kept for the file as it is now is used instead.
    static std::optional<Loudness> measure(const QString &ffmpeg, const QString &path,
                                           const MeasureCache &cache, QString *error);
    // From mono 16-bit samples at `sampleRate`.
    static Loudness fromSamples(const qint16 *samples, qsizetype count, int sampleRate);

    qint64 durationMs() const { return m_durationMs; }
    // The level of the loudest 10 ms between the two times, in dB below full scale; -inf
    // when the stretch is empty or silent throughout.
    double loudestDb(qint64 fromMs, qint64 toMs) const;
    bool isSilent(qint64 fromMs, qint64 toMs) const { return loudestDb(fromMs, toMs) < silenceDb; }

private:
    qint64 m_durationMs = 0;
    std::vector<float> m_rms; // per step, 0 ... 1
};

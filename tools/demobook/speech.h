#pragma once

#include "tools/demobook/tools.h"

#include <QString>

#include <vector>

// Mono 16-bit PCM at the rate espeak-ng speaks in. Plain WAV keeps seeking exact to the
// millisecond, which the segment playback relies on.
inline constexpr int sampleRate = 22050;

using Samples = std::vector<qint16>;

inline int samplesForMs(qint64 ms)
{
    return static_cast<int>(ms * sampleRate / 1000);
}

inline int msForSamples(qint64 count)
{
    return static_cast<int>(count * 1000 / sampleRate);
}

// Reads the samples of a mono 16-bit PCM WAV file at sampleRate, or fails.
Samples readWav(const QString &path);
void writeWav(const QString &path, const Samples &samples);

// A recording being put together: silence with speech placed at given times.
class Track
{
public:
    explicit Track(int lengthMs);

    // Places the sound at the given time, mixing with what is there already.
    void place(int atMs, const Samples &sound);
    const Samples &samples() const { return m_samples; }

private:
    Samples m_samples;
};

// Speaks English with espeak-ng, trims the silence around it and evens its loudness with sox.
class Speech
{
public:
    Speech(const Tools &tools, const QString &workDir);

    // The spoken text, no longer than maxMs: the voice speaks faster where the time is short.
    // `where` names the text in the note printed when it had to be sped up.
    Samples say(const QString &text, const QString &voice, int maxMs, const QString &where);

    int spedUp() const { return m_spedUp; }

private:
    Samples synthesise(const QString &text, const QString &voice, int wordsPerMinute);

    const Tools &m_tools;
    QString m_raw;
    QString m_trimmed;
    int m_spedUp = 0;
};

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

// Speech as the draft works on it: mono samples at 16 kHz (Mfcc::sampleRate), -1 ... 1.
using Speech = std::vector<float>;

// Decodes a recording with ffmpeg: the file at `path`, or, with `path` "-", the bytes of
// `input`. Nothing, with the reason, when it cannot be decoded or holds no sound.
std::optional<Speech> decodeSpeech(const QString &ffmpeg, const QString &path, QString *error,
                                   const QByteArray &input = {});

// The text spoken by espeak-ng in its plain American voice, decoded as above.
std::optional<Speech> synthesizeSpeech(const QString &espeak, const QString &ffmpeg,
                                       const QString &text, QString *error);

// Where a recording speaks and where it pauses, in frames of 10 ms. The level that counts as
// speech is set by the recording itself, between its quiet floor and its loud speech, so a
// steady hiss or hum is a pause and not speech.
class Voicing
{
public:
    static constexpr int frameMs = 10;

    explicit Voicing(const Speech &speech);

    // A recording of silence or a steady noise: nothing in it stands out as speech.
    bool holdsSpeech() const { return m_holdsSpeech; }
    int frames() const { return int(m_voiced.size()); }
    bool voiced(int frame) const { return m_voiced[size_t(frame)]; }
    // The stretches of speech, [begin, end) in frames, pauses shorter than a short breath
    // closed, clicks shorter than a syllable left out.
    const std::vector<std::pair<int, int>> &stretches() const { return m_stretches; }

private:
    std::vector<bool> m_voiced;
    std::vector<std::pair<int, int>> m_stretches;
    bool m_holdsSpeech = false;
};

// The stretch of `speech` from its first to its last voiced frame, to drop the silence a
// synthesiser leaves around its words.
Speech trimSilence(const Speech &speech);

#include "tools/mvrbook/draft/sound.h"

#include "tools/common/process.h"
#include "tools/mvrbook/draft/mfcc.h"

#include <algorithm>
#include <cmath>

namespace {

// Recordings that take longer than this to decode are taken as hung.
constexpr int decodeTimeoutMs = 120000;
// Pauses shorter than this inside speech are a stop consonant, not a pause.
constexpr int shortestPauseMs = 80;
// Voiced stretches shorter than this are a click or a breath.
constexpr int shortestSpeechMs = 40;

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return 0;
    const auto at = values.begin() + std::ptrdiff_t(share * double(values.size() - 1));
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

} // namespace

std::optional<Speech> decodeSpeech(const QString &ffmpeg, const QString &path, QString *error,
                                   const QByteArray &input)
{
    const ProcessResult decoded =
        runProcess(ffmpeg,
                   {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                    QStringLiteral("-map"), QStringLiteral("0:a:0"), QStringLiteral("-ac"),
                    QStringLiteral("1"), QStringLiteral("-ar"), QString::number(Mfcc::sampleRate),
                    QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")},
                   input, decodeTimeoutMs);
    if (!decoded.ok) {
        *error = decoded.error;
        return std::nullopt;
    }
    if (decoded.output.size() < 2) {
        *error = QStringLiteral("holds no sound");
        return std::nullopt;
    }
    Speech speech(size_t(decoded.output.size() / 2));
    const auto *bytes = reinterpret_cast<const unsigned char *>(decoded.output.constData());
    for (size_t n = 0; n < speech.size(); ++n) {
        const auto sample = std::int16_t(bytes[2 * n] | (bytes[2 * n + 1] << 8));
        speech[n] = float(sample) / 32768.0f;
    }
    return speech;
}

std::optional<Speech> synthesizeSpeech(const QString &espeak, const QString &ffmpeg,
                                       const QString &text, QString *error)
{
    const ProcessResult spoken = runProcess(
        espeak, {QStringLiteral("-v"), QStringLiteral("en-us"), QStringLiteral("--stdout"), text},
        {}, decodeTimeoutMs);
    if (!spoken.ok) {
        *error = spoken.error;
        return std::nullopt;
    }
    // espeak-ng writes mono 16-bit WAV at its own rate; read here and brought to 16 kHz by
    // linear interpolation, which is plenty for features of 25 ms, rather than by one more
    // program run for every sentence.
    const QByteArray &wav = spoken.output;
    const qsizetype data = wav.indexOf("data");
    if (!wav.startsWith("RIFF") || wav.size() < 44 || data < 0 || data + 8 > wav.size())
        return decodeSpeech(ffmpeg, QStringLiteral("-"), error, wav);
    const auto *bytes = reinterpret_cast<const unsigned char *>(wav.constData());
    const auto channels = int(bytes[22] | (bytes[23] << 8));
    const auto rate = int(bytes[24] | (bytes[25] << 8) | (bytes[26] << 16) | (bytes[27] << 24));
    const auto bits = int(bytes[34] | (bytes[35] << 8));
    if (channels != 1 || bits != 16 || rate <= 0)
        return decodeSpeech(ffmpeg, QStringLiteral("-"), error, wav);
    const unsigned char *samples = bytes + data + 8;
    const qsizetype count = (wav.size() - data - 8) / 2;
    const auto sampleAt = [samples](qsizetype n) {
        return float(std::int16_t(samples[2 * n] | (samples[2 * n + 1] << 8))) / 32768.0f;
    };
    Speech speech;
    const double step = double(rate) / Mfcc::sampleRate;
    for (double at = 0; at + 1 < double(count); at += step) {
        const auto n = qsizetype(at);
        const auto share = float(at - double(n));
        speech.push_back(sampleAt(n) * (1.0f - share) + sampleAt(n + 1) * share);
    }
    if (speech.empty()) {
        *error = QStringLiteral("espeak-ng said nothing");
        return std::nullopt;
    }
    return speech;
}

Voicing::Voicing(const Speech &speech)
{
    constexpr int step = Mfcc::sampleRate * frameMs / 1000;
    std::vector<double> levels;
    for (size_t at = 0; at + step <= speech.size(); at += step) {
        double sum = 0;
        for (size_t n = at; n < at + step; ++n)
            sum += double(speech[n]) * speech[n];
        levels.push_back(10.0 * std::log10(sum / step + 1e-12));
    }
    const double floor = percentile(levels, 0.05);
    const double loud = percentile(levels, 0.95);
    // Speech stands well above its room: a recording whose loud part does not is silence or
    // a steady noise.
    m_holdsSpeech = loud > -50.0 && loud - floor > 15.0;
    const double threshold = std::max(floor + 0.3 * (loud - floor), loud - 40.0);
    m_voiced.resize(levels.size());
    for (size_t n = 0; n < levels.size(); ++n)
        m_voiced[n] = m_holdsSpeech && levels[n] > threshold;

    std::vector<std::pair<int, int>> runs;
    for (int n = 0; n < frames();) {
        if (!m_voiced[size_t(n)]) {
            ++n;
            continue;
        }
        int end = n;
        while (end < frames() && m_voiced[size_t(end)])
            ++end;
        if (!runs.empty() && n - runs.back().second < shortestPauseMs / frameMs)
            runs.back().second = end;
        else
            runs.emplace_back(n, end);
        n = end;
    }
    for (const auto &run : runs)
        if (run.second - run.first >= shortestSpeechMs / frameMs)
            m_stretches.push_back(run);
}

Speech trimSilence(const Speech &speech)
{
    const Voicing voicing(speech);
    if (voicing.stretches().empty())
        return speech;
    constexpr int step = Mfcc::sampleRate * Voicing::frameMs / 1000;
    // A frame of margin keeps the soft start of a first consonant.
    const size_t begin = size_t(std::max(0, voicing.stretches().front().first - 1)) * step;
    const size_t end =
        std::min(speech.size(), size_t(voicing.stretches().back().second + 1) * step);
    return Speech(speech.begin() + std::ptrdiff_t(begin), speech.begin() + std::ptrdiff_t(end));
}

#include "tools/demobook/speech.h"

#include <QDataStream>
#include <QFile>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

// A child's pace: slower than espeak-ng's default of 175 words a minute.
constexpr int calmPace = 145;
constexpr int fastestPace = 400;

quint32 readLe32(const QByteArray &data, qsizetype at)
{
    const auto *b = reinterpret_cast<const uchar *>(data.constData() + at);
    return quint32(b[0]) | quint32(b[1]) << 8 | quint32(b[2]) << 16 | quint32(b[3]) << 24;
}

quint16 readLe16(const QByteArray &data, qsizetype at)
{
    const auto *b = reinterpret_cast<const uchar *>(data.constData() + at);
    return quint16(b[0] | b[1] << 8);
}

} // namespace

Samples readWav(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    const auto bad = [&](const QString &why) {
        return Failure(QStringLiteral("%1: %2").arg(path, why));
    };
    if (data.size() < 12 || !data.startsWith("RIFF") || data.mid(8, 4) != "WAVE")
        throw bad(QStringLiteral("not a WAV file"));
    bool formatSeen = false;
    qsizetype at = 12;
    while (at + 8 <= data.size()) {
        const QByteArray id = data.mid(at, 4);
        // espeak-ng writing to a file it cannot seek leaves the sizes at their maximum.
        qsizetype size = readLe32(data, at + 4);
        const qsizetype body = at + 8;
        if (size > data.size() - body)
            size = data.size() - body;
        if (id == "fmt ") {
            if (size < 16 || readLe16(data, body) != 1 || readLe16(data, body + 2) != 1 ||
                readLe32(data, body + 4) != quint32(sampleRate) || readLe16(data, body + 14) != 16)
                throw bad(QStringLiteral("not mono 16-bit PCM at %1 Hz").arg(sampleRate));
            formatSeen = true;
        } else if (id == "data") {
            if (!formatSeen)
                throw bad(QStringLiteral("data before format"));
            Samples samples(static_cast<size_t>(size / 2));
            for (size_t n = 0; n < samples.size(); ++n)
                samples[n] =
                    static_cast<qint16>(readLe16(data, body + static_cast<qsizetype>(2 * n)));
            return samples;
        }
        at = body + size + (size & 1);
    }
    throw bad(QStringLiteral("no sound data"));
}

void writeWav(const QString &path, const Samples &samples)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw Failure(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    const quint32 dataBytes = static_cast<quint32>(samples.size() * 2);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + dataBytes);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(sampleRate) << quint32(sampleRate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << dataBytes;
    for (const qint16 sample : samples)
        out << sample;
    if (out.status() != QDataStream::Ok || !file.flush())
        throw Failure(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

Track::Track(int lengthMs)
    : m_samples(static_cast<size_t>(samplesForMs(lengthMs)), 0)
{}

void Track::place(int atMs, const Samples &sound)
{
    const size_t start = static_cast<size_t>(samplesForMs(atMs));
    if (start + sound.size() > m_samples.size())
        m_samples.resize(start + sound.size(), 0);
    for (size_t n = 0; n < sound.size(); ++n) {
        const int mixed = m_samples[start + n] + sound[n];
        m_samples[start + n] = static_cast<qint16>(std::clamp(mixed, -32768, 32767));
    }
}

Speech::Speech(const Tools &tools, const QString &workDir)
    : m_tools(tools)
    , m_raw(workDir + QStringLiteral("/speech.wav"))
    , m_trimmed(workDir + QStringLiteral("/trimmed.wav"))
{}

Samples Speech::synthesise(const QString &text, const QString &voice, int wordsPerMinute)
{
    // The text goes in on stdin so that nothing in it can be taken for an option.
    runTool(m_tools.espeak,
            {QStringLiteral("-v"), voice, QStringLiteral("-s"), QString::number(wordsPerMinute),
             QStringLiteral("-w"), m_raw, QStringLiteral("--stdin")},
            text.toUtf8());
    // Cut the silence espeak-ng leaves before and after the words, so that the words start
    // where they are placed, and bring every sentence to the same loudness.
    // Without dither the same text gives the same samples, so a book written again unchanged
    // is not converted again by mvrbook.
    runTool(m_tools.sox, {QStringLiteral("--no-dither"),
                          m_raw,
                          QStringLiteral("-b"),
                          QStringLiteral("16"),
                          m_trimmed,
                          QStringLiteral("silence"),
                          QStringLiteral("1"),
                          QStringLiteral("0.01"),
                          QStringLiteral("0.3%"),
                          QStringLiteral("reverse"),
                          QStringLiteral("silence"),
                          QStringLiteral("1"),
                          QStringLiteral("0.01"),
                          QStringLiteral("0.3%"),
                          QStringLiteral("reverse"),
                          QStringLiteral("gain"),
                          QStringLiteral("-n"),
                          QStringLiteral("-2"),
                          QStringLiteral("rate"),
                          QString::number(sampleRate)});
    return readWav(m_trimmed);
}

Samples Speech::say(const QString &text, const QString &voice, int maxMs, const QString &where)
{
    int pace = calmPace;
    Samples sound = synthesise(text, voice, pace);
    while (msForSamples(static_cast<qint64>(sound.size())) > maxMs && pace < fastestPace) {
        const double over =
            double(msForSamples(static_cast<qint64>(sound.size()))) / std::max(maxMs, 1);
        pace = std::min(fastestPace, static_cast<int>(std::ceil(pace * over * 1.05)));
        sound = synthesise(text, voice, pace);
    }
    const int length = msForSamples(static_cast<qint64>(sound.size()));
    if (pace != calmPace) {
        ++m_spedUp;
        QTextStream(stdout) << QStringLiteral(
                                   "mvrdemo:   %1 spoken at %2 words a minute to fit %3 ms\n")
                                   .arg(where)
                                   .arg(pace)
                                   .arg(maxMs);
    }
    if (length > maxMs) {
        throw Failure(
            QStringLiteral("%1: \"%2\" takes %3 ms even spoken fast; its segment leaves %4 ms")
                .arg(where, text)
                .arg(length)
                .arg(maxMs));
    }
    return sound;
}

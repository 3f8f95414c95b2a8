#include "media/wavfile.h"

#include <QtEndian>

#include <cstring>

namespace {

constexpr quint16 formatPcm = 1;
constexpr quint16 formatFloat = 3;
constexpr quint16 formatExtensible = 0xFFFE;

quint16 u16(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint16>(bytes.data() + at);
}

quint32 u32(QByteArrayView bytes, qsizetype at)
{
    return qFromLittleEndian<quint32>(bytes.data() + at);
}

struct Fmt
{
    quint16 encoding = 0;
    int channels = 0;
    int rate = 0;
    int bits = 0;
};

std::optional<Fmt> readFmt(QByteArrayView chunk)
{
    if (chunk.size() < 16)
        return std::nullopt;
    Fmt fmt{u16(chunk, 0), u16(chunk, 2), int(u32(chunk, 4)), u16(chunk, 14)};
    if (fmt.encoding == formatExtensible) {
        // The sub-format GUID starts with the plain format code.
        if (chunk.size() < 26)
            return std::nullopt;
        fmt.encoding = u16(chunk, 24);
    }
    if (fmt.channels < 1 || fmt.channels > 8 || fmt.rate < 1 || fmt.rate > 768000)
        return std::nullopt;
    return fmt;
}

// The sample format a sink takes for these samples, or Unknown.
QAudioFormat::SampleFormat sinkFormat(const Fmt &fmt)
{
    if (fmt.encoding == formatPcm) {
        switch (fmt.bits) {
        case 8:
            return QAudioFormat::UInt8;
        case 16:
            return QAudioFormat::Int16;
        case 24:
        case 32:
            return QAudioFormat::Int32;
        default:
            return QAudioFormat::Unknown;
        }
    }
    if (fmt.encoding == formatFloat && (fmt.bits == 32 || fmt.bits == 64))
        return QAudioFormat::Float;
    return QAudioFormat::Unknown;
}

QByteArray convert(const Fmt &fmt, QByteArrayView samples)
{
    const qsizetype inWidth = fmt.bits / 8;
    const qsizetype count = samples.size() / inWidth;
    if (fmt.bits == 24) {
        QByteArray out(count * 4, Qt::Uninitialized);
        for (qsizetype i = 0; i < count; ++i) {
            const auto *in = reinterpret_cast<const uchar *>(samples.data() + 3 * i);
            const quint32 value = quint32(in[0]) << 8 | quint32(in[1]) << 16 | quint32(in[2]) << 24;
            qToLittleEndian(value, out.data() + 4 * i);
        }
        return out;
    }
    if (fmt.bits == 64) {
        QByteArray out(count * 4, Qt::Uninitialized);
        for (qsizetype i = 0; i < count; ++i) {
            const double value = qFromLittleEndian<double>(samples.data() + 8 * i);
            const float narrow = float(value);
            std::memcpy(out.data() + 4 * i, &narrow, 4);
        }
        return out;
    }
    return samples.toByteArray();
}

} // namespace

namespace Wav {

std::optional<Pcm> parse(QByteArrayView bytes)
{
    if (bytes.size() < 12 || bytes.first(4) != "RIFF" || bytes.sliced(8, 4) != "WAVE")
        return std::nullopt;

    std::optional<Fmt> fmt;
    qsizetype at = 12;
    while (at + 8 <= bytes.size()) {
        const QByteArrayView id = bytes.sliced(at, 4);
        const qsizetype declared = u32(bytes, at + 4);
        const qsizetype body = at + 8;
        // A chunk that claims more than the file holds was cut off: take what is there.
        const qsizetype size = std::min(declared, bytes.size() - body);
        if (id == "fmt ") {
            fmt = readFmt(bytes.sliced(body, size));
        } else if (id == "data") {
            if (!fmt)
                return std::nullopt;
            const QAudioFormat::SampleFormat sampleFormat = sinkFormat(*fmt);
            if (sampleFormat == QAudioFormat::Unknown)
                return std::nullopt;
            const qsizetype frameBytes = qsizetype(fmt->channels) * (fmt->bits / 8);
            const QByteArrayView samples = bytes.sliced(body, size - size % frameBytes);
            Pcm pcm;
            pcm.format.setSampleRate(fmt->rate);
            pcm.format.setChannelCount(fmt->channels);
            pcm.format.setSampleFormat(sampleFormat);
            pcm.data = convert(*fmt, samples);
            return pcm;
        }
        // Chunks are padded to an even length.
        at = body + declared + (declared & 1);
    }
    return std::nullopt;
}

} // namespace Wav

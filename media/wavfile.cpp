#include "media/wavfile.h"

#include <QtEndian>

#include <array>
#include <cstring>

namespace {

constexpr quint16 formatPcm = 1;
constexpr quint16 formatFloat = 3;
constexpr quint16 formatExtensible = 0xFFFE;
// No fmt chunk is longer; a longer one is not read whole.
constexpr qint64 fmtReadLimit = 64;
// What a writer leaves in a data chunk's length when it could not go back to fill it in, or
// when the samples are more than the field can say.
constexpr qint64 unknownLength = 0xFFFFFFFF;
// Metadata that writers append after the samples is small; a data chunk of unknown length is
// searched this far back from the end of the file for it.
constexpr qint64 trailerSearch = 64 * 1024;

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
    qint64 rate = 0;
    int bits = 0;
};

std::optional<Fmt> readFmt(QByteArrayView chunk)
{
    if (chunk.size() < 16)
        return std::nullopt;
    Fmt fmt{u16(chunk, 0), u16(chunk, 2), u32(chunk, 4), u16(chunk, 14)};
    if (fmt.encoding == formatExtensible) {
        // The sub-format GUID starts with the plain format code.
        if (chunk.size() < 26)
            return std::nullopt;
        fmt.encoding = u16(chunk, 24);
    }
    if (fmt.channels < 1 || fmt.channels > Wav::maxChannels || fmt.rate < Wav::minRate ||
        fmt.rate > Wav::maxRate)
        return std::nullopt;
    return fmt;
}

// The sample format a sound server takes for these samples, or Unknown.
QAudioFormat::SampleFormat serverFormat(const Fmt &fmt)
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

// Chunks that writers put after the samples.
bool isTrailerId(QByteArrayView id)
{
    static constexpr std::array ids{"LIST", "id3 ", "ID3 ", "JUNK", "PAD ", "bext", "cue ",
                                    "smpl", "inst", "fact", "acid", "iXML", "_PMX", "DISP"};
    for (const char *known : ids) {
        if (id == QByteArrayView(known, 4))
            return true;
    }
    return false;
}

// Whether the chunks from `at` on in `tail` (which ends at the end of the file) are metadata
// chunks that end exactly where the file does.
bool trailerFrom(QByteArrayView tail, qsizetype at)
{
    while (at + 8 <= tail.size()) {
        if (!isTrailerId(tail.sliced(at, 4)))
            return false;
        const qint64 size = u32(tail, at + 4);
        const qint64 end = at + 8 + size;
        if (end == tail.size() || end + (size & 1) == tail.size())
            return true;
        at = qsizetype(end + (size & 1));
    }
    return false;
}

// The length of the samples of a data chunk at `body` whose length is unknown: up to the
// first metadata chunk that runs exactly to the end of the file, else to the end.
qint64 unknownDataLength(const std::function<QByteArray(qint64, qint64)> &read, qint64 body,
                         qint64 fileSize)
{
    const qint64 tailStart = std::max(body, fileSize - trailerSearch);
    const QByteArray tail = read(tailStart, fileSize - tailStart);
    if (tail.size() != fileSize - tailStart)
        return fileSize - body;
    // Chunks start at even offsets from the samples' start.
    for (qsizetype at = (tailStart - body) & 1; at + 8 <= tail.size(); at += 2) {
        if (trailerFrom(tail, at))
            return tailStart + at - body;
    }
    return fileSize - body;
}

} // namespace

namespace Wav {

std::optional<Layout> readLayout(const std::function<QByteArray(qint64, qint64)> &read,
                                 qint64 fileSize)
{
    const QByteArray head = read(0, 12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.sliced(8, 4) != "WAVE")
        return std::nullopt;

    std::optional<Fmt> fmt;
    qint64 at = 12;
    while (at + 8 <= fileSize) {
        const QByteArray header = read(at, 8);
        if (header.size() < 8)
            return std::nullopt;
        const QByteArrayView id = QByteArrayView(header).first(4);
        const qint64 declared = u32(header, 4);
        const qint64 body = at + 8;
        if (id == "fmt ") {
            fmt = readFmt(read(body, std::min(declared, fmtReadLimit)));
        } else if (id == "data") {
            if (!fmt)
                return std::nullopt;
            const QAudioFormat::SampleFormat sampleFormat = serverFormat(*fmt);
            if (sampleFormat == QAudioFormat::Unknown)
                return std::nullopt;
            Layout layout;
            layout.format.setSampleRate(int(fmt->rate));
            layout.format.setChannelCount(fmt->channels);
            layout.format.setSampleFormat(sampleFormat);
            layout.storedSampleBytes = fmt->bits / 8;
            layout.dataOffset = body;
            const qint64 length = declared != unknownLength && body + declared <= fileSize
                                      ? declared
                                      : unknownDataLength(read, body, fileSize);
            layout.dataBytes = length - length % layout.storedFrameBytes();
            return layout;
        }
        // Chunks are padded to an even length.
        at = body + declared + (declared & 1);
    }
    return std::nullopt;
}

QByteArray toServerSamples(const Layout &layout, QByteArrayView stored)
{
    const int inWidth = layout.storedSampleBytes;
    const qsizetype count = stored.size() / inWidth;
    if (inWidth == 3) {
        QByteArray out(count * 4, Qt::Uninitialized);
        for (qsizetype i = 0; i < count; ++i) {
            const auto *in = reinterpret_cast<const uchar *>(stored.data() + 3 * i);
            const quint32 value = quint32(in[0]) << 8 | quint32(in[1]) << 16 | quint32(in[2]) << 24;
            qToLittleEndian(value, out.data() + 4 * i);
        }
        return out;
    }
    if (inWidth == 8) {
        QByteArray out(count * 4, Qt::Uninitialized);
        for (qsizetype i = 0; i < count; ++i) {
            const double value = qFromLittleEndian<double>(stored.data() + 8 * i);
            const float narrow = float(value);
            std::memcpy(out.data() + 4 * i, &narrow, 4);
        }
        return out;
    }
    return stored.toByteArray();
}

std::optional<Pcm> parse(QByteArrayView bytes)
{
    const auto read = [bytes](qint64 at, qint64 length) {
        if (at >= bytes.size())
            return QByteArray();
        return bytes.sliced(at, std::min(length, bytes.size() - at)).toByteArray();
    };
    const std::optional<Layout> layout = readLayout(read, bytes.size());
    if (!layout)
        return std::nullopt;
    return Pcm{layout->format,
               toServerSamples(*layout, bytes.sliced(layout->dataOffset, layout->dataBytes))};
}

} // namespace Wav

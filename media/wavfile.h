#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QByteArrayView>

#include <functional>
#include <optional>

// Decoded sound: interleaved samples in a format a sound server takes as it is.
struct Pcm
{
    QAudioFormat format;
    QByteArray data;
};

namespace Wav {

// Where a RIFF/WAVE file keeps its samples and how they are stored: integer PCM of 8 to 32
// bits and 32- or 64-bit float, plain or WAVE_FORMAT_EXTENSIBLE. `format` is what a sound
// server is given: 24-bit samples widen to 32 bits and 64-bit floats narrow to 32.
struct Layout
{
    QAudioFormat format;
    int storedSampleBytes = 0;
    qint64 dataOffset = 0;
    qint64 dataBytes = 0; // whole stored frames only

    int storedFrameBytes() const { return storedSampleBytes * format.channelCount(); }
    qint64 frames() const { return storedFrameBytes() ? dataBytes / storedFrameBytes() : 0; }
};

// The sample rates and channel counts a recording may have; anything else is damage.
constexpr int minRate = 4000;
constexpr int maxRate = 384000;
constexpr int maxChannels = 8;

// Reads the layout of a file of `fileSize` bytes through `read(at, length)`, which returns
// fewer bytes than asked for at the end of the file. Nothing for a file that is no WAVE file
// or holds an encoding this does not read (ADPCM, A-law, ...): those go to a general decoder.
// A data chunk that claims more than the file holds (cut short), or 0xFFFFFFFF (a writer that
// could not go back to fill it in, or a recording over 4 GiB) runs to the end of the file,
// less the metadata chunks that a writer appended after it.
std::optional<Layout> readLayout(const std::function<QByteArray(qint64 at, qint64 length)> &read,
                                 qint64 fileSize);

// Stored samples, whole frames of `layout`, as `layout.format` has them.
QByteArray toServerSamples(const Layout &layout, QByteArrayView stored);

// A whole WAVE file in memory.
std::optional<Pcm> parse(QByteArrayView bytes);

} // namespace Wav

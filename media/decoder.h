#pragma once

#include <QAudioFormat>
#include <QByteArrayView>
#include <QtGlobal>

#include <functional>

// Decodes a compressed sound (MP3, AAC, Ogg, FLAC, ... whatever FFmpeg's libraries read) to
// interleaved 16-bit samples at the source's own rate, mono or stereo, far faster than it
// plays. The bytes come through `input`; FFmpeg never opens a path itself, so it never meets
// a FIFO or a device.
namespace Decoder {

struct Input
{
    // Up to `length` bytes from offset `at` on into `into`: fewer only at the end, negative on
    // an error.
    std::function<qint64(char *into, qint64 length, qint64 at)> readAt;
    qint64 size = 0;
};

// Called once with the format, before the first samples; false stops decoding.
using FormatSink = std::function<bool(const QAudioFormat &format)>;
// Called with whole frames as they are decoded; false stops decoding.
using SampleSink = std::function<bool(QByteArrayView samples)>;

// Whether any sample was decoded. A stream that breaks off part way keeps what came before.
bool decode(const Input &input, const FormatSink &format, const SampleSink &samples);

} // namespace Decoder

#pragma once

#include <QAudioFormat>
#include <QByteArrayView>

#include <cstdint>
#include <functional>

// Decodes a compressed sound (MP3, AAC, Ogg, FLAC, ... whatever FFmpeg's libraries read) to
// interleaved 16-bit samples at the source's own rate, mono or stereo, far faster than it
// plays. The bytes come through `input`; FFmpeg never opens a path itself, so it never meets
// a FIFO or a device.
namespace Decoder {

struct Input
{
    // Up to `size` bytes into `into`; 0 at the end, negative on an error.
    std::function<int(uint8_t *into, int size)> read;
    // To `offset` from the start; the size for offset -1; negative on an error.
    std::function<int64_t(int64_t offset)> seek;
};

// Called once with the format, before the first samples; false stops decoding.
using FormatSink = std::function<bool(const QAudioFormat &format)>;
// Called with whole frames as they are decoded; false stops decoding.
using SampleSink = std::function<bool(QByteArrayView samples)>;

// Whether any sample was decoded. A stream that breaks off part way keeps what came before.
bool decode(const Input &input, const FormatSink &format, const SampleSink &samples);

} // namespace Decoder

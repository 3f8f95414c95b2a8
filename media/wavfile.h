#pragma once

#include <QAudioFormat>
#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Decoded sound: interleaved samples in a format an audio sink takes as it is.
struct Pcm
{
    QAudioFormat format;
    QByteArray data;
};

namespace Wav {

// Reads a RIFF/WAVE file's samples straight from its bytes: integer PCM of 8 to 32 bits and
// 32- or 64-bit float, plain or WAVE_FORMAT_EXTENSIBLE. 24-bit samples widen to 32 bits and
// 64-bit floats narrow to 32. A data chunk cut short by a truncated file gives the whole
// frames that are there.
// Nothing for bytes that are no WAVE file or hold an encoding this does not read (ADPCM,
// A-law, ...): those go to a general decoder.
std::optional<Pcm> parse(QByteArrayView bytes);

} // namespace Wav

#pragma once

#include <QDataStream>
#include <QFile>
#include <QList>
#include <QString>

#include <algorithm>
#include <cmath>

// The header of a mono 16-bit PCM WAV file of `samples` samples at `rate`; a length the
// header cannot hold is written as unknown (0xFFFFFFFF).
inline void writeWavHeader(QDataStream &out, int rate, qint64 samples)
{
    const auto field = [](qint64 bytes) { return quint32(std::min<qint64>(bytes, 0xFFFFFFFF)); };
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << field(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << field(samples * 2);
}

// A mono 16-bit PCM WAV file holding a 440 Hz tone of `ms` milliseconds.
inline bool writeTone(const QString &path, int ms)
{
    constexpr int rate = 22050;
    const int samples = rate * ms / 1000;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    writeWavHeader(out, rate, samples);
    for (int i = 0; i < samples; ++i)
        out << qint16(8000 * std::sin(2 * M_PI * 440 * i / rate));
    return out.status() == QDataStream::Ok;
}

// A mono 16-bit PCM WAV file at 48 kHz of 1 kHz tone in stretches of `ms` milliseconds at a
// peak of `amplitude` each, one after the other: a recording whose segments can be told
// apart, and from what lies around them, by their level alone.
inline bool writeLevels(const QString &path, const QList<std::pair<int, int>> &stretches)
{
    constexpr int rate = 48000;
    int samples = 0;
    for (const auto &[ms, amplitude] : stretches)
        samples += rate / 1000 * ms;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    writeWavHeader(out, rate, samples);
    int i = 0;
    for (const auto &[ms, amplitude] : stretches) {
        for (int n = 0; n < rate / 1000 * ms; ++n, ++i)
            out << qint16(amplitude * std::sin(2 * M_PI * 1000 * i / rate));
    }
    return out.status() == QDataStream::Ok;
}

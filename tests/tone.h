#pragma once

#include <QDataStream>
#include <QFile>
#include <QString>

#include <cmath>

// A mono 16-bit PCM WAV file holding a 440 Hz tone of `ms` milliseconds.
inline bool writeTone(const QString &path, int ms)
{
    constexpr int rate = 22050;
    const int samples = rate * ms / 1000;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QDataStream out(&file);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(36 + samples * 2);
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(16) << quint16(1) << quint16(1) << quint32(rate) << quint32(rate * 2)
        << quint16(2) << quint16(16);
    out.writeRawData("data", 4);
    out << quint32(samples * 2);
    for (int i = 0; i < samples; ++i)
        out << qint16(8000 * std::sin(2 * M_PI * 440 * i / rate));
    return out.status() == QDataStream::Ok;
}

#include "tools/mvrbook/loudness.h"

#include "tools/mvrbook/process.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cmath>
#include <limits>

namespace {

// Speech has next to nothing above 4 kHz that a silence test needs, and decoding to 8 kHz
// keeps the samples small.
constexpr int analysisRate = 8000;
constexpr quint32 cacheMagic = 0x4d564c31; // "MVL1"

QString cachePath(const QString &cacheDir, const QString &path)
{
    const QFileInfo info(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(info.absoluteFilePath().toUtf8());
    hash.addData(QByteArray::number(info.size()));
    hash.addData(QByteArray::number(info.lastModified().toMSecsSinceEpoch()));
    return cacheDir + u'/' + QString::fromLatin1(hash.result().toHex()) + QStringLiteral(".loud");
}

} // namespace

Loudness Loudness::fromSamples(const qint16 *samples, qsizetype count, int sampleRate)
{
    Loudness loudness;
    loudness.m_durationMs = qint64(count) * 1000 / sampleRate;
    const qsizetype step = qsizetype(sampleRate) * stepMs / 1000;
    for (qsizetype at = 0; at < count; at += step) {
        const qsizetype end = std::min(count, at + step);
        double sum = 0;
        for (qsizetype n = at; n < end; ++n)
            sum += double(samples[n]) * samples[n];
        loudness.m_rms.push_back(float(std::sqrt(sum / double(end - at)) / 32768.0));
    }
    return loudness;
}

std::optional<Loudness> Loudness::measure(const QString &ffmpeg, const QString &path,
                                          const QString &cacheDir, QString *error)
{
    const QString cached = cacheDir.isEmpty() ? QString() : cachePath(cacheDir, path);
    if (QFile file(cached); !cached.isEmpty() && file.open(QIODevice::ReadOnly)) {
        QDataStream in(&file);
        quint32 magic = 0;
        Loudness loudness;
        in >> magic >> loudness.m_durationMs;
        quint32 steps = 0;
        in >> steps;
        loudness.m_rms.resize(steps);
        for (float &rms : loudness.m_rms)
            in >> rms;
        if (magic == cacheMagic && in.status() == QDataStream::Ok)
            return loudness;
    }

    const ProcessResult decoded = runProcess(
        ffmpeg, {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-i"), path,
                 QStringLiteral("-map"), QStringLiteral("0:a:0"), QStringLiteral("-ac"),
                 QStringLiteral("1"), QStringLiteral("-ar"), QString::number(analysisRate),
                 QStringLiteral("-f"), QStringLiteral("s16le"), QStringLiteral("-")});
    if (!decoded.ok || decoded.output.isEmpty()) {
        *error = decoded.ok ? QStringLiteral("holds no sound") : decoded.error;
        return std::nullopt;
    }
    const Loudness loudness =
        fromSamples(reinterpret_cast<const qint16 *>(decoded.output.constData()),
                    decoded.output.size() / 2, analysisRate);

    if (!cached.isEmpty() && QDir().mkpath(cacheDir)) {
        QSaveFile file(cached);
        if (file.open(QIODevice::WriteOnly)) {
            QDataStream out(&file);
            out << cacheMagic << loudness.m_durationMs << quint32(loudness.m_rms.size());
            for (const float rms : loudness.m_rms)
                out << rms;
            file.commit();
        }
    }
    return loudness;
}

double Loudness::loudestDb(qint64 fromMs, qint64 toMs) const
{
    const qint64 first = std::max<qint64>(0, fromMs / stepMs);
    const qint64 end = std::min<qint64>(qint64(m_rms.size()), (toMs + stepMs - 1) / stepMs);
    float loudest = 0;
    for (qint64 n = first; n < end; ++n)
        loudest = std::max(loudest, m_rms[size_t(n)]);
    return loudest > 0 ? 20.0 * std::log10(loudest) : -std::numeric_limits<double>::infinity();
}

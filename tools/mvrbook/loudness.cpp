#include "tools/mvrbook/loudness.h"

#include "tools/mvrbook/measurecache.h"
#include "tools/mvrbook/process.h"

#include <QDataStream>
#include <QIODevice>

#include <cmath>
#include <limits>

namespace {

// Speech has next to nothing above 4 kHz that a silence test needs, and decoding to 8 kHz
// keeps the samples small.
constexpr int analysisRate = 8000;
const QString cacheKind = QStringLiteral("loudness 1");

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
                                          const MeasureCache &cache, QString *error)
{
    if (const auto kept = cache.find(path, cacheKind)) {
        QDataStream in(*kept);
        in.setFloatingPointPrecision(QDataStream::SinglePrecision);
        Loudness loudness;
        quint32 steps = 0;
        in >> loudness.m_durationMs >> steps;
        loudness.m_rms.resize(steps);
        for (float &rms : loudness.m_rms)
            in >> rms;
        if (in.status() == QDataStream::Ok)
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

    QByteArray kept;
    QDataStream out(&kept, QIODevice::WriteOnly);
    out.setFloatingPointPrecision(QDataStream::SinglePrecision);
    out << loudness.m_durationMs << quint32(loudness.m_rms.size());
    for (const float rms : loudness.m_rms)
        out << rms;
    cache.keep(path, cacheKind, kept);
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

#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <optional>

// A PulseAudio server of the test's own with one null sink, whose monitor is recorded as it
// plays: what the test hears is what a sound server received. Set up before the first player
// is made, because Qt connects to the server once.
class SoundServer
{
public:
    static constexpr int rate = 48000;

    ~SoundServer()
    {
        for (QProcess *process : {&m_recorder, &m_keepAlive})
            process->kill(), process->waitForFinished();
        if (m_started)
            QProcess::execute(QStringLiteral("pulseaudio"), {QStringLiteral("--kill")});
    }

    // Why the server cannot be had here, or nothing when it runs.
    QString start()
    {
        for (const char *tool : {"pulseaudio", "pactl", "pacat", "parec"}) {
            if (QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty())
                return QStringLiteral("%1 is not installed (scripts/setup.sh installs it)")
                    .arg(QString::fromLatin1(tool));
        }
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toUtf8());
        qputenv("PULSE_SERVER",
                QStringLiteral("unix:%1/pulse/native").arg(m_runtime.path()).toUtf8());
        const QString problem = startServer();
        if (!problem.isEmpty())
            return problem;
        QObject::connect(&m_recorder, &QProcess::readyReadStandardOutput, &m_recorder, [this] {
            m_samples += m_recorder.readAllStandardOutput();
            const qint64 origin =
                m_clock.nsecsElapsed() - qint64(m_samples.size() / 2) * 1000000000 / rate;
            m_origin = m_origin ? std::min(*m_origin, origin) : origin;
        });
        m_clock.start();
        // The recorder takes about a second to deliver its first samples.
        if (!QTest::qWaitFor([this] { return m_origin.has_value(); }, 10000))
            return QStringLiteral("the sound server records nothing");
        return {};
    }

    // The server goes away for `downMs` and comes back; recording goes on after it. Whether
    // it came back.
    bool restart(int downMs)
    {
        QProcess::execute(QStringLiteral("pulseaudio"), {QStringLiteral("--kill")});
        for (QProcess *process : {&m_recorder, &m_keepAlive})
            process->waitForFinished(5000);
        QTest::qWait(downMs);
        const qint64 before = m_samples.size();
        if (!startServer().isEmpty())
            return false;
        return QTest::qWaitFor([&] { return m_samples.size() > before; }, 10000);
    }

    // Where the recording stands now, in milliseconds of recorded sound: the recording's own
    // length, so that what is heard after this moment lies after it whatever the recorder's
    // start-up took.
    qint64 mark()
    {
        QCoreApplication::processEvents();
        return qint64(m_samples.size() / 2) * 1000 / rate;
    }

    // The recording from `fromMs` to `toMs` on the scale of mark(): mono 16-bit at `rate`.
    QByteArray recordedSince(qint64 fromMs, qint64 toMs) const
    {
        const qint64 begin = std::min<qint64>(fromMs * rate / 1000, m_samples.size() / 2);
        const qint64 end = std::clamp<qint64>(toMs * rate / 1000, begin, m_samples.size() / 2);
        return m_samples.mid(2 * begin, 2 * (end - begin));
    }

    // Now, on the recording's clock, in milliseconds.
    qint64 now() const { return m_clock.elapsed(); }

    // The first moment in [from, to) ms at which the sink played sound, if any.
    std::optional<qint64> firstSound(qint64 from, qint64 to) const
    {
        const qint64 begin = sampleAt(from);
        const qint64 end = sampleAt(to);
        for (qint64 i = begin; i < end; ++i) {
            if (std::abs(qFromLittleEndian<qint16>(m_samples.constData() + 2 * i)) > 300)
                return (*m_origin + i * 1000000000 / rate) / 1000000;
        }
        return std::nullopt;
    }

    // What the sink played in [from, to) ms: mono 16-bit samples at `rate`.
    QByteArray recorded(qint64 from, qint64 to) const
    {
        return m_samples.mid(2 * sampleAt(from), 2 * (sampleAt(to) - sampleAt(from)));
    }

private:
    QString startServer()
    {
        const int status = QProcess::execute(QStringLiteral("pulseaudio"),
                                             {QStringLiteral("-D"), QStringLiteral("-n"),
                                              QStringLiteral("--exit-idle-time=-1"),
                                              QStringLiteral("--load=module-native-protocol-unix"),
                                              QStringLiteral("--load=module-null-sink sink_name=S"),
                                              QStringLiteral("--load=module-always-sink")});
        if (status != 0)
            return QStringLiteral("pulseaudio would not start");
        m_started = true;
        QProcess::execute(QStringLiteral("pactl"),
                          {QStringLiteral("set-default-sink"), QStringLiteral("S")});

        // A stream of silence keeps the null sink's clock in real time.
        m_keepAlive.start(QStringLiteral("pacat"),
                          {QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                           QStringLiteral("--rate=48000"), QStringLiteral("--channels=1"),
                           QStringLiteral("--latency-msec=10"), QStringLiteral("-d"),
                           QStringLiteral("S"), QStringLiteral("/dev/zero")});
        m_recorder.start(QStringLiteral("parec"),
                         {QStringLiteral("-d"), QStringLiteral("S.monitor"),
                          QStringLiteral("--raw"), QStringLiteral("--format=s16le"),
                          QStringLiteral("--rate=48000"), QStringLiteral("--channels=1"),
                          QStringLiteral("--latency-msec=5")});
        return {};
    }

    // The recorded sample at `ms` on the recording's clock, kept within the recording.
    qint64 sampleAt(qint64 ms) const
    {
        const qint64 at = (ms * 1000000 - *m_origin) * rate / 1000000000;
        return std::clamp<qint64>(at, 0, m_samples.size() / 2);
    }

    QTemporaryDir m_runtime;
    QProcess m_keepAlive;
    QProcess m_recorder;
    QElapsedTimer m_clock;
    QByteArray m_samples;
    std::optional<qint64> m_origin; // ns on m_clock of the first sample
    bool m_started = false;
};

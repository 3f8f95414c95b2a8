#include "media/recorder.h"

#include "media/sound.h"
#include "media/soundoutput.h"

#include <QAudioFormat>

namespace {

// Often enough for a level meter that follows the voice and a play-back that ends on time.
constexpr int pollMs = 20;
// How much longer than it should a recording or a play-back may take before it is ended: a
// sound server starts a stream within a few hundred milliseconds even when busy.
constexpr int lateMs = 2000;

QAudioFormat voiceFormat()
{
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}

} // namespace

Recorder::Recorder(QObject *parent)
    : AbstractRecorder(parent)
    , m_capture(SoundOutput::instance().capture())
    , m_voice(SoundOutput::instance().voice())
    , m_recording(Sound::fromSamples(voiceFormat(), {}))
{
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &Recorder::poll);
}

Recorder::~Recorder() = default;

RecorderFactory Recorder::factory()
{
    return [](QObject *parent) { return new Recorder(parent); };
}

void Recorder::record(qint64 ms)
{
    stop();
    const QAudioFormat format = voiceFormat();
    m_capture->start(format, std::max<qint64>(0, ms) * format.sampleRate() / 1000);
    m_doing = Doing::Recording;
    m_expectedMs = std::max<qint64>(0, ms);
    m_clock.start();
    m_poll.start();
}

void Recorder::playBack()
{
    stop();
    m_voice->start(m_recording, 0, -1);
    m_doing = Doing::PlayingBack;
    m_expectedMs = m_recording->framesAvailable() * 1000 / voiceFormat().sampleRate();
    m_clock.start();
    m_poll.start();
}

void Recorder::stop()
{
    m_poll.stop();
    m_capture->stop();
    m_voice->stop();
    m_doing = Doing::Nothing;
}

void Recorder::poll()
{
    const bool overdue = m_clock.elapsed() > m_expectedMs + lateMs;
    if (m_doing == Doing::PlayingBack) {
        if (!m_voice->finished() && !overdue)
            return;
        stop();
        emit playedBack();
        return;
    }
    Capture::State state = m_capture->state();
    if (state == Capture::State::Recording && overdue) {
        // What the source gave is the recording; a source that gave nothing is no microphone.
        m_capture->stop();
        state = m_capture->state();
    }
    QByteArray samples = state == Capture::State::Done ? m_capture->takeSamples() : QByteArray();
    if (state == Capture::State::Failed || (overdue && samples.isEmpty())) {
        stop();
        m_recording = Sound::fromSamples(voiceFormat(), {});
        emit unavailable();
        return;
    }
    emit level(m_capture->takePeak());
    if (state == Capture::State::Done) {
        stop();
        m_recording = Sound::fromSamples(voiceFormat(), std::move(samples));
        emit recorded();
    }
}

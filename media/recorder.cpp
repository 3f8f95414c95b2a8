#include "media/recorder.h"

#include "media/sound.h"
#include "media/soundoutput.h"

#include <QAudioFormat>

namespace {

// Often enough for a level meter that follows the voice and a play-back that ends on time.
constexpr int pollMs = 20;

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
    m_poll.start();
}

void Recorder::playBack()
{
    stop();
    m_voice->start(m_recording, 0, -1);
    m_doing = Doing::PlayingBack;
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
    if (m_doing == Doing::PlayingBack) {
        if (!m_voice->finished())
            return;
        stop();
        emit playedBack();
        return;
    }
    const Capture::State state = m_capture->state();
    if (state == Capture::State::Failed) {
        stop();
        m_recording = Sound::fromSamples(voiceFormat(), {});
        emit unavailable();
        return;
    }
    emit level(m_capture->takePeak());
    if (state == Capture::State::Done) {
        stop();
        m_recording = Sound::fromSamples(voiceFormat(), m_capture->takeSamples());
        emit recorded();
    }
}

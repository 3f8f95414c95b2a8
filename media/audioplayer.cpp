#include "media/audioplayer.h"

#include "media/sound.h"
#include "media/soundoutput.h"

namespace {

// How often a playing player looks at the server's clock: a sound that ends is reported this
// late at most, and the next one in a chain starts as much later.
constexpr int pollMs = 5;

} // namespace

AudioPlayer::AudioPlayer(QObject *parent)
    : AbstractAudioPlayer(parent)
    , m_voice(SoundOutput::instance().voice())
{
    m_poll.setTimerType(Qt::PreciseTimer);
    m_poll.setInterval(pollMs);
    connect(&m_poll, &QTimer::timeout, this, &AudioPlayer::poll);
}

AudioPlayer::~AudioPlayer() = default;

AudioPlayerFactory AudioPlayer::factory()
{
    return [](QObject *parent) { return new AudioPlayer(parent); };
}

void AudioPlayer::setSource(const QString &path)
{
    stop();
    m_sound = path.isEmpty() ? nullptr : SoundLibrary::instance().sound(path);
}

void AudioPlayer::play()
{
    begin(0, -1);
}

void AudioPlayer::playSegment(qint64 startMs, qint64 endMs)
{
    // A segment that ends before it starts is empty: it ends at once, silently.
    begin(std::max<qint64>(0, startMs), std::max(startMs, endMs));
}

void AudioPlayer::stop()
{
    m_playing = false;
    m_started = false;
    m_poll.stop();
    m_voice->stop();
}

void AudioPlayer::clear()
{
    setSource(QString());
}

qint64 AudioPlayer::currentTime() const
{
    if (!m_playing)
        return 0;
    if (!m_started)
        return m_startMs;
    return m_startMs + m_voice->playedFrames() * 1000 / m_sound->format().sampleRate();
}

AbstractAudioPlayer::State AudioPlayer::state() const
{
    return m_playing ? State::Playing : State::Stopped;
}

void AudioPlayer::prepare(const QString &path)
{
    SoundLibrary::instance().sound(path);
}

void AudioPlayer::begin(qint64 startMs, qint64 endMs)
{
    stop();
    if (!m_sound || m_sound->status() == Sound::Status::Failed)
        return;
    m_playing = true;
    m_startMs = startMs;
    m_endMs = endMs;
    startVoice();
    m_poll.start();
}

bool AudioPlayer::startVoice()
{
    if (m_sound->status() != Sound::Status::Ready)
        return false;
    const qint64 rate = m_sound->format().sampleRate();
    const qint64 first = m_startMs * rate / 1000;
    // A sound still being decoded starts once its first frame is there.
    if (!m_sound->complete() && m_sound->framesAvailable() <= first)
        return false;
    m_voice->start(m_sound, first, m_endMs < 0 ? -1 : m_endMs * rate / 1000);
    m_started = true;
    return true;
}

void AudioPlayer::poll()
{
    if (!m_playing)
        return;
    if (!m_started) {
        // A missing, irregular or undecodable file: silence, and no end to report.
        if (m_sound->status() == Sound::Status::Failed)
            stop();
        else
            startVoice();
        return;
    }
    if (!m_sound->complete())
        m_voice->pump();
    if (m_voice->finished()) {
        // The voice plays out its silence; the next start or stop drops it.
        m_playing = false;
        m_started = false;
        m_poll.stop();
        emit finished();
    }
}

#include "media/audioplayer.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QMediaDevices>

namespace {

// What the sink holds ahead of the sound server: long enough to ride out a page being painted
// on a busy machine (150 ms was not, with two tests and a build on two cores). A start, a seek
// or a stop does not wait for it: the stream is opened full and closed at once.
constexpr qint64 sinkBufferMs = 250;
constexpr int feedIntervalMs = 10;

} // namespace

AudioPlayer::AudioPlayer(QObject *parent)
    : AbstractAudioPlayer(parent)
{
    m_feedTimer.setTimerType(Qt::PreciseTimer);
    m_feedTimer.setInterval(feedIntervalMs);
    connect(&m_feedTimer, &QTimer::timeout, this, &AudioPlayer::feed);
}

AudioPlayer::~AudioPlayer()
{
    stopOutput();
}

AudioPlayerFactory AudioPlayer::factory()
{
    return [](QObject *parent) { return new AudioPlayer(parent); };
}

void AudioPlayer::setSource(const QString &path)
{
    stop();
    if (m_sound)
        disconnect(m_sound.get(), nullptr, this, nullptr);
    m_sound = path.isEmpty() ? nullptr : PcmLibrary::instance().sound(path);
    if (m_sound) {
        // Decoding runs ahead of playing; a start or a feed that waited for samples goes on.
        connect(m_sound.get(), &PcmSound::grew, this, [this] {
            if (m_running)
                feed();
            else
                startOutput();
        });
    }
}

void AudioPlayer::play()
{
    if (m_playing)
        return;
    if (!m_sound || m_sound->status() == PcmSound::Status::Failed)
        return;
    m_playing = true;
    queueStart();
}

void AudioPlayer::stop()
{
    m_playing = false;
    stopOutput();
    m_position = 0;
}

void AudioPlayer::clear()
{
    setSource(QString());
}

void AudioPlayer::seek(qint64 ms)
{
    // A player with nothing it can play stands at 0.
    if (!m_sound || m_sound->status() == PcmSound::Status::Failed)
        return;
    const bool restart = m_running;
    stopOutput();
    m_position = std::max<qint64>(0, ms);
    if (restart)
        startOutput();
}

qint64 AudioPlayer::currentTime() const
{
    return m_playing ? heardMs() : m_position;
}

AbstractAudioPlayer::State AudioPlayer::state() const
{
    return m_playing ? State::Playing : State::Stopped;
}

void AudioPlayer::prepare(const QString &path)
{
    PcmLibrary::instance().sound(path);
}

void AudioPlayer::queueStart()
{
    // The views play, then seek to where a segment starts: starting on the next turn of the
    // event loop lets the seek land first, so not a sample from the wrong place is heard.
    if (m_startQueued)
        return;
    m_startQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_startQueued = false;
            startOutput();
        },
        Qt::QueuedConnection);
}

void AudioPlayer::startOutput()
{
    if (!m_playing || m_running || m_startQueued)
        return;
    if (m_sound->status() == PcmSound::Status::Failed) {
        stop();
        return;
    }
    const qint64 offset = bytesAt(m_position);
    if (offset >= m_sound->data().size()) {
        // Past what is decoded: wait for more, or the media has ended here.
        if (m_sound->status() == PcmSound::Status::Ready)
            finish();
        return;
    }

    // The default output is asked anew each time, so sound follows headphones plugged in.
    const QAudioFormat &format = m_sound->format();
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (!m_sink || m_sink->format() != format || device != m_device) {
        m_device = device;
        m_sink.reset(device.isNull() ? nullptr : new QAudioSink(device, format));
        if (m_sink)
            m_sink->setBufferSize(format.bytesForDuration(sinkBufferMs * 1000));
    }
    m_sinkInput = m_sink ? m_sink->start() : nullptr;
    if (m_sinkInput && m_sink->error() != QAudio::NoError)
        m_sinkInput = nullptr;
    m_written = offset;
    m_clock.start();
    m_running = true;
    feed();
    m_feedTimer.start();
}

void AudioPlayer::stopOutput()
{
    m_feedTimer.stop();
    if (m_running && m_sinkInput)
        m_sink->stop(); // drops what the server has not played yet
    m_sinkInput = nullptr;
    m_running = false;
}

void AudioPlayer::feed()
{
    if (!m_running)
        return;
    const QByteArray &data = m_sound->data();
    const bool decoded = m_sound->status() != PcmSound::Status::Decoding;

    if (m_sinkInput && m_sink->state() == QAudio::StoppedState) {
        // The sound server went away: go on silently on the wall clock from here.
        m_position = heardMs();
        m_sinkInput = nullptr;
        m_clock.start();
    }

    if (m_sinkInput) {
        const int frame = m_sound->format().bytesPerFrame();
        qint64 room = m_sink->bytesFree();
        const qint64 available = data.size() - m_written;
        const qint64 now = std::min(room, available) / frame * frame;
        if (now > 0) {
            m_written += m_sinkInput->write(data.constData() + m_written, now);
            room -= now;
        }
        // Past the end the sink gets silence, so a sound shorter than the sink's buffer
        // starts at all and the last samples are played out rather than left waiting.
        if (decoded && m_written >= data.size() && room >= frame) {
            const char zero =
                m_sound->format().sampleFormat() == QAudioFormat::UInt8 ? '\x80' : '\0';
            m_sinkInput->write(QByteArray(room / frame * frame, zero));
        }
    }

    if (decoded && heardMs() >= m_sound->format().durationForBytes(int(data.size())) / 1000)
        finish();
}

void AudioPlayer::finish()
{
    m_playing = false;
    stopOutput();
    m_position = 0;
    emit finished();
}

qint64 AudioPlayer::heardMs() const
{
    if (!m_running)
        return m_position;
    if (m_sinkInput)
        return m_position + m_sink->processedUSecs() / 1000;
    return m_position + m_clock.elapsed();
}

qint64 AudioPlayer::bytesAt(qint64 ms) const
{
    const QAudioFormat &format = m_sound->format();
    return ms * format.sampleRate() / 1000 * format.bytesPerFrame();
}

#include "media/audioplayer.h"

#include <QUrl>

AudioPlayer::AudioPlayer(QObject *parent)
    : AbstractAudioPlayer(parent)
{
    m_player.setAudioOutput(&m_output);
    connect(&m_player, &QMediaPlayer::seekableChanged, this, &AudioPlayer::applyPendingSeek);
    connect(&m_player, &QMediaPlayer::mediaStatusChanged, this,
            [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::EndOfMedia) {
                    m_pendingSeek = -1;
                    emit finished();
                    return;
                }
                applyPendingSeek();
            });
    // Phonon left a player that cannot play in an error state, never playing; keep to that.
    connect(&m_player, &QMediaPlayer::errorOccurred, this, [this] {
        m_pendingSeek = -1;
        m_player.stop();
    });
}

AudioPlayer::~AudioPlayer()
{
    // Qt 6.4's GStreamer backend can crash when a player is destroyed with its pipeline
    // still holding decoder pads; tearing the pipeline down first keeps it whole meanwhile.
    m_player.stop();
    m_player.setSource(QUrl());
}

AudioPlayerFactory AudioPlayer::factory()
{
    return [](QObject *parent) { return new AudioPlayer(parent); };
}

void AudioPlayer::setSource(const QString &path)
{
    m_pendingSeek = -1;
    if (path.isEmpty())
        m_player.setSource(QUrl());
    else if (path.startsWith(u":/"))
        m_player.setSource(QUrl(QStringLiteral("qrc") + path));
    else
        m_player.setSource(QUrl::fromLocalFile(path));
}

void AudioPlayer::play()
{
    m_player.play();
}

void AudioPlayer::stop()
{
    m_pendingSeek = -1;
    m_player.stop();
}

void AudioPlayer::clear()
{
    stop();
    m_player.setSource(QUrl());
}

void AudioPlayer::seek(qint64 ms)
{
    m_pendingSeek = ms;
    applyPendingSeek();
}

qint64 AudioPlayer::currentTime() const
{
    return m_pendingSeek >= 0 ? m_pendingSeek : m_player.position();
}

AbstractAudioPlayer::State AudioPlayer::state() const
{
    return m_player.playbackState() == QMediaPlayer::PlayingState ? State::Playing : State::Stopped;
}

void AudioPlayer::applyPendingSeek()
{
    if (m_pendingSeek < 0 || !m_player.isSeekable())
        return;
    switch (m_player.mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
        m_player.setPosition(m_pendingSeek);
        m_pendingSeek = -1;
        break;
    default:
        break;
    }
}

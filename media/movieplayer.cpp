#include "media/movieplayer.h"

#include <QFileInfo>
#include <QUrl>

MoviePlayer::MoviePlayer(QWidget *parent)
    : QVideoWidget(parent)
{
    setAspectRatioMode(Qt::IgnoreAspectRatio);
    m_player.setAudioOutput(&m_output);
    m_player.setVideoOutput(this);
    // A movie that cannot be played is not playing: the area just stays empty.
    connect(&m_player, &QMediaPlayer::errorOccurred, &m_player, &QMediaPlayer::stop);
}

MoviePlayer::~MoviePlayer()
{
    // As for the audio players: no pipeline with live decoder pads at destruction.
    m_player.stop();
    m_player.setSource(QUrl());
}

void MoviePlayer::loadMovie(const QString &path)
{
    // A FIFO or a device where a movie should be would hold the player's pipeline, and the
    // program with it, for good; a directory stalls it. Only a regular file is played.
    if (!QFileInfo(path).isFile())
        return;
    m_player.setSource(QUrl::fromLocalFile(path));
    m_player.play();
}

void MoviePlayer::hideEvent(QHideEvent *event)
{
    // Closing the player must silence the movie at once, not when it is destroyed.
    m_player.stop();
    QVideoWidget::hideEvent(event);
}

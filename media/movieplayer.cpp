#include "media/movieplayer.h"

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
    m_player.setSource(QUrl::fromLocalFile(path));
    m_player.play();
}

void MoviePlayer::hideEvent(QHideEvent *event)
{
    // Closing the player must silence the movie at once, not when it is destroyed.
    m_player.stop();
    QVideoWidget::hideEvent(event);
}

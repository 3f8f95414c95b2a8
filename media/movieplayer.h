#pragma once

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QVideoWidget>

// Shows a movie file over its whole area with its sound, from the start as soon as it is
// loaded, until it is hidden or closed. A file that cannot be played leaves the area empty.
class MoviePlayer : public QVideoWidget
{
    Q_OBJECT
public:
    explicit MoviePlayer(QWidget *parent = nullptr);
    ~MoviePlayer() override;

    void loadMovie(const QString &path);
    bool isPlaying() const { return m_player.playbackState() == QMediaPlayer::PlayingState; }
    qint64 position() const { return m_player.position(); }

protected:
    void hideEvent(QHideEvent *event) override;

private:
    QAudioOutput m_output;
    QMediaPlayer m_player;
};

#pragma once

#include "media/abstractaudioplayer.h"

#include <QAudioOutput>
#include <QMediaPlayer>

// AbstractAudioPlayer over Qt Multimedia: one QMediaPlayer with an audio output of its own.
class AudioPlayer : public AbstractAudioPlayer
{
    Q_OBJECT
public:
    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    static AudioPlayerFactory factory();

    void setSource(const QString &path) override;
    void play() override;
    void stop() override;
    void clear() override;
    void seek(qint64 ms) override;
    qint64 currentTime() const override;
    State state() const override;

private:
    void applyPendingSeek();

    QAudioOutput m_output;
    QMediaPlayer m_player;
    // GStreamer drops a seek issued before its pipeline runs (and a resource source can take
    // a second to get there), so a seek waits here until the media says it can take it.
    qint64 m_pendingSeek = -1;
};

#pragma once

#include "media/abstractaudioplayer.h"
#include "media/pcmsound.h"

#include <QAudioDevice>
#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class QAudioSink;
class QIODevice;

// AbstractAudioPlayer that decodes its source once (shared through PcmLibrary) and writes the
// samples itself to an audio sink with a small buffer, from the position asked for.
//
// Chosen by measurement at the sound server, not by taste. Qt 6.4's GStreamer backend writes
// the first samples after a pause late by the length of the pause, so a sentence clicked after
// a few seconds on a page was never heard; its FFmpeg backend was 1.2 s late on every first
// play and started sounds nobody asked for. A sink fed from decoded samples starts within a
// few tens of milliseconds, however long it stood, and stops at once.
//
// Its clock is what the sound server has played. With no sound output at all the player runs
// on the wall clock instead, silently, so that segments still end and sounds still finish.
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
    void prepare(const QString &path) override;

private:
    void queueStart();
    void startOutput();
    void stopOutput();
    void feed();
    void finish();
    qint64 heardMs() const;
    qint64 bytesAt(qint64 ms) const;

    std::shared_ptr<PcmSound> m_sound;
    QAudioDevice m_device;
    std::unique_ptr<QAudioSink> m_sink;
    // The sink's input while it plays; null when there is no sound output and the wall
    // clock stands in.
    QIODevice *m_sinkInput = nullptr;
    QElapsedTimer m_clock;
    QTimer m_feedTimer;
    bool m_playing = false;
    bool m_running = false;
    bool m_startQueued = false;
    // Where the running output started, or where a player that does not run stands.
    qint64 m_position = 0;
    qint64 m_written = 0;
};

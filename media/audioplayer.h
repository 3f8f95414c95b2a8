#pragma once

#include "media/abstractaudioplayer.h"

#include <QTimer>

#include <memory>

class Sound;
class Voice;

// AbstractAudioPlayer on the program's own connection to the sound server: the player hands
// the server exactly the samples of the segment asked for, then silence, and its clock is what
// the server has played. Recordings are opened and read off the GUI thread (Sound); a start
// waits only for the samples it needs.
//
// Chosen by measurement at the sound server, not by taste (README, "Sound"): Qt 6.4's
// GStreamer backend started a sound late by the time the page had been looked at, its
// QAudioSink shrank its buffer at every start until the sound broke up, and a view that polled
// for a segment's end let the next sentence through.
//
// With no sound server the player runs on the wall clock, silently, so that segments still end
// and sounds still finish; when the server comes back the next start is heard.
class AudioPlayer : public AbstractAudioPlayer
{
    Q_OBJECT
public:
    explicit AudioPlayer(QObject *parent = nullptr);
    ~AudioPlayer() override;

    static AudioPlayerFactory factory();

    void setSource(const QString &path) override;
    void play() override;
    void playSegment(qint64 startMs, qint64 endMs) override;
    void stop() override;
    void clear() override;
    qint64 currentTime() const override;
    State state() const override;
    void prepare(const QString &path) override;

private:
    void begin(qint64 startMs, qint64 endMs);
    void poll();
    bool startVoice();

    std::shared_ptr<Sound> m_sound;
    std::unique_ptr<Voice> m_voice;
    QTimer m_poll;
    bool m_playing = false;
    // The voice plays; until then the player waits for its sound to open.
    bool m_started = false;
    qint64 m_startMs = 0;
    qint64 m_endMs = -1;
};

#pragma once

#include "media/abstractrecorder.h"

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

class Capture;
class Sound;
class Voice;

// AbstractRecorder on the program's own connection to the sound server: records the default
// source into memory and plays it back through a voice of its own, as AudioPlayer plays a
// recording.
class Recorder : public AbstractRecorder
{
    Q_OBJECT
public:
    explicit Recorder(QObject *parent = nullptr);
    ~Recorder() override;

    static RecorderFactory factory();

    void record(qint64 ms) override;
    void playBack() override;
    void stop() override;

private:
    void poll();

    enum class Doing { Nothing, Recording, PlayingBack };

    std::unique_ptr<Capture> m_capture;
    std::unique_ptr<Voice> m_voice;
    std::shared_ptr<Sound> m_recording;
    QTimer m_poll;
    Doing m_doing = Doing::Nothing;
    // Since the recording or the play-back started, and how long it should take: a source
    // that stops delivering, or a server that stops playing, must not hold the child's turn.
    QElapsedTimer m_clock;
    qint64 m_expectedMs = 0;
};

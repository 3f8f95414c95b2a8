#pragma once

#include <QObject>

#include <functional>

// What the views need of a microphone, with the semantics they are written against:
// - record(ms) records the default source for that long, sending level() as it goes, then
//   recorded(); without a microphone it sends unavailable() instead, once. A source that
//   stops giving sound ends the recording a little late with what it gave, or, having
//   given nothing, as no microphone;
// - playBack() plays the last recording and sends playedBack() when the sound server has
//   played its last sample, or a little late where the server stopped playing; a recording
//   that could not be made plays as silence at once;
// - stop() ends either at once and sends nothing;
// - every signal comes from the event loop, never from within the call that caused it.
// Recordings are kept in memory only. Recorder is the real one; tests hand the views a
// scripted one.
class AbstractRecorder : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    virtual void record(qint64 ms) = 0;
    virtual void playBack() = 0;
    virtual void stop() = 0;

signals:
    // The loudest of the latest samples, from 0 to 1.
    void level(double peak);
    void recorded();
    void playedBack();
    void unavailable();
};

using RecorderFactory = std::function<AbstractRecorder *(QObject *parent)>;

#pragma once

#include <QObject>
#include <QString>

#include <functional>

// What the views need of a sound player, with the semantics they are written against:
// - setSource() takes an absolute file path or a ":/" resource path and checks nothing;
// - play() plays the whole source, playSegment() the part [start, end) of it, each exactly:
//   the player, not the view, ends a segment where it ends;
// - state() is Playing from play() or playSegment() until stop(), clear() or the end;
// - clear() stops and drops the source, stop() keeps it;
// - finished() is emitted once when the sound server has played the last sample, never on
//   stop() or clear();
// - currentTime() is the position in the source that has been heard.
// AudioPlayer is the real one; tests give the views a scripted player whose clock they drive.
class AbstractAudioPlayer : public QObject
{
    Q_OBJECT
public:
    enum class State { Stopped, Playing };

    using QObject::QObject;

    virtual void setSource(const QString &path) = 0;
    virtual void play() = 0;
    virtual void playSegment(qint64 startMs, qint64 endMs) = 0;
    virtual void stop() = 0;
    virtual void clear() = 0;
    virtual qint64 currentTime() const = 0;
    virtual State state() const = 0;
    // A source this player will be given later: a player that must open or decode first may
    // do so now, so that the sound starts at once when it is asked for.
    virtual void prepare(const QString &path) { Q_UNUSED(path); }

    bool isPlaying() const { return state() == State::Playing; }
    // A player is only ever stopped or cleared while it plays; a stopped one keeps its state.
    void stopIfPlaying()
    {
        if (isPlaying())
            stop();
    }
    void clearIfPlaying()
    {
        if (isPlaying())
            clear();
    }

signals:
    void finished();
};

// Views create their players through a factory so that tests can hand in scripted ones.
using AudioPlayerFactory = std::function<AbstractAudioPlayer *(QObject *parent)>;

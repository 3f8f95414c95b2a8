#pragma once

#include "media/abstractaudioplayer.h"

#include <QList>
#include <QStringList>

#include <algorithm>

// A silent player whose clock the test drives: state changes at once, the position moves
// only by playSegment() or by the test setting it, and finished() is sent by playToEnd().
class ScriptedPlayer : public AbstractAudioPlayer
{
public:
    using AbstractAudioPlayer::AbstractAudioPlayer;

    void setSource(const QString &path) override
    {
        source = path;
        calls << QStringLiteral("setSource ") + path;
    }
    void play() override
    {
        playing = true;
        calls << QStringLiteral("play");
    }
    void stop() override
    {
        playing = false;
        position = 0;
        calls << QStringLiteral("stop");
    }
    void clear() override
    {
        playing = false;
        position = 0;
        source.clear();
        calls << QStringLiteral("clear");
    }
    void playSegment(qint64 startMs, qint64 endMs) override
    {
        playing = true;
        position = startMs;
        calls << QStringLiteral("playSegment %1 %2").arg(startMs).arg(endMs);
    }
    qint64 currentTime() const override { return position; }
    State state() const override { return playing ? State::Playing : State::Stopped; }

    // The media plays to its end.
    void playToEnd()
    {
        playing = false;
        emit finished();
    }

    // How many plays, of the whole source or of a segment, `calls` holds.
    static qsizetype plays(const QStringList &calls)
    {
        return std::count_if(calls.begin(), calls.end(), [](const QString &call) {
            return call == QStringLiteral("play") ||
                   call.startsWith(QStringLiteral("playSegment "));
        });
    }

    QString source;
    qint64 position = 0;
    bool playing = false;
    QStringList calls; // what the view asked, in order
};

// Hands scripted players to a view and keeps them, in the order the view made them.
class ScriptedPlayers
{
public:
    AudioPlayerFactory factory()
    {
        return [this](QObject *parent) {
            auto *player = new ScriptedPlayer(parent);
            made.append(player);
            return player;
        };
    }

    QList<ScriptedPlayer *> made;
};

#pragma once

#include "media/abstractrecorder.h"

#include <QList>
#include <QStringList>

// A recorder without a microphone whose ends the test sends: what the view asked is kept in
// `calls`, and the test says when a recording is made, played back or cannot be made.
class ScriptedRecorder : public AbstractRecorder
{
public:
    using AbstractRecorder::AbstractRecorder;

    void record(qint64 ms) override { calls << QStringLiteral("record %1").arg(ms); }
    void playBack() override { calls << QStringLiteral("playBack"); }
    void stop() override { calls << QStringLiteral("stop"); }

    void hear(double peak) { emit level(peak); }
    void finishRecording() { emit recorded(); }
    void finishPlayingBack() { emit playedBack(); }
    void findNoMicrophone() { emit unavailable(); }

    QStringList calls;
};

// Hands scripted recorders to a view and keeps them, in the order the view made them.
class ScriptedRecorders
{
public:
    RecorderFactory factory()
    {
        return [this](QObject *parent) {
            auto *recorder = new ScriptedRecorder(parent);
            made.append(recorder);
            return recorder;
        };
    }

    QList<ScriptedRecorder *> made;
};

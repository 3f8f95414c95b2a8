#pragma once

#include "tools/common/failure.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

// The programs the demo book is made with. Each is a path, or a bare name looked up on PATH.
struct Tools
{
    QString espeak = QStringLiteral("espeak-ng");
    QString sox = QStringLiteral("sox");
    QString ffmpeg = QStringLiteral("ffmpeg");

    // Resolves every tool to an executable path, or fails naming the first one missing and
    // the Debian package that brings it.
    void resolve();
};

// Runs a tool to its end, feeding it input on stdin. Fails with the tool's own error output
// when it cannot be started, crashes or exits with a non-zero code.
void runTool(const QString &program, const QStringList &arguments, const QByteArray &input = {});

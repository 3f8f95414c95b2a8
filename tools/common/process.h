#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// What a program run to its end left: its standard output, and when it failed, why, in its
// own words where it gave any.
struct ProcessResult
{
    bool ok = false;
    QByteArray output;
    QString error;
};

// Runs a program with these arguments and `input` on its standard input (none when empty),
// and waits for it; one still running after `timeoutMs` (-1: no limit) is killed and failed.
ProcessResult runProcess(const QString &program, const QStringList &arguments,
                         const QByteArray &input = {}, int timeoutMs = -1);

// The executable a tool is given as: an absolute path as it stands, a bare name looked up on
// PATH. Empty when there is no such executable.
QString findProgram(const QString &given);

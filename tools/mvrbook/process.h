#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// What a program run to its end left: its standard output, and when it failed, why, in its
// own words where it gave any.
struct ProcessResult
{
    bool ok = false;
    QByteArray output;
    QString error;
};

// Runs a program with these arguments, with nothing on its standard input, and waits for it.
ProcessResult runProcess(const QString &program, const QStringList &arguments);

// The programs the book is made with, as absolute paths; empty where one is not found.
struct Programs
{
    QString ffmpeg;
    QString rcc;

    // Looks each up: a given path as it is, otherwise ffmpeg on PATH and Qt's own rcc.
    static Programs find(const QString &ffmpeg = {}, const QString &rcc = {});
};

// Runs task(0) ... task(count - 1) on up to `jobs` threads and waits for all of them.
void runParallel(int count, int jobs, const std::function<void(int)> &task);

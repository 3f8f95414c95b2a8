#pragma once

#include "tools/common/process.h"

#include <QString>

#include <functional>

// The programs the book is made with, as absolute paths; empty where one is not found.
struct Programs
{
    QString ffmpeg;
    QString rcc;

    // Looks each up: a given path or name, otherwise ffmpeg on PATH and Qt's own rcc.
    static Programs find(const QString &ffmpeg = {}, const QString &rcc = {});
};

// Runs task(0) ... task(count - 1) on up to `jobs` threads and waits for all of them.
void runParallel(int count, int jobs, const std::function<void(int)> &task);

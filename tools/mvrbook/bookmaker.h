#pragma once

#include "tools/mvrbook/bookcheck.h"
#include "tools/mvrbook/process.h"

#include <QString>
#include <QStringList>

#include <cstdio>

struct MakeOptions
{
    QString outDir;
    // Where make keeps what it made from what and the pages it scaled, so that the content
    // directory holds nothing but what the program reads.
    QString stateDir;
    Programs programs;
    int jobs = 1;
    // Make everything again, even what is up to date.
    bool force = false;
    std::FILE *progress = stderr;
};

struct MakeResult
{
    int made = 0;         // files made this time
    int upToDate = 0;     // files left as they were
    QStringList failures; // what could not be made, and why
};

// Makes a checked book's content files into the output directory, as the program reads them:
// the page-image bundles (both page sizes at 1x and 2x), every audio file as PCM WAV, every
// animation as H.264/AAC MP4. What was made before from the same sources is kept; files it made
// that the book no longer has are removed.
MakeResult makeBook(const QString &folder, const BookPlan &plan, const MakeOptions &options);

#pragma once

#include "tools/mvrbook/description.h"
#include "tools/mvrbook/problems.h"
#include "tools/mvrbook/process.h"

#include <QList>
#include <QString>

#include <cstdio>
#include <map>

// What a checked book is made of, for making its content files: paths relative to the book
// folder, by spread index.
struct BookPlan
{
    QString title;
    int lastSpread = -1;
    // The practice offers units 1 to this: the word list's highest unit it can offer.
    int units = 1;
    QList<int> contents; // by contents entry; -1 for none
    std::map<int, QString> pages;
    // The recording behind each audio file the program plays, frequency<k>.dll by k; the
    // word recording is the audio of the unit vocabulary spread.
    std::map<int, QString> audio;
    // The book's animations, whether or not the map gives them a button yet.
    std::map<int, QString> firstAnimations;
    std::map<int, QString> secondAnimations;
};

struct CheckOptions
{
    // Also decode the media: page images, recordings (lengths, silent segments), animations.
    // Without it, only names, the description and the two lists are checked.
    bool media = true;
    Programs programs;
    // Where what was learned by decoding media is kept between checks; empty for nowhere.
    QString cacheDir;
    int jobs = 1;
    // Where progress is shown; null for nowhere.
    std::FILE *progress = stderr;
};

struct CheckResult
{
    Problems problems;
    BookPlan plan;
};

// Reads everything of the book folder that the program and its content files will be made
// from, as the program will read it, and says what is wrong.
CheckResult checkBook(const QString &folder, const CheckOptions &options);

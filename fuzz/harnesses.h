#pragma once

#include <QByteArrayView>

// What each fuzz harness does with one input. libFuzzer calls them through entry.cpp; the test
// that replays fuzz/regressions calls them in every build. A harness aborts when the readers
// break a promise of theirs; everything else it finds is a crash or a sanitizer report.

// The page hotspot map reader on the input as a map file, through the record the page view
// keeps: a load after the file was rewritten to the same size must equal a fresh record's.
void fuzzMapReader(QByteArrayView input);

// The word list reader on the input as a word list file.
void fuzzWordListReader(QByteArrayView input);

// The page bundle check on the input; a bundle it passes is attached and every resource in it
// is listed and read as Qt would read a page.
void fuzzBundleCheck(QByteArrayView input);

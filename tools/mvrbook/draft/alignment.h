#pragma once

#include "tools/mvrbook/draft/sound.h"

#include <vector>

// Where each sentence of a spread is spoken in the spread's recording, found by aligning the
// recording with the sentences spoken by a synthesiser: their MFCC features matched by dynamic
// time warping, each boundary then moved to the nearest pause of the real recording.
namespace Alignment {

struct Timing
{
    enum Status {
        Found,     // spoken where the reading order puts it
        Reordered, // spoken, but before or after sentences that come earlier or later on the page
        Missing,   // not in the recording; no times
    };
    Status status = Missing;
    int startMs = -1;
    int endMs = -1;
    double confidence = 0; // 0 ... 1: how surely the sentence and its boundaries were found
};

struct Result
{
    std::vector<Timing> timings; // one per sentence, in the order given
    std::vector<int> spoken;     // the sentences found, by index, in the order they are heard
    bool holdsSpeech = true;     // false: the recording is silence or a steady noise
};

// `sentences` are the synthesised sentences in reading order; an empty one could not be
// synthesised and is missing.
Result align(const Speech &recording, const std::vector<Speech> &sentences);

} // namespace Alignment

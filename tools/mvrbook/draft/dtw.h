#pragma once

#include <utility>
#include <vector>

class Mfcc;

// Dynamic time warping between two feature sequences: which frame of one matches which frame
// of the other when both say the same words at their own pace.
namespace Dtw {

struct Path
{
    // Matched frame pairs (frame of a, frame of b), both rising, from (0, 0) to the two last.
    std::vector<std::pair<int, int>> steps;
    double meanCost = 0; // distance per step along the path
};

// The cheapest monotone path through the whole of both sequences; empty when either is empty.
Path align(const Mfcc &a, const Mfcc &b);

// Where a short sequence (a sentence) fits best inside a long one (a recording).
struct Match
{
    int begin = 0; // frames of the long sequence, end exclusive
    int end = 0;
    double meanCost = 0;    // per frame of the short sequence at the best place
    double typicalCost = 0; // the median over all places it could end: what "no match" costs
};

// Subsequence alignment: the whole of `query` against any stretch of `within`.
Match find(const Mfcc &query, const Mfcc &within);

} // namespace Dtw

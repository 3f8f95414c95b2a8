#include "tools/mvrbook/draft/dtw.h"

#include "tools/mvrbook/draft/mfcc.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace Dtw {

namespace {

enum Step : std::uint8_t { Diagonal, Down, Right };

} // namespace

Path align(const Mfcc &a, const Mfcc &b)
{
    Path path;
    const int n = a.frames();
    const int m = b.frames();
    if (n == 0 || m == 0)
        return path;
    constexpr float infinity = std::numeric_limits<float>::infinity();
    // The steps taken are kept for the way back (one byte a cell); the costs only for the row
    // before, which keeps a minute against a minute at some 36 MB.
    std::vector<std::uint8_t> steps(size_t(n) * size_t(m));
    const auto columns = static_cast<size_t>(m);
    std::vector<float> previous(columns, infinity), current(columns);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            const float d = a.distance(i, b, j);
            float best = infinity;
            Step step = Diagonal;
            if (i == 0 && j == 0) {
                best = 0;
            } else {
                if (i > 0 && j > 0 && previous[size_t(j - 1)] < best)
                    best = previous[size_t(j - 1)];
                if (i > 0 && previous[size_t(j)] < best) {
                    best = previous[size_t(j)];
                    step = Down;
                }
                if (j > 0 && current[size_t(j - 1)] < best) {
                    best = current[size_t(j - 1)];
                    step = Right;
                }
            }
            current[size_t(j)] = best + d;
            steps[size_t(i) * size_t(m) + size_t(j)] = step;
        }
        std::swap(previous, current);
    }
    const double total = previous[size_t(m - 1)];
    for (int i = n - 1, j = m - 1;;) {
        path.steps.emplace_back(i, j);
        if (i == 0 && j == 0)
            break;
        switch (steps[size_t(i) * size_t(m) + size_t(j)]) {
        case Diagonal:
            --i, --j;
            break;
        case Down:
            --i;
            break;
        case Right:
            --j;
            break;
        }
    }
    std::reverse(path.steps.begin(), path.steps.end());
    path.meanCost = total / double(path.steps.size());
    return path;
}

Match find(const Mfcc &query, const Mfcc &within)
{
    Match match;
    const int n = query.frames();
    const int m = within.frames();
    if (n == 0 || m == 0)
        return match;
    constexpr float infinity = std::numeric_limits<float>::infinity();
    // Each cell carries where its path entered the long sequence, so no way back is needed.
    const auto columns = static_cast<size_t>(m);
    std::vector<float> previous(columns), current(columns);
    std::vector<int> previousBegin(columns), currentBegin(columns);
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < m; ++j) {
            const float d = query.distance(i, within, j);
            if (i == 0) {
                // Free to start anywhere; staying on the first query frame is not free, or
                // the match would swallow whatever lies before it.
                current[size_t(j)] = d;
                currentBegin[size_t(j)] = j;
                continue;
            }
            float best = previous[size_t(j)];
            int begin = previousBegin[size_t(j)];
            if (j > 0 && previous[size_t(j - 1)] <= best) {
                best = previous[size_t(j - 1)];
                begin = previousBegin[size_t(j - 1)];
            }
            if (j > 0 && current[size_t(j - 1)] < best) {
                best = current[size_t(j - 1)];
                begin = currentBegin[size_t(j - 1)];
            }
            current[size_t(j)] = best + d;
            currentBegin[size_t(j)] = begin;
        }
        std::swap(previous, current);
        std::swap(previousBegin, currentBegin);
    }
    float best = infinity;
    for (int j = 0; j < m; ++j) {
        if (previous[size_t(j)] < best) {
            best = previous[size_t(j)];
            match.begin = previousBegin[size_t(j)];
            match.end = j + 1;
        }
    }
    match.meanCost = best / n;
    std::vector<float> ends(previous);
    std::nth_element(ends.begin(), ends.begin() + m / 2, ends.end());
    match.typicalCost = ends[size_t(m / 2)] / n;
    return match;
}

} // namespace Dtw

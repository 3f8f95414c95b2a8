#include "tools/mvrbook/draft/alignment.h"

#include "tools/mvrbook/draft/dtw.h"
#include "tools/mvrbook/draft/mfcc.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace Alignment {

namespace {

constexpr int frameMs = Mfcc::hopMs;
// Silence put between the synthesised sentences, where the reader pauses.
constexpr int synthesisedPauseMs = 250;
// A sentence whose best place in the recording costs this share of what an arbitrary place
// costs, or more, is not in the recording.
constexpr double missingScore = 0.78;
// Below this, a sentence's best place is sure enough to tell the order it was read in.
constexpr double sureScore = 0.6;
// A sentence read out of order makes the whole recording fit its sentences much better once
// it is moved to where it was heard; a few per cent is what a short sentence gains from any
// stretch of speech like its own, in other voices than the synthesiser's.
constexpr double reorderedCost = 0.95;
// A boundary moves to a pause only this far; further off, the alignment is trusted.
constexpr int snapReachMs = 350;
// A boundary inside speech moves to where that speech starts or ends only this far.
constexpr int stretchReachMs = 600;
// Where a segment starts and ends around its speech: a little before the first sound, so a
// soft consonant is not cut, and a little after the last, where its fading under the level
// that counts as speech is over, so the segment ends in silence.
constexpr int leadMs = 40;
constexpr int tailMs = 150;

struct Sentence
{
    int index = 0;
    Mfcc features;
    int frames = 0;
    Dtw::Match match; // its best place anywhere in the recording
    double score = 1; // match.meanCost / match.typicalCost: lower is surer
};

struct Span
{
    int begin = 0; // recording frames, end exclusive
    int end = 0;
};

struct Spans
{
    std::vector<Span> spans; // by place in the order given
    double meanCost = 0;     // of the whole alignment: lower where the order fits better
};

// Aligns the sentences, in the given order, with the whole recording; their spans in it.
Spans alignInOrder(const std::vector<const Sentence *> &order, const std::vector<Speech> &speech,
                   const Mfcc &recording)
{
    constexpr int pause = Mfcc::sampleRate * synthesisedPauseMs / 1000;
    Speech joined(size_t(pause), 0.0f);
    std::vector<std::pair<int, int>> frameSpans; // synthesised frames of each sentence
    constexpr int hop = Mfcc::sampleRate * Mfcc::hopMs / 1000;
    for (const Sentence *sentence : order) {
        const int begin = int(joined.size()) / hop;
        const Speech &words = speech[size_t(sentence->index)];
        joined.insert(joined.end(), words.begin(), words.end());
        frameSpans.emplace_back(begin, std::max(begin + 1, int(joined.size()) / hop));
        joined.insert(joined.end(), size_t(pause), 0.0f);
    }
    const Mfcc synthesised = Mfcc::compute(joined);
    const Dtw::Path path = Dtw::align(synthesised, recording);

    // Where the path dwells on a sentence's first or last frame it is matching the pause
    // around the sentence, not its words: a sentence begins where the path leaves its first
    // frame and ends where it reaches its last.
    std::vector<Span> spans(order.size(), Span{-1, -1});
    for (const auto &[i, j] : path.steps) {
        for (size_t s = 0; s < order.size(); ++s) {
            if (i == frameSpans[s].first)
                spans[s].begin = j;
            if (i == frameSpans[s].second - 1 && spans[s].end < 0)
                spans[s].end = j + 1;
        }
    }
    for (Span &span : spans)
        if (span.begin < 0 || span.end <= span.begin)
            span = {std::max(0, span.begin), std::max(0, span.begin) + 1};
    return {spans, path.meanCost};
}

// The longest run of sentences, in the order heard, whose reading order also rises; the
// others were read out of order.
std::vector<bool> inReadingOrder(const std::vector<int> &heard)
{
    const size_t n = heard.size();
    std::vector<int> length(n, 1), before(n, -1);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < i; ++j)
            if (heard[j] < heard[i] && length[j] + 1 > length[i]) {
                length[i] = length[j] + 1;
                before[i] = int(j);
            }
    std::vector<bool> kept(n, false);
    if (n == 0)
        return kept;
    int at = int(std::max_element(length.begin(), length.end()) - length.begin());
    for (; at >= 0; at = before[size_t(at)])
        kept[size_t(at)] = true;
    return kept;
}

// A reader pauses between sentences, so a boundary the alignment put inside a stretch of
// speech without a pause (a word whose sound the synthesiser's does not match well) belongs
// at that stretch's start or end, where it is near enough.
int wholeStretch(int frame, const Voicing &voicing, bool start)
{
    for (const auto &[begin, end] : voicing.stretches()) {
        if (frame <= begin || frame >= end)
            continue;
        const int edge = start ? begin : end;
        return std::abs(edge - frame) <= stretchReachMs / frameMs ? edge : frame;
    }
    return frame;
}

// The boundary moved to the nearest edge of speech of the given kind within reach; how far it
// moved, or -1 where none was near.
int snap(int frame, const std::vector<int> &edges, int *moved)
{
    int best = frame;
    int distance = snapReachMs / frameMs + 1;
    for (const int edge : edges) {
        if (std::abs(edge - frame) < distance) {
            distance = std::abs(edge - frame);
            best = edge;
        }
    }
    *moved = distance > snapReachMs / frameMs ? -1 : distance;
    return best;
}

} // namespace

Result align(const Speech &recording, const std::vector<Speech> &sentences)
{
    Result result;
    result.timings.resize(sentences.size());
    const Voicing voicing(recording);
    result.holdsSpeech = voicing.holdsSpeech();
    if (!result.holdsSpeech)
        return result;
    const Mfcc features = Mfcc::compute(recording);

    std::vector<Sentence> all(sentences.size());
    std::vector<Speech> trimmed(sentences.size());
    std::vector<const Sentence *> present;
    for (size_t s = 0; s < sentences.size(); ++s) {
        Sentence &sentence = all[s];
        sentence.index = int(s);
        if (sentences[s].empty())
            continue;
        trimmed[s] = trimSilence(sentences[s]);
        sentence.features = Mfcc::compute(trimmed[s]);
        sentence.frames = sentence.features.frames();
        if (sentence.frames == 0)
            continue;
        sentence.match = Dtw::find(sentence.features, features);
        sentence.score = sentence.match.typicalCost > 0
                             ? sentence.match.meanCost / sentence.match.typicalCost
                             : 1.0;
        if (sentence.score < missingScore)
            present.push_back(&sentence);
    }
    if (present.empty())
        return result;

    // The order heard. Each sentence's best place on its own puts the sentences in an order;
    // the longest run of them that keeps the reading order stands. One outside it may have
    // been read elsewhere, or its words may only be heard there again ("library" inside "It's
    // near the library"): it is moved to its own place only where the whole recording then
    // fits the sentences better.
    std::vector<const Sentence *> byPlace(present);
    std::stable_sort(byPlace.begin(), byPlace.end(), [](const Sentence *a, const Sentence *b) {
        return a->match.begin < b->match.begin;
    });
    std::vector<int> placeOrder;
    for (const Sentence *sentence : byPlace)
        placeOrder.push_back(sentence->index);
    const std::vector<bool> kept = inReadingOrder(placeOrder);
    std::vector<const Sentence *> order(present); // in reading order
    Spans aligned = alignInOrder(order, trimmed, features);
    std::vector<const Sentence *> elsewhere;
    for (size_t n = 0; n < byPlace.size(); ++n) {
        const Sentence *moving = byPlace[n];
        if (kept[n])
            continue;
        std::vector<const Sentence *> moved;
        bool placed = false;
        for (const Sentence *sentence : order) {
            if (sentence == moving)
                continue;
            const bool keptHere =
                kept[size_t(std::find(byPlace.begin(), byPlace.end(), sentence) - byPlace.begin())];
            if (!placed && keptHere && sentence->match.begin > moving->match.begin) {
                moved.push_back(moving);
                placed = true;
            }
            moved.push_back(sentence);
        }
        if (!placed)
            moved.push_back(moving);
        Spans tried = alignInOrder(moved, trimmed, features);
        if (tried.meanCost < aligned.meanCost * reorderedCost) {
            order = moved;
            aligned = std::move(tried);
            elsewhere.push_back(moving);
        }
    }
    const auto isElsewhere = [&elsewhere](const Sentence *sentence) {
        return std::find(elsewhere.begin(), elsewhere.end(), sentence) != elsewhere.end();
    };
    // A sentence that fits nowhere well on its own may still be there, said unlike the
    // synthesiser says it: put after the sentence before it in reading order, it is taken
    // where the whole recording then fits better, or where speech that neither neighbour
    // claims lies between them, and is missing otherwise.
    for (Sentence &sentence : all) {
        if (sentence.frames == 0 || sentence.score < missingScore)
            continue;
        size_t at = 0;
        for (size_t n = 0; n < order.size(); ++n)
            if (!isElsewhere(order[n]) && order[n]->index < sentence.index)
                at = n + 1;
        // The whole alignment lets a neighbour stretch over the speech of the sentence it
        // lacks; the neighbour's own best place, where it lies inside that stretch, does not.
        const auto extent = [&](size_t n) {
            const Span &whole = aligned.spans[n];
            const Dtw::Match &own = order[n]->match;
            const int common = std::min(own.end, whole.end) - std::max(own.begin, whole.begin);
            return order[n]->score < sureScore || common * 10 >= (own.end - own.begin) * 9
                       ? Span{own.begin, own.end}
                       : whole;
        };
        const int from = at > 0 ? extent(at - 1).end : 0;
        const int to = at < order.size() ? extent(at).begin : voicing.frames();
        int unclaimed = 0;
        for (int f = std::max(0, from); f < std::min(to, voicing.frames()); ++f)
            unclaimed += voicing.voiced(f) ? 1 : 0;
        std::vector<const Sentence *> tried(order);
        tried.insert(tried.begin() + std::ptrdiff_t(at), &sentence);
        Spans withIt = alignInOrder(tried, trimmed, features);
        if (withIt.meanCost < aligned.meanCost || unclaimed * 5 >= sentence.frames * 2) {
            order = tried;
            aligned = std::move(withIt);
        }
    }
    // A sentence the whole alignment squeezes into a third of the time the synthesiser takes
    // to say it is not said there: the label of a map or a picture that is not read aloud,
    // short enough to fit into a moment of its neighbours' speech. Without it the
    // neighbours take their own time again.
    for (bool squeezed = true; squeezed && order.size() > 1;) {
        squeezed = false;
        std::vector<const Sentence *> said;
        for (size_t n = 0; n < order.size(); ++n) {
            if ((aligned.spans[n].end - aligned.spans[n].begin) * 3 < order[n]->frames)
                squeezed = true;
            else
                said.push_back(order[n]);
        }
        if (squeezed && !said.empty()) {
            order = said;
            aligned = alignInOrder(order, trimmed, features);
        } else {
            squeezed = false;
        }
    }
    std::vector<Span> &spans = aligned.spans;
    // The alignment of the whole recording keeps the order; a sentence's own best place is
    // the sharper where it agrees with it, since the whole alignment may let a sentence's
    // quiet last sound run on into the pause after it.
    for (size_t s = 0; s < order.size(); ++s) {
        const Dtw::Match &match = order[s]->match;
        if (order[s]->score >= sureScore)
            continue;
        const int common =
            std::min(match.end, spans[s].end) - std::max(match.begin, spans[s].begin);
        if (common * 2 > match.end - match.begin)
            spans[s] = {match.begin, match.end};
    }

    std::vector<int> onsets, offsets;
    for (const auto &[begin, end] : voicing.stretches()) {
        onsets.push_back(begin);
        offsets.push_back(end);
    }
    const int lastMs = int(qint64(recording.size()) * 1000 / Mfcc::sampleRate);
    for (size_t s = 0; s < order.size(); ++s) {
        const Sentence &sentence = *order[s];
        Timing &timing = result.timings[size_t(sentence.index)];
        timing.status = isElsewhere(&sentence) ? Timing::Reordered : Timing::Found;
        // A boundary the alignment left inside a pause belongs on the sentence's side of it.
        int begin = std::min(spans[s].begin, voicing.frames());
        int end = std::min(spans[s].end, voicing.frames());
        while (begin + 1 < end && !voicing.voiced(begin))
            ++begin;
        while (end - 1 > begin && !voicing.voiced(end - 1))
            --end;
        int startMoved = 0, endMoved = 0;
        const int onset = wholeStretch(snap(begin, onsets, &startMoved), voicing, true);
        const int offset = wholeStretch(snap(end, offsets, &endMoved), voicing, false);
        timing.startMs = onset * frameMs;
        timing.endMs = std::max(offset, onset + 1) * frameMs;
        // How well the words matched, and whether both boundaries found a pause near them.
        double confidence = std::clamp((0.85 - sentence.score) / 0.35, 0.0, 1.0);
        if (startMoved < 0)
            confidence *= 0.7;
        if (endMoved < 0)
            confidence *= 0.7;
        const double expected = sentence.frames;
        const double got = std::max(1, offset - onset);
        // Read at a very different pace from the synthesiser's is more likely a mismatch.
        if (got < expected / 2.5 || got > expected * 2.5)
            confidence *= 0.5;
        timing.confidence = confidence;
        result.spoken.push_back(sentence.index);
    }

    // The lead and tail around the speech, never reaching into the neighbours' speech.
    for (size_t n = 0; n < result.spoken.size(); ++n) {
        Timing &timing = result.timings[size_t(result.spoken[n])];
        const int previousEnd = n > 0 ? result.timings[size_t(result.spoken[n - 1])].endMs : 0;
        const int nextStart = n + 1 < result.spoken.size()
                                  ? result.timings[size_t(result.spoken[n + 1])].startMs
                                  : lastMs;
        const int start =
            std::max({0, timing.startMs - leadMs, (previousEnd + timing.startMs) / 2});
        const int end = std::min({lastMs, timing.endMs + tailMs, (timing.endMs + nextStart) / 2});
        timing.startMs = std::max(start, previousEnd);
        timing.endMs = std::max(end, timing.startMs + frameMs);
    }
    return result;
}

} // namespace Alignment

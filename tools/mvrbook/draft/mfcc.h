#pragma once

#include <cstddef>
#include <vector>

// Mel-frequency cepstral coefficients of mono speech at 16 kHz, one frame every 10 ms over a
// window of 25 ms: the spectral shape of the voice, which stays close between two speakers of
// the same words while their pitch and loudness differ.
class Mfcc
{
public:
    static constexpr int sampleRate = 16000;
    static constexpr int hopMs = 10;
    static constexpr int coefficients = 13;

    // Each coefficient has its mean over the signal's speech taken away, so that a microphone's
    // or a synthesiser's colouring does not count as a difference of the words.
    static Mfcc compute(const std::vector<float> &samples);

    int frames() const { return int(m_values.size() / coefficients); }
    const float *frame(int n) const { return m_values.data() + std::size_t(n) * coefficients; }
    // Euclidean distance between frame n of this and frame m of other.
    float distance(int n, const Mfcc &other, int m) const;

private:
    std::vector<float> m_values; // frames x coefficients
};

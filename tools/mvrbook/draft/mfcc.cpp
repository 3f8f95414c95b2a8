#include "tools/mvrbook/draft/mfcc.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <complex>
#include <numbers>

namespace {

constexpr int windowSamples = Mfcc::sampleRate * 25 / 1000;
constexpr int hopSamples = Mfcc::sampleRate * Mfcc::hopMs / 1000;
constexpr int fftSize = 512;
constexpr int melBands = 26;
constexpr double lowHz = 80;
constexpr double highHz = 7600;

double melOf(double hz)
{
    return 2595.0 * std::log10(1.0 + hz / 700.0);
}

double hzOf(double mel)
{
    return 700.0 * (std::pow(10.0, mel / 2595.0) - 1.0);
}

// In-place radix-2 transform; fftSize is a power of two.
void fft(std::array<std::complex<float>, fftSize> &x)
{
    for (int i = 1, j = 0; i < fftSize; ++i) {
        int bit = fftSize >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[size_t(i)], x[size_t(j)]);
    }
    for (int length = 2; length <= fftSize; length <<= 1) {
        const double angle = -2.0 * std::numbers::pi / length;
        const std::complex<float> step(float(std::cos(angle)), float(std::sin(angle)));
        for (int start = 0; start < fftSize; start += length) {
            std::complex<float> w(1.0f, 0.0f);
            for (int k = 0; k < length / 2; ++k) {
                const std::complex<float> even = x[size_t(start + k)];
                const std::complex<float> odd = x[size_t(start + k + length / 2)] * w;
                x[size_t(start + k)] = even + odd;
                x[size_t(start + k + length / 2)] = even - odd;
                w *= step;
            }
        }
    }
}

// The triangular mel filters as weights over the FFT bins, and the DCT that turns the
// filters' log energies into cepstral coefficients; made once per computation, since they are
// small next to the frames.
struct Tables
{
    std::array<std::array<float, fftSize / 2 + 1>, melBands> filters{};
    std::array<std::array<float, melBands>, Mfcc::coefficients> dct{};
    std::array<float, windowSamples> window{};

    Tables()
    {
        std::array<double, melBands + 2> edges{};
        for (int i = 0; i < melBands + 2; ++i)
            edges[size_t(i)] =
                hzOf(melOf(lowHz) + (melOf(highHz) - melOf(lowHz)) * i / (melBands + 1));
        for (int band = 0; band < melBands; ++band) {
            const double left = edges[size_t(band)], centre = edges[size_t(band + 1)],
                         right = edges[size_t(band + 2)];
            for (int bin = 0; bin <= fftSize / 2; ++bin) {
                const double hz = double(bin) * Mfcc::sampleRate / fftSize;
                double weight = 0;
                if (hz > left && hz <= centre)
                    weight = (hz - left) / (centre - left);
                else if (hz > centre && hz < right)
                    weight = (right - hz) / (right - centre);
                filters[size_t(band)][size_t(bin)] = float(weight);
            }
        }
        for (int c = 0; c < Mfcc::coefficients; ++c)
            for (int band = 0; band < melBands; ++band)
                dct[size_t(c)][size_t(band)] =
                    float(std::cos(std::numbers::pi * c * (band + 0.5) / melBands));
        for (int n = 0; n < windowSamples; ++n)
            window[size_t(n)] =
                float(0.54 - 0.46 * std::cos(2.0 * std::numbers::pi * n / (windowSamples - 1)));
    }
};

} // namespace

Mfcc Mfcc::compute(const std::vector<float> &samples)
{
    static_assert(windowSamples <= fftSize);
    const Tables tables;
    Mfcc mfcc;
    const int count = int(samples.size());
    const int frameCount = count < windowSamples ? 0 : 1 + (count - windowSamples) / hopSamples;
    mfcc.m_values.resize(size_t(frameCount) * coefficients);
    std::array<std::complex<float>, fftSize> spectrum;
    std::array<float, melBands> logEnergy{};
    for (int f = 0; f < frameCount; ++f) {
        spectrum.fill({});
        const int at = f * hopSamples;
        for (int n = 0; n < windowSamples; ++n) {
            // Pre-emphasis lifts the high formants that tell consonants apart.
            const float previous = at + n > 0 ? samples[size_t(at + n - 1)] : 0.0f;
            spectrum[size_t(n)] =
                (samples[size_t(at + n)] - 0.97f * previous) * tables.window[size_t(n)];
        }
        fft(spectrum);
        for (int band = 0; band < melBands; ++band) {
            double energy = 0;
            for (int bin = 0; bin <= fftSize / 2; ++bin)
                energy +=
                    tables.filters[size_t(band)][size_t(bin)] * std::norm(spectrum[size_t(bin)]);
            // The floor keeps digital silence from weighing more than a quiet room.
            logEnergy[size_t(band)] = float(std::log(energy + 1e-4));
        }
        float *out = mfcc.m_values.data() + size_t(f) * coefficients;
        for (int c = 0; c < coefficients; ++c) {
            double sum = 0;
            for (int band = 0; band < melBands; ++band)
                sum += tables.dct[size_t(c)][size_t(band)] * logEnergy[size_t(band)];
            out[c] = float(sum);
        }
    }
    // The mean is taken over the loudest frames only: those are speech in a synthesised
    // sentence and in a recording alike, however much silence lies around it.
    std::vector<float> loudness(static_cast<size_t>(frameCount));
    for (int f = 0; f < frameCount; ++f)
        loudness[size_t(f)] = mfcc.m_values[size_t(f) * coefficients];
    if (frameCount > 0) {
        std::vector<float> sorted(loudness);
        const auto at = sorted.begin() + std::ptrdiff_t(sorted.size() * 7 / 10);
        std::nth_element(sorted.begin(), at, sorted.end());
        const float loud = *at;
        for (int c = 0; c < coefficients; ++c) {
            double mean = 0;
            int loudFrames = 0;
            for (int f = 0; f < frameCount; ++f) {
                if (loudness[size_t(f)] >= loud) {
                    mean += mfcc.m_values[size_t(f) * coefficients + size_t(c)];
                    ++loudFrames;
                }
            }
            mean /= std::max(1, loudFrames);
            for (int f = 0; f < frameCount; ++f)
                mfcc.m_values[size_t(f) * coefficients + size_t(c)] -= float(mean);
        }
    }
    return mfcc;
}

float Mfcc::distance(int n, const Mfcc &other, int m) const
{
    const float *a = frame(n);
    const float *b = other.frame(m);
    float sum = 0;
    for (int c = 0; c < coefficients; ++c) {
        const float d = a[c] - b[c];
        sum += d * d;
    }
    return std::sqrt(sum);
}

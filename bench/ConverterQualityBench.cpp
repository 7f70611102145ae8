// What the live converter does to the sound, measured with sines through it
// in blocks of random length: the passband's ripple up to 19 kHz, the gain
// at 20 kHz, and the rejection of everything that is not the tone (images,
// aliases, noise) for tones up to 19 kHz. Not timed: the figures are counters.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "host/StreamResampler.h"
#include "host/TimedEvent.h"

namespace {

constexpr int kMaxBlock = 512;

struct ToneFit {
    double gainDb;
    double rejectionDb;  // the tone against the rest of the output
};

// A quarter second of the tone at amplitude 0.5, fitted over its steady middle.
ToneFit throughConverter(int rate, double frequency) {
    StreamResampler resampler(rate, kMaxBlock);
    std::mt19937 random(5);
    std::vector<float> left(static_cast<std::size_t>(resampler.largestInput())), outLeft(kMaxBlock),
        outRight(kMaxBlock), output;
    while (resampler.hostFrame() < rate / 4) {
        const int frames = std::uniform_int_distribution<int>(0, kMaxBlock)(random);
        const std::int64_t first = resampler.instrumentFrameOf(resampler.hostFrame());
        for (int i = 0; i < resampler.inputFramesFor(frames); ++i)
            left[static_cast<std::size_t>(i)] = static_cast<float>(
                0.5 * std::sin(2 * M_PI * frequency * static_cast<double>(first + i) / kRenderRate));
        resampler.convert(left.data(), left.data(), outLeft.data(), outRight.data(), frames);
        output.insert(output.end(), outLeft.begin(), outLeft.begin() + frames);
    }
    // Least squares on sine and cosine at the tone's own frequency.
    const std::size_t from = output.size() / 4, to = output.size() - output.size() / 8;
    double ss = 0, sc = 0, cc = 0, ys = 0, yc = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double t = 2 * M_PI * frequency * static_cast<double>(i) / rate, s = std::sin(t), c = std::cos(t);
        ss += s * s, sc += s * c, cc += c * c, ys += output[i] * s, yc += output[i] * c;
    }
    const double det = ss * cc - sc * sc, a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
    double residual = 0;
    for (std::size_t i = from; i < to; ++i) {
        const double t = 2 * M_PI * frequency * static_cast<double>(i) / rate;
        const double error = output[i] - (a * std::sin(t) + b * std::cos(t));
        residual += error * error;
    }
    const double amplitude = std::hypot(a, b);
    return {20 * std::log10(amplitude / 0.5),
            10 * std::log10(amplitude * amplitude / 2 / (residual / static_cast<double>(to - from)))};
}

void BM_ConverterQuality(benchmark::State& state) {
    const int rate = static_cast<int>(state.range(0));
    double lowest = 0, highest = -1e9, worstRejection = 1e9;
    for (auto _ : state) {
        for (double frequency = 20; frequency <= 19000; frequency *= 1.12) {
            const ToneFit fit = throughConverter(rate, frequency);
            lowest = std::min(lowest, fit.gainDb), highest = std::max(highest, fit.gainDb);
            worstRejection = std::min(worstRejection, fit.rejectionDb);
        }
    }
    state.counters["rippleDb"] = highest - lowest;
    state.counters["rejectionDb"] = worstRejection;
    state.counters["gainAt20kDb"] = throughConverter(rate, 20000).gainDb;
    state.counters["latencyMs"] = 1000.0 * StreamResampler(rate, kMaxBlock).latencyFrames() / rate;
}
BENCHMARK(BM_ConverterQuality)->Arg(48000)->Arg(96000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

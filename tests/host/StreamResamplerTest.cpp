// The live converter: whatever the blocks' lengths, an instrument frame comes
// out at its host frame plus the reported latency, the reported latency is
// where the sound really is, and the queue never runs dry.
#include <gtest/gtest.h>
#include <soxr.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "host/StreamResampler.h"
#include "host/TimedEvent.h"
#include "tests/support/ProcessProbe.h"

namespace {

constexpr int kMaxBlock = 512;

// Block lengths: fixed, 0- and 1-frame blocks among long ones, and random.
const std::vector<std::pair<const char*, std::function<int(std::mt19937&, int)>>>& blockPatterns() {
    static const std::vector<std::pair<const char*, std::function<int(std::mt19937&, int)>>> patterns = {
        {"64-frame blocks", [](std::mt19937&, int) { return 64; }},
        {"0, 1 and full blocks", [](std::mt19937&, int i) { return std::array{0, 1, 1, kMaxBlock, 0, 37}[i % 6]; }},
        {"random blocks",
         [](std::mt19937& random, int) { return std::uniform_int_distribution<int>(0, kMaxBlock)(random); }},
    };
    return patterns;
}

// Runs `input` (one channel, instrument frames) through the converter in the
// pattern's blocks, until `hostFrames` host frames are out.
std::vector<float> convertInBlocks(StreamResampler& resampler, const std::vector<float>& input,
                                   const std::function<int(std::mt19937&, int)>& pattern, std::int64_t hostFrames) {
    std::mt19937 random(7);
    std::vector<float> output, silent(static_cast<std::size_t>(resampler.largestInput()), 0.0f);
    std::vector<float> outLeft(kMaxBlock), outRight(kMaxBlock);
    for (int block = 0; resampler.hostFrame() < hostFrames; ++block) {
        const int frames = pattern(random, block);
        const auto first = static_cast<std::size_t>(resampler.instrumentFrameOf(resampler.hostFrame()));
        std::vector<float> left(static_cast<std::size_t>(resampler.inputFramesFor(frames)), 0.0f);
        for (std::size_t i = 0; i < left.size() && first + i < input.size(); ++i) left[i] = input[first + i];
        resampler.convert(left.data(), silent.data(), outLeft.data(), outRight.data(), frames);
        output.insert(output.end(), outLeft.begin(), outLeft.begin() + frames);
    }
    return output;
}

TEST(StreamResampler, EveryInstrumentFrameSoundsAtItsHostFramePlusTheLatencyWhateverTheBlocks) {
    for (const int rate : {22050, 48000, 96000, 192000}) {
        for (const auto& [name, pattern] : blockPatterns()) {
            StreamResampler resampler(rate, kMaxBlock);
            // Impulses every 3001 instrument frames, so they meet the blocks at every offset.
            const std::int64_t spacing = 3001, count = 40;
            std::vector<float> input(static_cast<std::size_t>(spacing * count), 0.0f);
            for (std::int64_t k = 1; k < count; ++k) input[static_cast<std::size_t>(k * spacing)] = 1.0f;
            const std::vector<float> output =
                convertInBlocks(resampler, input, pattern, spacing * count * rate / kRenderRate);
            for (std::int64_t k = 1; k < count - 1; ++k) {
                const double due =
                    static_cast<double>(k * spacing) * rate / kRenderRate + resampler.latencyFrames();
                const auto from = static_cast<std::size_t>(due) - 200, to = static_cast<std::size_t>(due) + 200;
                std::size_t peak = from;
                for (std::size_t i = from; i < to; ++i)
                    if (std::fabs(output[i]) > std::fabs(output[peak])) peak = i;
                // The pulse peaks on the host frame nearest its due time.
                ASSERT_LE(std::fabs(static_cast<double>(peak) - due), 0.51)
                    << rate << " Hz, " << name << ", impulse " << k;
            }
            EXPECT_EQ(resampler.underruns(), 0) << rate << " Hz, " << name;
        }
    }
}

// The lag at which the converter's output best matches soxr's very high
// quality conversion of the same sound, which is time-aligned.
int bestLag(const std::vector<float>& output, const std::vector<float>& ideal, int most) {
    int best = 0;
    double bestSum = -1e300;
    for (int lag = 0; lag <= most; ++lag) {
        double sum = 0.0;
        for (std::size_t i = 0; i + static_cast<std::size_t>(lag) < output.size() && i < ideal.size(); ++i)
            sum += static_cast<double>(output[i + static_cast<std::size_t>(lag)]) * ideal[i];
        if (sum > bestSum) bestSum = sum, best = lag;
    }
    return best;
}

TEST(StreamResampler, TheReportedLatencyIsWhereTheSoundIs) {
    std::mt19937 random(3);
    std::normal_distribution<float> noise(0.0f, 0.1f);
    // Noise and a low note with its overtones: where the ear and the piano have their energy.
    std::vector<float> input(static_cast<std::size_t>(kRenderRate / 2));
    for (std::size_t i = 0; i < input.size(); ++i) {
        const double t = static_cast<double>(i) / kRenderRate;
        input[i] = noise(random) + static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 110 * t) +
                                                      0.1 * std::sin(2 * std::numbers::pi * 330 * t));
    }
    for (const int rate : {48000, 96000}) {
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_VHQ, 0);
        std::vector<float> ideal(input.size() * static_cast<std::size_t>(rate) / kRenderRate);
        std::size_t made = 0;
        ASSERT_EQ(soxr_oneshot(kRenderRate, rate, 1, input.data(), input.size(), nullptr, ideal.data(),
                               ideal.size(), &made, nullptr, &quality, nullptr),
                  nullptr);
        StreamResampler resampler(rate, kMaxBlock);
        const std::vector<float> output =
            convertInBlocks(resampler, input, blockPatterns()[2].second, static_cast<std::int64_t>(made) + 2000);
        EXPECT_NEAR(bestLag(output, ideal, 2000), resampler.latencyFrames(), 2) << rate << " Hz";
    }
}

TEST(StreamResampler, ConvertingNeverAllocatesNorRunsDry) {
    for (const int rate : {44101, 48000, 88200}) {
        StreamResampler resampler(rate, kMaxBlock);
        std::mt19937 random(11);
        std::vector<float> in(static_cast<std::size_t>(resampler.largestInput()), 0.25f);
        std::vector<float> outLeft(kMaxBlock), outRight(kMaxBlock);
        const long long heapBefore = heapBytesInUse();
        while (resampler.hostFrame() < 60LL * rate)
            resampler.convert(in.data(), in.data(), outLeft.data(), outRight.data(),
                              std::uniform_int_distribution<int>(0, kMaxBlock)(random));
        EXPECT_EQ(heapBytesInUse(), heapBefore) << rate << " Hz";
        EXPECT_EQ(resampler.underruns(), 0) << rate << " Hz";
    }
}

TEST(StreamResampler, PassesTheInstrumentsRateUnchangedAndRefusesImpossibleRates) {
    StreamResampler same(kRenderRate, 64);
    EXPECT_EQ(same.latencyFrames(), 0);
    const std::vector<float> left{0.1f, -0.2f, 0.3f}, right{0.4f, 0.5f, -0.6f};
    std::vector<float> outLeft(3), outRight(3);
    ASSERT_EQ(same.inputFramesFor(3), 3);
    same.convert(left.data(), right.data(), outLeft.data(), outRight.data(), 3);
    EXPECT_EQ(outLeft, left);
    EXPECT_EQ(outRight, right);
    EXPECT_EQ(same.instrumentFrameOf(same.hostFrame()), 3);

    for (const int rate : {0, -48000, 1000000}) EXPECT_THROW(StreamResampler(rate, 64), std::runtime_error) << rate;
}

}  // namespace

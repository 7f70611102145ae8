#include <gtest/gtest.h>

#include <cmath>

#include "engine/Noise.h"

namespace {

TEST(Noise, GeneratorGivesTheClassicSequenceFromSeedOne) {
    NoiseGenerator generator(1);
    EXPECT_EQ(generator.next(), 41);
    EXPECT_EQ(generator.next(), 18467);
    EXPECT_EQ(generator.next(), 6334);
    EXPECT_EQ(generator.next(), 26500);
}

TEST(Noise, TablesHoldTheSeededValues) {
    initNoise();
    EXPECT_NEAR(noiseValue[0], 1.2513e-3f, 5e-8f);
    EXPECT_NEAR(noiseSlope[0], 0.0845685f, 5e-8f);
    EXPECT_NEAR(noiseValue[1], 0.193304f, 5e-7f);
    for (int i = 0; i < kNoisePeriod; ++i) {
        ASSERT_GE(noiseValue[i], 0.0f);
        ASSERT_LE(noiseValue[i], 1.0f);
        ASSERT_LE(std::fabs(noiseSlope[i]), 0.665f + 1e-6f);
    }
}

TEST(Noise, SmoothNoisePassesThroughTheValuesAndWraps) {
    initNoise();
    for (int i : {0, 1, 2, 745, 1492}) {
        EXPECT_EQ(smoothNoise(static_cast<float>(i)), noiseValue[i]);
        EXPECT_EQ(smoothNoise(static_cast<float>(i + kNoisePeriod)), noiseValue[i]);
        EXPECT_EQ(smoothNoise(static_cast<float>(i - kNoisePeriod)), noiseValue[i]);
    }
    EXPECT_EQ(smoothNoise(-1.0f), noiseValue[1492]);
    // Between points the spline follows its ends' slopes and repeats one period on.
    for (float x : {0.25f, 3.5f, 1492.75f, -0.5f})
        EXPECT_NEAR(smoothNoise(x + kNoisePeriod), smoothNoise(x), 1e-3f);
    const float h = 1.0f / 1024.0f;
    EXPECT_NEAR((smoothNoise(5.0f + h) - smoothNoise(5.0f)) / h, noiseSlope[5], 5e-3f);
}

TEST(Noise, FractalNoiseAtOriginMatchesReference) {
    initNoise();
    EXPECT_NEAR(fractalNoise(0.0f, 22, 0.207f, 0.296f), -0.5831f, 5e-5f);
}

}  // namespace

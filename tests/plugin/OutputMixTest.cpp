#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "plugin/OutputMix.h"

namespace {

struct Buffers {
    explicit Buffers(int workers, int frames) : buffers(workers) {
        for (auto& b : buffers) {
            b.left.reset(new float[frames]());
            b.right.reset(new float[frames]());
        }
    }
    std::vector<MixBuffer> buffers;
};

}  // namespace

TEST(OutputMix, AddsEveryWorkerOnceInWorkerOrder) {
    // Values whose float sum depends on the order of the additions.
    const float values[] = {1e8f, 1.0f, -1e8f, 1.0f, 0.5f, 3e7f, -3e7f, 0.25f,
                            1e-3f, 7.0f, -7.0f, 2e8f, -2e8f, 0.125f, 9.0f, 1.0f};
    for (int workers = 1; workers <= 16; ++workers) {
        Buffers b(workers, 1);
        float expected = 0.0f;
        for (int w = 0; w < workers; ++w) {
            b.buffers[w].left[0] = values[w] * 1e-9f;
            b.buffers[w].right[0] = -values[w] * 1e-9f;
            expected = expected + values[w] * 1e-9f;
        }
        float left = 99, right = 99;
        mixWorkers(b.buffers.data(), workers, [] { return 1.0f; }, &left, &right, 1);
        EXPECT_EQ(left, expected) << workers;
        EXPECT_EQ(right, -expected) << workers;
    }
}

TEST(OutputMix, ScalesByVolumeReadEveryFrameAndClips) {
    Buffers b(2, 5);
    const float sums[] = {3.0f, -2.5f, 0.4f, std::numeric_limits<float>::quiet_NaN(), -0.0f};
    for (int i = 0; i < 5; ++i) b.buffers[1].left[i] = sums[i];
    b.buffers[0].left[4] = -0.0f;
    float left[5], right[5];
    int calls = 0;
    mixWorkers(b.buffers.data(), 2, [&] { return ++calls == 3 ? 2.0f : 0.5f; }, left, right, 5);
    EXPECT_EQ(calls, 5);
    EXPECT_EQ(left[0], 1.0f);
    EXPECT_EQ(left[1], -1.0f);
    EXPECT_EQ(left[2], 0.8f);  // the third frame saw Volume 2
    EXPECT_TRUE(std::isnan(left[3]));
    EXPECT_FALSE(std::signbit(left[4]));  // 0 + -0 + -0 is +0
    for (float r : right) EXPECT_EQ(r, 0.0f);

    mixWorkers(b.buffers.data(), 2, [] { return 0.0f; }, left, right, 3);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(left[i], 0.0f);
}

TEST(OutputMix, NonFiniteVolumeMixesAsSilence) {
    Buffers b(1, 3);
    b.buffers[0].left[0] = 0.25f;  // frame 1 sums to 0: infinity times 0 would be NaN
    b.buffers[0].left[2] = -0.5f;
    b.buffers[0].right[2] = 0.5f;
    const float inf = std::numeric_limits<float>::infinity();
    for (float volume : {std::numeric_limits<float>::quiet_NaN(), inf, -inf}) {
        float left[3] = {9, 9, 9}, right[3] = {9, 9, 9};
        mixWorkers(b.buffers.data(), 1, [=] { return volume; }, left, right, 3);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(left[i], 0.0f) << volume;
            EXPECT_EQ(right[i], 0.0f) << volume;
        }
    }
    // Finite values keep acting as factors, huge and negative ones included.
    float left[3], right[3];
    mixWorkers(b.buffers.data(), 1, [] { return 1e30f; }, left, right, 3);
    EXPECT_EQ(left[0], 1.0f);
    EXPECT_EQ(left[1], 0.0f);
    EXPECT_EQ(left[2], -1.0f);
    mixWorkers(b.buffers.data(), 1, [] { return -2.0f; }, left, right, 3);
    EXPECT_EQ(left[0], -0.5f);
    EXPECT_EQ(right[2], -1.0f);
}

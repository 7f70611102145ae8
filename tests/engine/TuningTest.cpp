#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace {

struct TuningRow {
    int key;
    float frequency;
    int segments;
    float tensionA;
    float tensionB;
    int strikeTap;
    int tapLeft;
    int tapRight;
};

// Tensions are quoted to six decimals.
constexpr float kTensionTolerance = 1e-6f;

TEST(Tuning, MatchesReferenceTable) {
    const TuningRow rows[] = {
        {0, 27.5f, 100, 0.015625f, 0.015454f, 16, 70, 68}, {24, 110.0f, 100, 0.25f, 0.247258f, 16, 70, 68},
        {36, 220.0f, 97, 0.9409f, 0.930578f, 15, 67, 65},  {48, 440.0f, 48, 0.9216f, 0.91149f, 7, 33, 31},
        {60, 880.0f, 24, 0.9216f, 0.91149f, 3, 16, 14},    {72, 1760.0f, 12, 0.9216f, 0.91149f, 1, 8, 6},
        {84, 3520.0f, 6, 0.9216f, 0.91149f, 1, 4, 2},      {87, 4186.009f, 5, 0.905097f, 0.895168f, 1, 3, 1},
    };
    auto model = std::make_unique<KeyModel>();
    model->tuneKeys();
    for (const TuningRow& row : rows) {
        SCOPED_TRACE(row.key);
        if (row.key == 87)
            EXPECT_NEAR(model->frequency[row.key], row.frequency, 1e-3f);
        else
            EXPECT_EQ(model->frequency[row.key], row.frequency);  // whole octaves of A land exactly
        EXPECT_EQ(model->segments[row.key], row.segments);
        EXPECT_NEAR(model->tensionA[row.key], row.tensionA, kTensionTolerance);
        EXPECT_NEAR(model->tensionB[row.key], row.tensionB, kTensionTolerance);
        EXPECT_EQ(model->strikeTap[row.key], row.strikeTap);
        EXPECT_EQ(model->tapLeft[row.key], row.tapLeft);
        EXPECT_EQ(model->tapRight[row.key], row.tapRight);
    }
}

TEST(Tuning, EveryKeyKeepsItsInvariantsAndStartsAtRest) {
    auto model = std::make_unique<KeyModel>();
    std::memset(static_cast<void*>(model.get()), 0x5a, sizeof *model);
    for (int k = 0; k < kNumKeys; ++k) model->strikeRaw[k] = model->strikeSmooth[k] = nullptr;
    model->tuneKeys();
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        const int n = model->segments[k];
        EXPECT_GE(n, 5);
        EXPECT_LE(n, 100);
        if (k <= 35) {
            EXPECT_EQ(n, 100);
        }
        for (int tap : {model->strikeTap[k], model->tapLeft[k], model->tapRight[k]}) {
            EXPECT_GE(tap, 1);
            EXPECT_LE(tap, n - 1);
        }
        EXPECT_LE(model->tensionA[k], 0.954f);
        EXPECT_LT(model->tensionB[k], model->tensionA[k]);
        if (k > 0) {
            EXPECT_GT(model->frequency[k], model->frequency[k - 1]);
        }
        EXPECT_EQ(model->active[k], 0);
        EXPECT_EQ(model->held[k], 0);
        EXPECT_EQ(model->strikeLength[k], 0);
        for (int s = 0; s < 2; ++s)
            for (int j = 0; j < kMaxPoints; ++j) {
                EXPECT_EQ(model->pos[k][s][j], 0.0f);
                EXPECT_EQ(model->vel[k][s][j], 0.0f);
            }
    }
    EXPECT_EQ(model->segments[36], 97);
    EXPECT_EQ(model->segments[85], 5);
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <thread>

#include "tests/engine/EngineFixture.h"

namespace {

class StrikeTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() { model = makeBuiltModel().release(); }
    static void TearDownTestSuite() {
        delete model;
        model = nullptr;
    }
    static KeyModel* model;
};

KeyModel* StrikeTables::model = nullptr;

TEST_F(StrikeTables, LengthsAreThreePeriods) {
    ASSERT_NE(model, nullptr);
    EXPECT_EQ(model->strikeLength[0], 4809);
    EXPECT_EQ(model->strikeLength[48], 300);
    EXPECT_EQ(model->strikeLength[87], 30);
    for (int k = 0; k < kNumKeys; ++k) {
        EXPECT_NE(model->strikeRaw[k], nullptr);
        EXPECT_NE(model->strikeSmooth[k], nullptr);
        EXPECT_EQ(model->strikeLeft[k], 0);
        EXPECT_EQ(model->strikeGainRaw[k], 0.0f);
        EXPECT_EQ(model->strikeGainSmooth[k], 0.0f);
    }
}

TEST_F(StrikeTables, Key48PlaysTheReferenceWaveforms) {
    ASSERT_NE(model, nullptr);
    const float* raw = model->strikeRaw[48];
    const float* smooth = model->strikeSmooth[48];
    // Quoted to three significant digits, first played element first.
    const float rawStart[] = {-2.41e-3f, -3.82e-3f, -2.37e-3f, 2.04e-3f, 2.11e-3f};
    const float smoothStart[] = {-1.26e-3f, -6.42e-4f, -2.90e-4f, -2.95e-4f, -4.88e-4f};
    const float smoothTolerance[] = {5e-6f, 5e-7f, 5e-7f, 5e-7f, 5e-7f};
    for (int i = 0; i < 5; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(raw[299 - i], rawStart[i], 5e-6f);
        EXPECT_NEAR(smooth[299 - i], smoothStart[i], smoothTolerance[i]);
    }
    const auto [rawMin, rawMax] = std::minmax_element(raw, raw + 300);
    EXPECT_NEAR(*rawMin, -0.042f, 5e-4f);
    EXPECT_NEAR(*rawMax, 0.049f, 5e-4f);
    const auto [smoothMin, smoothMax] = std::minmax_element(smooth, smooth + 300);
    EXPECT_NEAR(*smoothMin, -0.0065f, 5e-5f);
    EXPECT_NEAR(*smoothMax, 0.0041f, 5e-5f);
}

// The mean over a window cut at the table's ends, divided by what it holds.
float windowMean(const float* raw, int length, int centre, int halfWidth) {
    float sum = raw[centre];
    float count = 1.0f;
    for (int d = 1; d <= halfWidth; ++d) {
        if (centre - d >= 0) {
            sum += raw[centre - d];
            count += 1.0f;
        }
        if (centre + d < length) {
            sum += raw[centre + d];
            count += 1.0f;
        }
    }
    return sum / count;
}

TEST_F(StrikeTables, SmoothingWindowIsCutAtTheEnds) {
    ASSERT_NE(model, nullptr);
    struct Case {
        int key;
        int halfWidth;
    };
    for (const Case c : {Case{48, 12}, Case{0, 12}, Case{72, 12}, Case{87, 5}, Case{80, 7}}) {
        SCOPED_TRACE(c.key);
        const int length = model->strikeLength[c.key];
        const float* raw = model->strikeRaw[c.key];
        const float* smooth = model->strikeSmooth[c.key];
        for (int i : {0, 1, c.halfWidth, length / 2, length - 1 - c.halfWidth, length - 1})
            EXPECT_EQ(smooth[i], windowMean(raw, length, i, c.halfWidth)) << "element " << i;
        // One element wider would differ: the window really is cut at halfWidth.
        EXPECT_NE(smooth[length / 2], windowMean(raw, length, length / 2, c.halfWidth + 1));
    }
}

TEST_F(StrikeTables, FirstPlayedElementCarriesTheFadeInGain) {
    ASSERT_NE(model, nullptr);
    // Step 0 has noise coordinate 0 and, for key 48, square phase 152/100 in the low half.
    const float unfaded = 2.0f * ((-0.5831f - 0.02f) / 100.0f);
    EXPECT_NEAR(model->strikeRaw[48][299], 0.2f * unfaded, 1e-6f);
    // The last played element is at full gain: noise plus the square wave.
    EXPECT_GT(std::fabs(model->strikeRaw[48][0]), 0.0f);
}

void buildInto(std::unique_ptr<KeyModel>& slot) { slot = makeBuiltModel(); }

TEST(StrikeTableConstruction, ConcurrentBuildsGiveIdenticalTables) {
    std::unique_ptr<KeyModel> first;
    std::unique_ptr<KeyModel> second;
    std::thread a(buildInto, std::ref(first));
    std::thread b(buildInto, std::ref(second));
    a.join();
    b.join();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        const int length = first->strikeLength[k];
        ASSERT_EQ(second->strikeLength[k], length);
        EXPECT_EQ(std::memcmp(first->strikeRaw[k], second->strikeRaw[k], length * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(first->strikeSmooth[k], second->strikeSmooth[k], length * sizeof(float)), 0);
    }
    EXPECT_NEAR(first->strikeRaw[48][299], -2.41e-3f, 5e-6f);
}

TEST(StrikeTableConstruction, RebuildKeepsTablesAndValues) {
    auto model = makeBuiltModel();
    ASSERT_NE(model, nullptr);
    float* raw = model->strikeRaw[48];
    const float firstPlayed = raw[299];
    model->noteOn(48, 100);
    ASSERT_TRUE(model->buildStrikeTables());
    EXPECT_EQ(model->strikeRaw[48], raw);
    EXPECT_EQ(model->strikeRaw[48][299], firstPlayed);
    EXPECT_EQ(model->strikeLeft[48], 0);
    EXPECT_EQ(model->strikeGainRaw[48], 0.0f);
}

}  // namespace

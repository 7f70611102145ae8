#include <gtest/gtest.h>

#include "tests/engine/EngineFixture.h"

namespace {

class KeyActions : public ::testing::Test {
protected:
    void SetUp() override {
        model = makeBuiltModel();
        ASSERT_NE(model, nullptr);
    }
    float heldLoss(int k) const { return model->heldLoss[k]; }
    float releaseLoss(int k) const { return model->releaseLoss[k]; }
    std::unique_ptr<KeyModel> model;
};

TEST_F(KeyActions, VelocitySplitsIntoTwoStrikeGains) {
    struct Row {
        int velocity;
        float raw;
        float smooth;
    };
    const Row rows[] = {{1, 0.0f, 0.007874f},       {50, 0.0f, 0.393701f},      {51, 0.001518f, 0.400057f},
                        {64, 0.125706f, 0.378231f}, {77, 0.300190f, 0.306109f}, {100, 0.732097f, 0.055304f},
                        {127, 1.44f, -0.44f}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.velocity);
        model->noteOn(20, row.velocity);
        EXPECT_NEAR(model->strikeGainRaw[20], row.raw, 5e-7f);
        EXPECT_NEAR(model->strikeGainSmooth[20], row.smooth, 5e-7f);
        if (row.velocity <= 50) {
            EXPECT_EQ(model->strikeGainRaw[20], 0.0f);
        }
    }
}

TEST_F(KeyActions, NoteOnStrikesAndRestartsWithoutClearingTheStrings) {
    model->noteOn(48, 100);
    EXPECT_EQ(model->active[48], 1);
    EXPECT_EQ(model->held[48], 1);
    EXPECT_EQ(model->strikeLeft[48], 300);
    EXPECT_EQ(model->loss[48], heldLoss(48));

    float left[40];
    float right[40];
    renderShare(*model, 0, 1, 40, left, right);
    model->loss[48] = releaseLoss(48);
    const float displacement = model->pos[48][0][7];
    ASSERT_NE(displacement, 0.0f);

    model->noteOn(48, 30);
    EXPECT_EQ(model->strikeLeft[48], 300);
    EXPECT_EQ(model->loss[48], heldLoss(48));
    EXPECT_EQ(model->pos[48][0][7], displacement);
    EXPECT_EQ(model->strikeGainRaw[48], 0.0f);
}

TEST_F(KeyActions, NoteOffCutsTheStrikeAndReleasesUnlessPedalled) {
    model->noteOn(48, 100);
    model->noteOff(48);
    EXPECT_EQ(model->strikeLeft[48], 0);
    EXPECT_EQ(model->strikeGainRaw[48], 0.0f);
    EXPECT_EQ(model->strikeGainSmooth[48], 0.0f);
    EXPECT_EQ(model->held[48], 0);
    EXPECT_EQ(model->active[48], 1);  // rings on until the kernel finds it quiet
    EXPECT_EQ(model->loss[48], releaseLoss(48));

    model->sustainDown();
    model->noteOn(50, 100);
    model->noteOff(50);
    EXPECT_EQ(model->loss[50], heldLoss(50));
    EXPECT_EQ(model->strikeLeft[50], 0);
    // Let go before the pedal went down: keeps its release damping.
    EXPECT_EQ(model->loss[48], releaseLoss(48));
}

TEST_F(KeyActions, SustainUpReleasesOnlyActiveKeysThatAreNotHeld) {
    model->sustainDown();
    model->noteOn(10, 80);
    model->noteOff(10);  // pedalled
    model->noteOn(11, 80);
    model->noteOff(11);
    model->noteOn(11, 80);  // pressed again: held
    model->noteOn(12, 80);
    model->noteOff(12);
    model->active[12] = 0;  // fell silent in the kernel
    model->loss[12] = 1.0f;
    EXPECT_EQ(model->pedalHeld, 1);

    model->sustainUp();
    EXPECT_EQ(model->pedalHeld, 0);
    EXPECT_EQ(model->loss[10], releaseLoss(10));
    EXPECT_EQ(model->loss[11], heldLoss(11));
    EXPECT_EQ(model->loss[12], 1.0f);

    // Then a note-off with the pedal up releases at once.
    model->noteOff(11);
    EXPECT_EQ(model->loss[11], releaseLoss(11));
}

TEST_F(KeyActions, SustainUpWithNoKeyActiveChangesNoLoss) {
    for (int k = 0; k < kNumKeys; ++k) model->loss[k] = static_cast<float>(k);
    model->sustainDown();
    model->sustainUp();
    for (int k = 0; k < kNumKeys; ++k) EXPECT_EQ(model->loss[k], static_cast<float>(k));
}

TEST_F(KeyActions, AllNotesOffClearsOnlyActiveAndHeld) {
    model->sustainDown();
    model->noteOn(30, 100);
    model->noteOn(31, 100);
    model->noteOff(31);
    model->allNotesOff();
    for (int k : {30, 31}) {
        EXPECT_EQ(model->active[k], 0);
        EXPECT_EQ(model->held[k], 0);
        EXPECT_EQ(model->loss[k], heldLoss(k));
    }
    EXPECT_EQ(model->strikeLeft[30], model->strikeLength[30]);
    EXPECT_NE(model->strikeGainRaw[30], 0.0f);
    EXPECT_EQ(model->pedalHeld, 1);
}

}  // namespace

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "tests/engine/EngineFixture.h"

namespace {

std::unique_ptr<KeyModel> makeTunedModel() {
    auto model = std::make_unique<KeyModel>();
    model->tuneKeys();
    return model;
}

std::vector<unsigned char> snapshot(const KeyModel& model) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&model);
    return {bytes, bytes + sizeof model};
}

TEST(Coefficients, Program0Values) {
    auto model = makeTunedModel();
    model->updateCoefficients(kAllDirty, program0(kMetalPlastic), program0(kSustain), program0(kDamper));
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        EXPECT_NEAR(model->heldLoss[k], 2.1450e-5f, 5e-10f);
        EXPECT_NEAR(model->releaseLoss[k], 9.7010e-5f, 5e-10f);
        EXPECT_EQ(model->loss[k], model->releaseLoss[k]);
    }
    EXPECT_NEAR(model->highDamping[0], 5.6189e-6f, 5e-11f);
    EXPECT_NEAR(model->highDamping[48], 3.3142e-4f, 5e-9f);

    model->updateCoefficients(kAllDirty, 1.0f, program0(kSustain), program0(kDamper));
    EXPECT_NEAR(model->highDamping[48], 5.9041e-3f, 5e-8f);
    EXPECT_NEAR(model->highDamping[0], 1.001e-4f, 1e-10f);
}

TEST(Coefficients, ExtremeCurveEnds) {
    auto model = makeTunedModel();
    model->updateCoefficients(kAllDirty, 0.0f, 1.0f, 0.0f);
    EXPECT_EQ(model->highDamping[0], std::bit_cast<float>(0x33d6bf95u));
    EXPECT_EQ(model->heldLoss[30], std::bit_cast<float>(0x3727c5acu));
    EXPECT_EQ(model->releaseLoss[30], model->heldLoss[30]);  // Damper 0 rings on like a held key
    model->updateCoefficients(kAllDirty, 0.0f, 0.0f, 1.0f);
    EXPECT_NEAR(model->heldLoss[30], 1.1e-4f, 1e-10f);
    EXPECT_NEAR(model->releaseLoss[30], 6.1e-4f, 1e-9f);
}

TEST(Coefficients, OutOfRangeValuesAreClamped) {
    auto high = makeTunedModel();
    auto one = makeTunedModel();
    high->updateCoefficients(kAllDirty, 1.5f, 1.5f, 1.5f);
    one->updateCoefficients(kAllDirty, 1.0f, 1.0f, 1.0f);
    auto low = makeTunedModel();
    auto zero = makeTunedModel();
    low->updateCoefficients(kAllDirty, -0.2f, -0.2f, -0.2f);
    zero->updateCoefficients(kAllDirty, 0.0f, 0.0f, 0.0f);
    // A NaN from a damaged chunk must not reach the strings.
    auto nan = makeTunedModel();
    const float notANumber = std::numeric_limits<float>::quiet_NaN();
    nan->updateCoefficients(kAllDirty, notANumber, notANumber, notANumber);
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(high->highDamping[k], one->highDamping[k]);
        EXPECT_EQ(high->heldLoss[k], one->heldLoss[k]);
        EXPECT_EQ(high->releaseLoss[k], one->releaseLoss[k]);
        EXPECT_EQ(low->highDamping[k], zero->highDamping[k]);
        EXPECT_EQ(low->heldLoss[k], zero->heldLoss[k]);
        EXPECT_EQ(low->releaseLoss[k], zero->releaseLoss[k]);
        EXPECT_EQ(nan->highDamping[k], zero->highDamping[k]);
        EXPECT_EQ(nan->releaseLoss[k], zero->releaseLoss[k]);
        EXPECT_EQ(nan->loss[k], zero->loss[k]);
    }
}

TEST(Coefficients, OnlyTheDirtyFieldsAreWritten) {
    auto model = makeTunedModel();
    model->updateCoefficients(kAllDirty, program0(kMetalPlastic), program0(kSustain), program0(kDamper));
    model->noteOn(10, 90);  // loss = heldLoss
    const auto before = snapshot(*model);

    model->updateCoefficients(0, 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(snapshot(*model), before);
    model->updateCoefficients(dirtyBit(kVolume), 1.0f, 0.0f, 1.0f);
    EXPECT_EQ(snapshot(*model), before);

    const float heldBefore = model->heldLoss[10];
    const float highBefore = model->highDamping[10];
    model->updateCoefficients(dirtyBit(kDamper), 1.0f, 0.0f, 1.0f);
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(model->heldLoss[k], heldBefore);  // Sustain was not dirty
        EXPECT_EQ(model->releaseLoss[k], 5e-4f + heldBefore);
        EXPECT_EQ(model->loss[k], model->releaseLoss[k]);  // held key 10 included
    }
    EXPECT_EQ(model->highDamping[10], highBefore);
}

TEST(Coefficients, SustainChangeRecomputesReleaseFromNewHeldLoss) {
    auto model = makeTunedModel();
    model->updateCoefficients(kAllDirty, program0(kMetalPlastic), program0(kSustain), program0(kDamper));
    const float highBefore = model->highDamping[48];
    model->updateCoefficients(dirtyBit(kSustain), 1.0f, 1.0f, 0.0f);
    EXPECT_EQ(model->heldLoss[48], std::bit_cast<float>(0x3727c5acu));
    EXPECT_EQ(model->releaseLoss[48], model->heldLoss[48]);
    EXPECT_EQ(model->highDamping[48], highBefore);
}

}  // namespace

#include <gtest/gtest.h>

#include <new>

#include "tests/engine/EngineFixture.h"

namespace {

// Non-throwing array allocations left before one fails; negative never fails.
int allocationsBeforeFailure = -1;

}  // namespace

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    if (allocationsBeforeFailure == 0) return nullptr;
    if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
    try {
        return ::operator new[](size);
    } catch (...) {
        return nullptr;
    }
}

namespace {

std::unique_ptr<KeyModel> tunedModel() {
    auto model = std::make_unique<KeyModel>();
    model->tuneKeys();
    return model;
}

// Two tables per key: keys before the failing one keep theirs, no later key gets any.
void expectBuiltUpTo(const KeyModel& model, int firstMissing) {
    for (int k = 0; k < kNumKeys; ++k) {
        SCOPED_TRACE(k);
        const bool built = k < firstMissing;
        EXPECT_EQ(model.strikeRaw[k] != nullptr, built);
        EXPECT_EQ(model.strikeSmooth[k] != nullptr, built);
        EXPECT_EQ(model.strikeLength[k] != 0, built);
    }
}

TEST(StrikeAllocation, FailureMidwayKeepsTheBuiltTablesOwned) {
    auto model = tunedModel();
    allocationsBeforeFailure = 2 * 40 + 1;  // key 40's smoothed table fails
    EXPECT_FALSE(model->buildStrikeTables());
    allocationsBeforeFailure = -1;
    expectBuiltUpTo(*model, 40);
    EXPECT_NEAR(model->strikeRaw[39][model->strikeLength[39] - 1], 0.0f, 0.1f);
}

TEST(StrikeAllocation, RetryAfterFailureCompletesTheTables) {
    auto model = tunedModel();
    allocationsBeforeFailure = 2 * 70;
    EXPECT_FALSE(model->buildStrikeTables());
    allocationsBeforeFailure = -1;
    EXPECT_TRUE(model->buildStrikeTables());
    expectBuiltUpTo(*model, kNumKeys);
    EXPECT_EQ(model->strikeLength[87], 30);
}

}  // namespace

// The decision to wake the workers follows what passes and lone renders are
// measured to cost, and a single preempted block cannot swing it.
#include <gtest/gtest.h>

#include "plugin/PassPlanner.h"

namespace {

// A machine where the calling thread renders one point-frame in 1 ns and a
// pass adds 40 µs: passes pay from 80,000 with two workers.
constexpr double kSecondsPerWork = 1e-9;
constexpr double kOverhead = 40e-6;

void teach(PassPlanner& planner, int workers, int times) {
    for (int i = 0; i < times; ++i) {
        planner.renderedAlone(50000, 50000 * kSecondsPerWork);
        planner.renderedInAPass(400000, kOverhead + 400000 * kSecondsPerWork / workers);
    }
}

}  // namespace

TEST(PassPlanner, LearnsTheBreakEvenOfThisMachine) {
    PassPlanner one(1);
    EXPECT_FALSE(one.worthAPass(1'000'000'000));

    PassPlanner two(2);
    EXPECT_NEAR(two.breakEven(), 150000, 1);
    teach(two, 2, 300);
    EXPECT_NEAR(two.breakEven(), 80000, 800);
    EXPECT_TRUE(two.worthAPass(81000));
    EXPECT_FALSE(two.worthAPass(70000));

    PassPlanner three(3);
    teach(three, 3, 300);
    EXPECT_NEAR(three.breakEven(), 60000, 600);  // 40 µs / (1 ns · 2/3)
}

TEST(PassPlanner, OnePreemptedBlockMovesTheEstimateLittle) {
    PassPlanner planner(2);
    teach(planner, 2, 300);
    const double before = planner.breakEven();
    planner.renderedInAPass(400000, 0.010);  // a pass that took 10 ms
    EXPECT_LT(planner.breakEven(), before * 1.2);
    planner.renderedAlone(50000, 0.010);
    EXPECT_GT(planner.breakEven(), before * 0.8);
    // Blocks too light to time tell nothing.
    const double settled = planner.breakEven();
    planner.renderedAlone(100, 1.0);
    EXPECT_EQ(planner.breakEven(), settled);
}

TEST(PassPlanner, NowAndThenTriesAPassBelowTheBreakEven) {
    PassPlanner planner(2);
    teach(planner, 2, 300);
    const auto justBelow = static_cast<std::int64_t>(planner.breakEven() * 0.9);
    const auto farBelow = static_cast<std::int64_t>(planner.breakEven() * 0.2);
    int tried = 0;
    for (int i = 0; i < 1280; ++i) tried += planner.worthAPass(justBelow);
    EXPECT_EQ(tried, 10);
    for (int i = 0; i < 1280; ++i) EXPECT_FALSE(planner.worthAPass(farBelow));

    // Passes measured cheaper bring the break-even down again.
    const double high = planner.breakEven();
    for (int i = 0; i < 200; ++i) planner.renderedInAPass(400000, 5e-6 + 400000 * kSecondsPerWork / 2);
    EXPECT_LT(planner.breakEven(), high / 4);
}

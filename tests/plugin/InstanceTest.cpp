// The plug-in object in-process, where its internals are visible.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "plugin/quenor.h"
#include "tests/support/MidiDriver.h"

using namespace testhost;

namespace {

std::unique_ptr<quenor> makeInstance(int workers = 1) { return std::make_unique<quenor>(nullptr, workers); }

bool sameKeyStates(const KeyModel& a, const KeyModel& b) {
    return std::memcmp(a.pos, b.pos, sizeof a.pos) == 0 && std::memcmp(a.vel, b.vel, sizeof a.vel) == 0 &&
           std::memcmp(a.active, b.active, sizeof a.active) == 0 &&
           std::memcmp(a.strikeLeft, b.strikeLeft, sizeof a.strikeLeft) == 0 &&
           std::memcmp(a.loss, b.loss, sizeof a.loss) == 0;
}

const std::vector<TimedMessage> kPiece = {
    {0, 0x90, 21, 110},  {0, 0x90, 45, 64},   {0, 0xB0, 64, 100}, {37, 0x90, 69, 127}, {300, 0x80, 45, 0},
    {300, 0x90, 93, 80}, {901, 0x90, 108, 1}, {1200, 0x80, 21, 0}, {1500, 0xB0, 64, 0}, {2222, 0x90, 57, 90},
    {3000, 0x90, 33, 50}, {3500, 0x80, 69, 0},
};

}  // namespace

TEST(Instance, ConstructionEndsResumedWithCoefficientsCurrent) {
    auto plugin = makeInstance();
    EXPECT_FALSE(plugin->isSuspended());
    EXPECT_EQ(plugin->pendingDirtyBits(), 0u);
    EXPECT_EQ(plugin->getProgram(), 0);
    const KeyModel& keys = plugin->keyModel();
    for (int k = 0; k < kNumKeys; ++k) {
        EXPECT_EQ(keys.active[k], 0);
        EXPECT_EQ(keys.loss[k], keys.releaseLoss[k]);
        EXPECT_NE(keys.strikeRaw[k], nullptr);
    }
    EXPECT_EQ(keys.pedalHeld, 0);
}

TEST(Instance, ParameterChangesOnlyMarkTheirBit) {
    auto plugin = makeInstance();
    plugin->setParameter(2, 0.9f);
    EXPECT_EQ(plugin->pendingDirtyBits(), 0x8u);
    plugin->setParameter(0, 0.1f);
    EXPECT_EQ(plugin->pendingDirtyBits(), 0xAu);
    const float heldBefore = plugin->keyModel().heldLoss[0];
    StereoBuffer ignored = process(plugin->getAeffect(), 16);
    EXPECT_EQ(plugin->pendingDirtyBits(), 0u);
    EXPECT_NE(plugin->keyModel().heldLoss[0], heldBefore);

    plugin->setProgram(3);
    EXPECT_EQ(plugin->pendingDirtyBits(), kAllDirty);
    plugin->setProgram(4);
    plugin->setProgram(-1);
    EXPECT_EQ(plugin->getProgram(), 3);
}

TEST(Instance, FramesZeroOrLessRefreshCoefficientsOnly) {
    auto plugin = makeInstance();
    sendMidi(plugin->getAeffect(), {noteOn(0, 60, 100)});
    plugin->setParameter(1, 1.0f);
    StereoBuffer none = process(plugin->getAeffect(), 0);
    EXPECT_EQ(plugin->pendingDirtyBits(), 0u);
    EXPECT_EQ(plugin->keyModel().active[39], 0);  // the note is still queued
    process(plugin->getAeffect(), 1);
    EXPECT_EQ(plugin->keyModel().active[39], 1);
}

TEST(Instance, LargerBlockSizeGivesRoomForLargerBlocks) {
    // Under AddressSanitizer a buffer smaller than the block would be caught here.
    auto plugin = makeInstance(3);
    plugin->setBlockSize(4096);
    EXPECT_EQ(plugin->getBlockSize(), 4096);
    sendMidi(plugin->getAeffect(), {noteOn(0, 30, 127), noteOn(4000, 90, 127)});
    const StereoBuffer out = process(plugin->getAeffect(), 4096);
    EXPECT_EQ(out.frames(), 4096u);
    plugin->setBlockSize(0);  // nonsense size: the buffers stay usable
    process(plugin->getAeffect(), 2048);
}

TEST(Instance, WorkerCountChangesNoKeyAndOnlyTheMixOrder) {
    auto single = makeInstance(1);
    const StereoBuffer reference = perform(single->getAeffect(), kPiece, 5000, 128);
    for (int workers : {2, 3, 5, 16}) {
        SCOPED_TRACE(workers);
        auto plugin = makeInstance(workers);
        ASSERT_EQ(plugin->workerCount(), workers);
        const StereoBuffer out = perform(plugin->getAeffect(), kPiece, 5000, 128);
        EXPECT_TRUE(sameKeyStates(single->keyModel(), plugin->keyModel()));
        for (std::size_t i = 0; i < out.frames(); ++i) {
            ASSERT_NEAR(out.left[i], reference.left[i], 1e-6f) << i;
            ASSERT_NEAR(out.right[i], reference.right[i], 1e-6f) << i;
        }
    }
}

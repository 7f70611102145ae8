// The plug-in object in-process, where its internals are visible.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include "plugin/MidiVocabulary.h"
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

constexpr unsigned char kOn = midi::kNoteOn, kOff = midi::kNoteOff, kCtl = midi::kControlChange;
constexpr unsigned char kPedal = midi::kSustainPedal, kA0 = midi::kLowestNote, kC8 = midi::kHighestNote;

const std::vector<TimedMessage> kPiece = {
    {0, kOn, kA0, 110},      {0, kOn, 45, 64},    {0, kCtl, kPedal, 100}, {37, kOn, 69, 127},
    {300, kOff, 45, 0},      {300, kOn, 93, 80},  {901, kOn, kC8, 1},     {1200, kOff, kA0, 0},
    {1500, kCtl, kPedal, 0}, {2222, kOn, 57, 90}, {3000, kOn, 33, 50},    {3500, kOff, 69, 0},
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

// kPiece is light enough to be rendered on the calling thread alone; every
// key struck at frame 2000 makes the later stretches heavy enough for the
// workers, so both ways of running the jobs are compared.
std::vector<TimedMessage> withFullKeyboardAt2000() {
    std::vector<TimedMessage> piece = kPiece;
    for (int note = kA0; note <= kC8; ++note) piece.push_back({2000, kOn, static_cast<unsigned char>(note), 70});
    std::stable_sort(piece.begin(), piece.end(),
                     [](const TimedMessage& a, const TimedMessage& b) { return a.frame < b.frame; });
    return piece;
}

TEST(Instance, WorkerCountChangesNoKeyAndOnlyTheMixOrder) {
    for (const auto& piece : {kPiece, withFullKeyboardAt2000()}) {
        SCOPED_TRACE(piece.size());
        auto single = makeInstance(1);
        const StereoBuffer reference = perform(single->getAeffect(), piece, 5000, 128);
        for (int workers : {2, 3, 5, 16}) {
            SCOPED_TRACE(workers);
            auto plugin = makeInstance(workers);
            ASSERT_EQ(plugin->workerCount(), workers);
            const StereoBuffer out = perform(plugin->getAeffect(), piece, 5000, 128);
            EXPECT_TRUE(sameKeyStates(single->keyModel(), plugin->keyModel()));
            for (std::size_t i = 0; i < out.frames(); ++i) {
                ASSERT_NEAR(out.left[i], reference.left[i], 1e-6f) << i;
                ASSERT_NEAR(out.right[i], reference.right[i], 1e-6f) << i;
            }
        }
    }
}

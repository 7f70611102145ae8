// A block's events applied inside each worker's job must leave every key and
// every worker's samples exactly as applying them to the whole model between
// stretches does, whatever the number of workers.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plugin/BlockJob.h"
#include "tests/engine/EngineFixture.h"

namespace {

constexpr int kFrames = 400;

// Equal frames in the order they are applied; some at 0 and some at the block's end.
const std::vector<KeyEvent> kEvents = {
    {0, 40, 0, 0},          {0, 50, 100, 1},       {5, kPedalKey, 0, 0},
    {5, 3, 0, 0},           {17, kPedalKey, 0, 1}, {17, 41, 0, 0},
    {60, 60, 127, 1},       {60, 60, 0, 0},        {61, 60, 20, 1},
    {100, kPedalKey, 0, 0}, {200, 80, 0, 0},       {256, 87, 64, 1},
    {300, kPedalKey, 0, 1}, {300, 1, 50, 1},       {300, 1, 0, 0},
    {301, 2, 70, 1},        {302, 2, 0, 0},        {kFrames, kPedalKey, 0, 0},
    {kFrames, 4, 90, 1},
};

void applyToWholeModel(KeyModel& keys, const KeyEvent& event) {
    if (event.key == kPedalKey)
        event.on ? keys.sustainDown() : keys.sustainUp();
    else if (event.on)
        keys.noteOn(event.key, event.velocity);
    else
        keys.noteOff(event.key);
}

// Some keys sounding, two low ones struck, then released under the pedal
// (they ring on long enough to be sounding when the pedal comes up).
void warmUp(KeyModel& keys) {
    std::vector<float> left(300), right(300);
    for (int k : {3, 20, 21, 40, 41, 60, 80}) keys.noteOn(k, 90);
    renderShare(keys, 0, 1, 300, left.data(), right.data());
    keys.sustainDown();
    keys.noteOff(20);
    keys.noteOff(21);
    renderShare(keys, 0, 1, 100, left.data(), right.data());
    ASSERT_TRUE(keys.active[20] != 0 && keys.active[21] != 0);
}

template <class T, std::size_t N>
bool same(const T (&a)[N], const T (&b)[N]) {
    return std::memcmp(a, b, sizeof a) == 0;
}

}  // namespace

TEST(BlockJob, EventsInsideTheJobsMatchTheWholeModelCutAtEveryEventTime) {
    for (int workers = 1; workers <= 3; ++workers) {
        SCOPED_TRACE(workers);
        auto cut = makeBuiltModel();
        auto inJobs = makeBuiltModel();
        ASSERT_TRUE(cut && inJobs);
        ASSERT_NO_FATAL_FAILURE(warmUp(*cut));
        ASSERT_NO_FATAL_FAILURE(warmUp(*inJobs));

        using Buffers = std::vector<std::vector<float>>;
        Buffers cutLeft(workers, std::vector<float>(kFrames)), cutRight = cutLeft;
        std::size_t next = 0;
        for (int done = 0;;) {
            while (next < kEvents.size() && kEvents[next].frame == done) applyToWholeModel(*cut, kEvents[next++]);
            if (done == kFrames) break;
            const int to = next < kEvents.size() ? kEvents[next].frame : kFrames;
            for (int w = 0; w < workers; ++w)
                renderShare(*cut, w, workers, to - done, cutLeft[w].data() + done, cutRight[w].data() + done);
            done = to;
        }

        Buffers jobLeft(workers, std::vector<float>(kFrames)), jobRight = jobLeft;
        const bool pedalDown = inJobs->pedalHeld != 0;
        for (int w = 0; w < workers; ++w) {
            BlockJob job{{w, workers, inJobs.get(), jobLeft[w].data(), jobRight[w].data(), kFrames},
                         kEvents.data(),
                         static_cast<int>(kEvents.size()),
                         pedalDown};
            runBlockJob(job);
        }
        inJobs->pedalHeld = pedalAfter(pedalDown, kEvents.data(), static_cast<int>(kEvents.size())) ? 1 : 0;

        EXPECT_EQ(jobLeft, cutLeft);
        EXPECT_EQ(jobRight, cutRight);
        EXPECT_TRUE(same(inJobs->pos, cut->pos) && same(inJobs->vel, cut->vel));
        EXPECT_TRUE(same(inJobs->active, cut->active));
        EXPECT_TRUE(same(inJobs->held, cut->held));
        EXPECT_TRUE(same(inJobs->loss, cut->loss));
        EXPECT_TRUE(same(inJobs->strikeLeft, cut->strikeLeft));
        EXPECT_TRUE(same(inJobs->strikeGainRaw, cut->strikeGainRaw));
        EXPECT_EQ(inJobs->pedalHeld, cut->pedalHeld);
    }
}

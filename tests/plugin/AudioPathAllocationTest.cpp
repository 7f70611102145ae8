// Once the event free list has grown to the largest burst, a block allocates nothing.
#include <gtest/gtest.h>

#include <vector>

#include "plugin/MidiVocabulary.h"
#include "plugin/quenor.h"
#include "tests/plugin/CountingAllocator.h"
#include "tests/support/MidiDriver.h"

using namespace testhost;

TEST(AudioPath, AllocatesNothingOnceWarm) {
    for (int workers : {1, 2, 3}) {
        SCOPED_TRACE(workers);
        quenor plugin(nullptr, workers);
        AEffect* effect = plugin.getAeffect();
        std::vector<MidiMessage> burst;
        for (int i = 0; i < 50; ++i) burst.push_back(noteOn(i * 7, 30 + i % 60, 100));
        EventList warmList(burst);
        effect->dispatcher(effect, effProcessEvents, 0, 0, warmList.get(), 0);
        StereoBuffer out(512);
        float* outputs[2] = {out.left.data(), out.right.data()};
        effect->processReplacing(effect, nullptr, outputs, 512);

        std::vector<MidiMessage> again;
        for (int i = 0; i < 40; ++i) again.push_back(i % 2 ? noteOff(i * 9, 30 + i) : noteOn(i * 9, 30 + i, 60));
        again.push_back(controller(100, midi::kSustainPedal, 127));
        again.push_back(controller(0, midi::kVolume, 100));
        EventList list(again);

        testalloc::allocations = 0;
        testalloc::counting = true;
        for (int block = 0; block < 20; ++block) {
            if (block == 3) effect->dispatcher(effect, effProcessEvents, 0, 0, list.get(), 0);
            effect->processReplacing(effect, nullptr, outputs, 512);
        }
        testalloc::counting = false;
        EXPECT_EQ(testalloc::allocations.load(), 0);
    }
}

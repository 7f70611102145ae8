// The plug-in formats' audio path, instrument and converter together: once
// warm, a run allocates nothing, whatever its length, events and changes.
#include <gtest/gtest.h>

#include <vector>

#include "engine/Parameters.h"
#include "host/HostRateInstrument.h"
#include "plugin/MidiVocabulary.h"
#include "tests/plugin/CountingAllocator.h"
#include "vst/VstPluginMain.h"

namespace {

TimedEvent noteOn(std::int64_t frame, int note) {
    return {frame, {midi::kNoteOn, static_cast<std::uint8_t>(note), 100}};
}

TEST(HostRateInstrument, RunsWithoutAllocatingOnceWarm) {
    for (const double rate : {44100.0, 48000.0, 192000.0}) {
        SCOPED_TRACE(rate);
        HostRateInstrument instrument(pluginMain, rate);
        std::vector<float> left(9000), right(9000);
        std::vector<TimedEvent> burst;
        for (int i = 0; i < 60; ++i) burst.push_back(noteOn(i, 30 + i));
        instrument.run(burst, {}, 512, left.data(), right.data());

        std::vector<TimedEvent> events;
        for (int i = 0; i < 40; ++i) events.push_back(noteOn(i * 3, 40 + i));
        events.push_back({100, {midi::kControlChange, midi::kVolume, 90}});
        events.push_back({120, {midi::kControlChange, midi::kAllNotesOff, 0}});
        const std::vector<ParameterChange> changes = {{0, kSustain, 0.2f}, {60, kDamper, 0.9f}};
        testalloc::allocations = 0;
        testalloc::counting = true;
        for (const int frames : {256, 0, 1, 9000, 4096, 33})
            instrument.run(events, changes, frames, left.data(), right.data());
        testalloc::counting = false;
        EXPECT_EQ(testalloc::allocations.load(), 0);
    }
}

}  // namespace

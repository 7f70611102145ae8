// The CLAP instance playing: at 44100 Hz the VST2 module's samples with
// parameter events at their frames, at other rates the same model in tune
// and on time with the latency it reports, and whatever a host gets wrong
// never a crash nor a non-finite sample.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "plugin/MidiVocabulary.h"
#include "plugin/ProgramRecord.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/support/PitchMeasure.h"
#include "tests/support/ReferencePiece.h"

namespace {

using namespace claptest;
using midi::kControlChange;
using midi::kNoteOff;
using midi::kNoteOn;

TEST(ClapPlaying, At44100HzEveryBlockPatternGivesTheVst2ModulesSamples) {
    constexpr int kTotal = 6000;
    const std::vector<TimedEvent> events = referencePiece();
    // Inside blocks, and at a note's frame (the change acts first).
    const std::vector<ParameterChange> changes = {{333, kMetalPlastic, 0.9f}, {333, kDamper, 0.1f},
                                                  {2500, kSustain, 0.3f}, {5003, kVolume, 0.75f}};
    const Stereo expected = vst2Reference(events, changes, kTotal);

    const Module module;
    Host host;
    for (const std::vector<int>& runs : {std::vector<int>{500}, {1}, {500, 0, 1, 499, 0, 500}, {500, 4500, 1000}}) {
        Plugin plugin(module, host);
        ASSERT_TRUE(plugin.activate(44100.0));
        const Stereo played = play(plugin, events, changes, kTotal, runs);
        EXPECT_EQ(plugin.latency(), 0u);
        EXPECT_EQ(std::memcmp(played.left.data(), expected.left.data(), kTotal * sizeof(float)), 0)
            << "blocks of " << runs.front();
        EXPECT_EQ(std::memcmp(played.right.data(), expected.right.data(), kTotal * sizeof(float)), 0)
            << "blocks of " << runs.front();
        // The host hears of Volume as MIDI controller 7 moved it, and then of its own change.
        EXPECT_EQ(plugin.value(kVolume), 0.75f);
    }
}

TEST(ClapPlaying, AtOtherRatesA4IsInTuneAndSoundsTheReportedLatencyAfterItsFrame) {
    constexpr int kNoteFrame = 777;  // host frames, inside the second of the uneven blocks
    const Module module;
    Host host;
    for (const int rate : {48000, 96000}) {
        const int total = rate * 3 / 2;
        Plugin converted(module, host);
        ASSERT_TRUE(converted.activate(rate));
        const Stereo live = play(converted, {midiMessage(kNoteFrame, kNoteOn, 69, 100)}, {}, total, {700, 333, 1, 0, 512});
        ASSERT_TRUE(allFinite(live));
        const int latency = static_cast<int>(converted.latency());
        EXPECT_GT(latency, 0);

        // The same note at the instrument frame its host frame maps to.
        const std::int64_t instrumentFrame = kNoteFrame * std::int64_t{kRenderRate} / rate;
        const Stereo model = vst2Reference({midiMessage(instrumentFrame, kNoteOn, 69, 100)}, {},
                                       static_cast<int>(std::int64_t{total} * kRenderRate / rate) + 1);
        const std::vector<float> ideal = idealConversion(model.left, rate);
        EXPECT_NEAR(lagOfBestCorrelation(live.left, ideal, rate / 50), latency, 2) << rate << " Hz";

        const double modelA4 = partialCentroid(model.left, 4410, 32768, kRenderRate, 440.0, 1.01);
        const std::int64_t start = std::int64_t{4410} * rate / kRenderRate + latency;
        const double liveA4 = partialCentroid(live.left, start, std::int64_t{32768} * rate / kRenderRate, rate, 440.0, 1.01);
        EXPECT_NEAR(cents(liveA4, modelA4), 0.0, 1.0) << rate << " Hz";
    }
}

// Notes in either dialect are the same notes; the softest CLAP note-on still sounds.
TEST(ClapPlaying, NotesInBothDialectsAndAnyVelocityPlay) {
    const Module module;
    Host host;
    Plugin clapNotes(module, host), midiNotes(module, host);
    ASSERT_TRUE(clapNotes.activate(44100.0));
    ASSERT_TRUE(midiNotes.activate(44100.0));
    EventList inClap, inMidi;
    inClap.note(10, true, 60, 0.001);
    inClap.note(20, true, 64, 0.5);
    inClap.note(300, false, 60, 0.0);
    inMidi.midi(10, midiMessage(0, kNoteOn, 60, 1));
    inMidi.midi(20, midiMessage(0, kNoteOn, 64, 64));
    inMidi.midi(300, midiMessage(0, kNoteOff, 60, 0));
    Stereo a, b;
    clapNotes.process(inClap, 512, a);
    midiNotes.process(inMidi, 512, b);
    EXPECT_EQ(a.left, b.left);
    Plugin silent(module, host);
    ASSERT_TRUE(silent.activate(44100.0));
    Stereo c;
    silent.process({}, 512, c);
    EXPECT_NE(a.left, c.left);
}

TEST(ClapPlaying, BadInputIsRefusedOrPlayedSafely) {
    const Module module;
    Host host;
    {
        Plugin plugin(module, host);
        for (const double rate : {0.0, -44100.0, 1000000.0, std::numeric_limits<double>::quiet_NaN()})
            EXPECT_FALSE(plugin.activate(rate)) << rate;
        // Not active: no block is played.
        Stereo none;
        EXPECT_EQ(plugin.process({}, 64, none), CLAP_PROCESS_ERROR);
        // Calls for the main thread from another are refused.
        host.answerMainThread = false;
        EXPECT_FALSE(plugin.activate(44100.0));
        host.answerMainThread = true;
    }

    // Out-of-range values act as the nearest end, non-finite ones leave the value as it was.
    Plugin clamped(module, host), expected(module, host), unchanged(module, host), untouched(module, host);
    for (Plugin* plugin : {&clamped, &expected, &unchanged, &untouched}) ASSERT_TRUE(plugin->activate(48000.0));
    EventList outOfRange, ends, nonFinite, none;
    outOfRange.param(0, kMetalPlastic, 7.0);
    outOfRange.param(0, kVolume, -3.0);
    ends.param(0, kMetalPlastic, 1.0);
    ends.param(0, kVolume, 0.0);
    nonFinite.param(0, kSustain, std::numeric_limits<double>::quiet_NaN());
    nonFinite.param(0, kDamper, std::numeric_limits<double>::infinity());
    nonFinite.param(0, 99, 0.5);
    for (EventList* list : {&outOfRange, &ends, &nonFinite, &none}) list->note(0, true, 60, 0.8);
    Stereo a, b, c, d;
    clamped.process(outOfRange, 256, a);
    expected.process(ends, 256, b);
    EXPECT_EQ(a.left, b.left);
    unchanged.process(nonFinite, 256, c);
    untouched.process(none, 256, d);
    EXPECT_EQ(c.left, d.left);
    EXPECT_EQ(unchanged.value(kSustain), kFactoryPrograms[0].parameters[kSustain]);

    // An event in a 0-frame block plays at the next block's start; one past
    // the block's end at the next block's start; one before its predecessor with it.
    Plugin late(module, host), onTime(module, host);
    ASSERT_TRUE(late.activate(44100.0));
    ASSERT_TRUE(onTime.activate(44100.0));
    Stereo lateOut, onTimeOut;
    EventList first, second, all;
    first.note(0, true, 60);
    late.process(first, 0, lateOut);
    second.note(100, true, 64);
    second.note(50, true, 67);
    second.param(70, kDamper, 0.9);
    second.note(900, true, 72);
    late.process(second, 256, lateOut);
    late.process({}, 256, lateOut);
    all.note(0, true, 60);
    all.param(100, kDamper, 0.9);
    all.note(100, true, 64);
    all.note(100, true, 67);
    all.note(256, true, 72);
    onTime.process(all, 512, onTimeOut);
    EXPECT_EQ(lateOut.left, onTimeOut.left);

    // Notes outside the piano, on other ports, or of other kinds, and a
    // block without outputs: nothing plays and nothing breaks.
    Plugin odd(module, host);
    ASSERT_TRUE(odd.activate(96000.0));
    EventList strange;
    strange.note(0, true, 200, 0.5);
    strange.note(0, true, -1, std::numeric_limits<double>::quiet_NaN());
    strange.midi(1, midiMessage(0, 0xF0, 1, 2));
    Stereo safe;
    EXPECT_EQ(odd.process(strange, 4000, safe), CLAP_PROCESS_CONTINUE);
    EXPECT_TRUE(allFinite(safe));
    const clap_process_t noOutputs{-1, 64, nullptr, nullptr, nullptr, 0, 0, strange.input(), nullptr};
    EXPECT_EQ(odd.plugin->process(odd.plugin, &noOutputs), CLAP_PROCESS_ERROR);
}

// The audio thread plays while the main thread reads values, saves and
// loads states: nothing waits, nothing races (the tsan build's check).
TEST(ClapPlaying, TheMainThreadNeverRacesTheAudioThread) {
    const Module module;
    Host host;
    Plugin plugin(module, host);
    ASSERT_TRUE(plugin.activate(48000.0));
    const std::vector<std::uint8_t> state = save(plugin.plugin, plugin.state);
    Stereo out;
    std::thread audio([&] {
        EventList events;
        events.note(0, true, 60, 0.8);
        events.param(10, kSustain, 0.3);
        events.midi(20, midiMessage(0, kControlChange, midi::kVolume, 100));
        for (int block = 0; block < 200; ++block) plugin.process(events, 128, out);
    });
    for (int round = 0; round < 200; ++round) {
        EXPECT_TRUE(load(plugin.plugin, plugin.state, state));
        EXPECT_FALSE(save(plugin.plugin, plugin.state).empty());
        EXPECT_TRUE(std::isfinite(plugin.value(round % 5)));
    }
    audio.join();
    EXPECT_TRUE(allFinite(out));
}

}  // namespace

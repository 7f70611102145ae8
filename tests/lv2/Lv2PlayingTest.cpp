// The LV2 instance playing: at 44100 Hz the VST2 module's samples, at other
// rates the same model in tune and on time with the latency it reports, and
// whatever a host gets wrong never a crash nor a non-finite sample.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "plugin/MidiVocabulary.h"
#include "plugin/ProgramRecord.h"
#include "tests/lv2/LilvHost.h"
#include "tests/support/ConversionMeasure.h"
#include "tests/support/PitchMeasure.h"
#include "tests/support/ReferencePiece.h"

namespace {

using namespace lv2test;
using midi::kAllNotesOff;
using midi::kControlChange;
using midi::kNoteOn;

// Plays events (host frames) in runs of the given lengths, repeated; before
// the run starting at a change's frame its control port takes the value.
Stereo playLv2(Instance& instance, const std::vector<TimedEvent>& events, const std::vector<ParameterChange>& changes,
               int total, const std::vector<int>& runs) {
    Stereo out;
    std::size_t nextEvent = 0, nextChange = 0, run = 0;
    for (int start = 0; start < total;) {
        const int length = std::min(runs[run++ % runs.size()], total - start);
        for (; nextChange < changes.size() && changes[nextChange].frame <= start; ++nextChange)
            instance.controls[changes[nextChange].index] = changes[nextChange].value;
        for (; nextEvent < events.size() && events[nextEvent].frame < start + length; ++nextEvent) {
            TimedEvent event = events[nextEvent];
            event.frame -= start;
            instance.midi.add(event);
        }
        instance.run(length, out.left, out.right);
        start += length;
    }
    return out;
}

TEST(Lv2Playing, At44100HzEveryRunPatternGivesTheVst2ModulesSamples) {
    constexpr int kTotal = 6000;
    const std::vector<TimedEvent> events = referencePiece();
    // The port changes land on run starts of every pattern below.
    const std::vector<ParameterChange> changes = {{500, kMetalPlastic, 0.9f}, {500, kDamper, 0.1f},
                                                  {5000, kVolume, 0.75f}};

    const Stereo reference = vst2Reference(events, changes, kTotal);

    World world;
    // The last pattern's second run is longer than the pieces the instrument plays.
    for (const std::vector<int>& runs : {std::vector<int>{500}, {1}, {500, 0, 1, 499, 0, 500}, {500, 4500, 1000}}) {
        Instance instance(world, 44100.0);
        ASSERT_NE(instance.get(), nullptr);
        const Stereo played = playLv2(instance, events, changes, kTotal, runs);
        EXPECT_EQ(instance.latency, 0.0f);
        EXPECT_EQ(std::memcmp(played.left.data(), reference.left.data(), kTotal * sizeof(float)), 0)
            << "runs of " << runs.front();
        EXPECT_EQ(std::memcmp(played.right.data(), reference.right.data(), kTotal * sizeof(float)), 0)
            << "runs of " << runs.front();
    }
}

// Every event at its host frame, whatever the runs: the same samples for any
// run pattern, at a rate where two host frames can share an instrument frame.
TEST(Lv2Playing, AtOtherRatesEveryRunPatternGivesTheSameSamples) {
    const std::vector<TimedEvent> events = {
        midiMessage(0, kNoteOn, 60, 100),   midiMessage(1, kNoteOn, 64, 90),   midiMessage(2, kNoteOn, 67, 70),
        midiMessage(2501, kControlChange, midi::kVolume, 30),              midiMessage(2502, kNoteOn, 72, 110),
        midiMessage(7000, kControlChange, kAllNotesOff, 0),                midiMessage(7001, kNoteOn, 48, 127)};
    const std::vector<ParameterChange> changes = {{5000, kMetalPlastic, 0.9f}};
    World world;
    for (const int rate : {96000, 22050}) {
        std::vector<float> first;
        for (const std::vector<int>& runs : {std::vector<int>{5000}, {1}, {1000, 0, 1, 3, 996, 0, 3000}, {5000, 4097, 1}}) {
            Instance instance(world, rate);
            ASSERT_NE(instance.get(), nullptr);
            const Stereo played = playLv2(instance, events, changes, 10000, runs);
            if (first.empty()) first = played.left;
            else EXPECT_EQ(played.left, first) << rate << " Hz, runs of " << runs.front() << ", " << runs.back();
        }
    }
}

TEST(Lv2Playing, AtOtherRatesA4IsInTuneAndSoundsTheReportedLatencyAfterItsFrame) {
    constexpr int kNoteFrame = 777;  // host frames, inside the second of the uneven runs
    World world;
    for (const int rate : {48000, 96000}) {
        const int total = rate * 3 / 2;
        Instance converted(world, rate);
        ASSERT_NE(converted.get(), nullptr);
        const Stereo live = playLv2(converted, {midiMessage(kNoteFrame, kNoteOn, 69, 100)}, {}, total, {700, 333, 1, 0, 512});
        ASSERT_TRUE(allFinite(live));
        const int latency = static_cast<int>(converted.latency);
        EXPECT_GT(latency, 0);

        // The same note at the instrument frame its host frame maps to.
        const std::int64_t instrumentFrame = kNoteFrame * std::int64_t{kRenderRate} / rate;
        Instance native(world, kRenderRate);
        const Stereo model = playLv2(native, {midiMessage(instrumentFrame, kNoteOn, 69, 100)}, {},
                                     static_cast<int>(std::int64_t{total} * kRenderRate / rate) + 1, {4096});
        const std::vector<float> ideal = idealConversion(model.left, rate);
        EXPECT_NEAR(lagOfBestCorrelation(live.left, ideal, rate / 50), latency, 2) << rate << " Hz";

        const double modelA4 = partialCentroid(model.left, 4410, 32768, kRenderRate, 440.0, 1.01);
        const std::int64_t start = std::int64_t{4410} * rate / kRenderRate + latency;
        const double liveA4 = partialCentroid(live.left, start, std::int64_t{32768} * rate / kRenderRate, rate, 440.0, 1.01);
        EXPECT_NEAR(cents(liveA4, modelA4), 0.0, 1.0) << rate << " Hz";
    }
}

TEST(Lv2Playing, BadInputIsRefusedOrPlayedSafely) {
    World world;
    const LV2_Feature mapFeature{LV2_URID__map, uridMap()};
    const LV2_Feature* withMap[] = {&mapFeature, nullptr};
    const LV2_Feature* withoutMap[] = {nullptr};
    for (const double rate : {0.0, -44100.0, 1000000.0, std::numeric_limits<double>::quiet_NaN()})
        EXPECT_EQ(lilv_plugin_instantiate(world.plugin(), rate, withMap), nullptr) << rate;
    EXPECT_EQ(lilv_plugin_instantiate(world.plugin(), 44100.0, withoutMap), nullptr);

    // Out-of-range control values act as the nearest end, NaN leaves the value as it was.
    Instance clamped(world, 44100.0), expected(world, 44100.0), unchanged(world, 44100.0);
    clamped.controls[kMetalPlastic] = 7.0f;
    clamped.controls[kVolume] = -3.0f;
    expected.controls[kMetalPlastic] = 1.0f;
    expected.controls[kVolume] = 0.0f;
    Stereo a, b, c, d;
    for (Instance* instance : {&clamped, &expected, &unchanged}) instance->midi.add(0, kNoteOn, 60, 100);
    clamped.run(256, a.left, a.right);
    expected.run(256, b.left, b.right);
    EXPECT_EQ(a.left, b.left);
    unchanged.run(256, c.left, c.right);
    unchanged.controls[kSustain] = std::numeric_limits<float>::quiet_NaN();
    unchanged.run(256, c.left, c.right);
    Instance reference(world, 44100.0);
    reference.midi.add(0, kNoteOn, 60, 100);
    reference.run(512, d.left, d.right);
    EXPECT_EQ(c.left, d.left);

    // An event in a 0-frame run plays at the next run's start; one past the
    // run's end at the next run's start; one before its predecessor with it.
    Instance late(world, 44100.0), onTime(world, 44100.0);
    Stereo lateOut, onTimeOut;
    late.midi.add(0, kNoteOn, 60, 100);
    late.run(0, lateOut.left, lateOut.right);
    late.midi.add(100, kNoteOn, 64, 100);
    late.midi.add(50, kNoteOn, 67, 100);
    late.midi.add(900, kNoteOn, 72, 100);
    late.run(256, lateOut.left, lateOut.right);
    late.run(256, lateOut.left, lateOut.right);
    for (const TimedEvent& event : {midiMessage(0, kNoteOn, 60, 100), midiMessage(100, kNoteOn, 64, 100),
                                    midiMessage(100, kNoteOn, 67, 100), midiMessage(256, kNoteOn, 72, 100)})
        onTime.midi.add(event);
    onTime.run(512, onTimeOut.left, onTimeOut.right);
    EXPECT_EQ(lateOut.left, onTimeOut.left);

    // An event whose size runs past the sequence's end, and a sequence whose
    // size promises more than a header: read up to what is whole.
    Instance malformed(world, 48000.0);
    malformed.midi.add(10, kNoteOn, 60, 100);
    malformed.midi.add(20, kNoteOn, 62, 100);
    LV2_Atom_Sequence* sequence = malformed.midi.atom();
    auto* second = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<std::uint8_t*>(&sequence->body) +
                                                     sizeof(LV2_Atom_Sequence_Body) + 24);
    second->body.size = 1000;
    Stereo safe;
    malformed.run(1, safe.left, safe.right);
    malformed.midi.atom()->atom.size = 3;
    malformed.run(4000, safe.left, safe.right);
    EXPECT_TRUE(allFinite(safe));
}

}  // namespace

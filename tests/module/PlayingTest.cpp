// The instrument played through the .so: every event at its exact frame.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"

using namespace testhost;

namespace {

double energy(const std::vector<float>& samples, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(samples[i]) * samples[i];
    return sum;
}

bool allZero(const StereoBuffer& b, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        if (b.left[i] != 0.0f || b.right[i] != 0.0f) return false;
    return true;
}

StereoBuffer slice(const StereoBuffer& b, std::size_t from, std::size_t to) {
    StereoBuffer s;
    s.left.assign(b.left.begin() + from, b.left.begin() + to);
    s.right.assign(b.right.begin() + from, b.right.begin() + to);
    return s;
}

}  // namespace

class Playing : public ::testing::Test {
protected:
    PluginLibrary library;
    PluginInstance a{library};
    PluginInstance b{library};
};

TEST_F(Playing, FreshInstanceRendersSilence) {
    const StereoBuffer out = process(a.effect(), 512);
    EXPECT_TRUE(allZero(out, 0, 512));
}

TEST_F(Playing, NoteAtDelta100LeavesEarlierFramesAlone) {
    // Both play a note from frame 0; only a also gets a second note at frame 100.
    sendMidi(a.effect(), {noteOn(0, 48, 90), noteOn(100, 60, 100)});
    sendMidi(b.effect(), {noteOn(0, 48, 90)});
    const StereoBuffer withNote = process(a.effect(), 512);
    const StereoBuffer without = process(b.effect(), 512);
    EXPECT_FALSE(allZero(without, 0, 100));
    EXPECT_EQ(slice(withNote, 0, 101), slice(without, 0, 101));  // the strike's first sample is 0 at the taps
    EXPECT_FALSE(slice(withNote, 101, 512) == slice(without, 101, 512));
}

TEST_F(Playing, EventsBeyondTheBlockFireInALaterBlock) {
    sendMidi(a.effect(), {noteOn(600, 60, 100)});
    StereoBuffer late = process(a.effect(), 512);
    late.append(process(a.effect(), 512));

    StereoBuffer direct = process(b.effect(), 512);
    sendMidi(b.effect(), {noteOn(88, 60, 100)});
    direct.append(process(b.effect(), 512));
    EXPECT_EQ(late, direct);
    EXPECT_TRUE(allZero(late, 0, 512 + 89));
    EXPECT_FALSE(allZero(late, 512 + 89, 1024));
}

TEST_F(Playing, EqualDeltasKeepArrivalOrder) {
    // off then on: struck; on then off: the strike is cut before it starts.
    sendMidi(a.effect(), {noteOff(0, 60), noteOn(0, 60, 100)});
    sendMidi(b.effect(), {noteOn(0, 60, 100), noteOff(0, 60)});
    EXPECT_FALSE(allZero(process(a.effect(), 512), 0, 512));
    EXPECT_TRUE(allZero(process(b.effect(), 512), 0, 512));
}

TEST_F(Playing, ThreeEventsSplitTheBlockInTwoStretches) {
    sendMidi(a.effect(), {noteOn(0, 40, 80), noteOn(256, 70, 110), noteOn(0, 52, 60)});
    const StereoBuffer whole = process(a.effect(), 512);

    sendMidi(b.effect(), {noteOn(0, 40, 80), noteOn(0, 52, 60)});
    StereoBuffer split = process(b.effect(), 256);
    sendMidi(b.effect(), {noteOn(0, 70, 110)});
    split.append(process(b.effect(), 256));
    EXPECT_EQ(whole, split);
}

TEST_F(Playing, AllNotesOffActsAtOnceButQueuedNotesStillSound) {
    sendMidi(a.effect(), {noteOn(0, 45, 100), noteOn(0, 57, 100)});
    process(a.effect(), 512);
    sendMidi(a.effect(), {noteOn(10, 64, 100), controller(0, 123, 0)});
    const StereoBuffer out = process(a.effect(), 512);
    EXPECT_TRUE(allZero(out, 0, 11));
    EXPECT_FALSE(allZero(out, 11, 512));
}

TEST_F(Playing, SustainPedalKeepsReleasedKeysRinging) {
    // Damper at 1 makes a released key die fast unless the pedal holds it.
    a.setParameter(3, 1.0f);
    b.setParameter(3, 1.0f);
    sendMidi(a.effect(), {controller(0, 64, 127), noteOn(0, 48, 100), noteOff(4000, 48)});
    sendMidi(b.effect(), {noteOn(0, 48, 100), noteOff(4000, 48)});
    StereoBuffer pedalled, released;
    for (int i = 0; i < 40; ++i) {
        pedalled.append(process(a.effect(), 512));
        released.append(process(b.effect(), 512));
    }
    EXPECT_EQ(slice(pedalled, 0, 4000), slice(released, 0, 4000));
    EXPECT_GT(energy(pedalled.left, 15000, 20480), 4 * energy(released.left, 15000, 20480));

    // Lifting the pedal lets the key go as if just released.
    sendMidi(a.effect(), {controller(0, 64, 0)});
    StereoBuffer after;
    for (int i = 0; i < 40; ++i) after.append(process(a.effect(), 512));
    EXPECT_LT(energy(after.left, 15000, 20480), 0.25 * energy(after.left, 0, 5480));
}

TEST_F(Playing, SuspendLeavesOutputsAndQueueAlone) {
    a.dispatch(effMainsChanged, 0, 0);
    sendMidi(a.effect(), {noteOn(20, 60, 100)});
    StereoBuffer untouched = process(a.effect(), 256);
    EXPECT_EQ(untouched, StereoBuffer(256, 12345.0f));
    a.dispatch(effMainsChanged, 0, 1);
    const StereoBuffer resumed = process(a.effect(), 256);

    sendMidi(b.effect(), {noteOn(20, 60, 100)});
    EXPECT_EQ(resumed, process(b.effect(), 256));
}

TEST_F(Playing, NegativeDeltaPlaysAtTheStartOfTheNextBlock) {
    sendMidi(a.effect(), {noteOn(-40, 60, 100)});
    sendMidi(b.effect(), {noteOn(0, 60, 100)});
    EXPECT_EQ(process(a.effect(), 300), process(b.effect(), 300));
}

TEST_F(Playing, BlocksLongerThanAnnouncedAreRenderedInPieces) {
    a.dispatch(effSetBlockSize, 0, 64);
    sendMidi(a.effect(), {noteOn(0, 30, 100), noteOn(700, 62, 120)});
    const StereoBuffer big = process(a.effect(), 2000);
    sendMidi(b.effect(), {noteOn(0, 30, 100), noteOn(700, 62, 120)});
    EXPECT_EQ(big, process(b.effect(), 2000));
}

TEST_F(Playing, MalformedEventListsAreIgnored) {
    EXPECT_EQ(a.dispatch(effProcessEvents, 0, 0, nullptr), 1);

    EventList nullInside({noteOn(0, 60, 100), noteOn(0, 62, 100)});
    nullInside.get()->events[0] = nullptr;
    EXPECT_EQ(a.dispatch(effProcessEvents, 0, 0, nullInside.get()), 1);

    EventList negative({noteOn(0, 64, 100)});
    negative.get()->numEvents = -5;
    EXPECT_EQ(a.dispatch(effProcessEvents, 0, 0, negative.get()), 1);

    sendMidi(b.effect(), {noteOn(0, 62, 100)});
    EXPECT_EQ(process(a.effect(), 512), process(b.effect(), 512));
}

TEST_F(Playing, NotesOutsideTheKeyboardAndOtherMessagesAreIgnored) {
    sendMidi(a.effect(), {noteOn(0, 20, 100),
                          noteOn(0, 109, 100),
                          noteOn(0, 127, 100),
                          {0, 0xC0, 5, 0},
                          {0, 0xE0, 0, 64},
                          controller(0, 1, 100),
                          {0, 0xF8, 0, 0}});
    EXPECT_TRUE(allZero(process(a.effect(), 1024), 0, 1024));
    sendMidi(a.effect(), {noteOn(0, 21, 100), noteOn(0, 108, 100)});
    EXPECT_FALSE(allZero(process(a.effect(), 1024), 0, 1024));
}

TEST_F(Playing, AnyChannelPlaysAndVelocityZeroReleases) {
    sendMidi(a.effect(), {noteOn(0, 60, 100, 9)});
    sendMidi(b.effect(), {noteOn(0, 60, 100, 0)});
    EXPECT_EQ(process(a.effect(), 512), process(b.effect(), 512));
    sendMidi(a.effect(), {noteOn(0, 60, 0)});
    sendMidi(b.effect(), {noteOff(0, 60)});
    EXPECT_EQ(process(a.effect(), 4096), process(b.effect(), 4096));
}

TEST_F(Playing, VolumeControllerActsAtOnceOnTheCurrentProgram) {
    sendMidi(a.effect(), {controller(300, 7, 127)});
    EXPECT_EQ(a.getParameter(0), 127.0f * 0.007874016f);
    EXPECT_EQ(a.getParameter(0), 1.0f);
    a.dispatch(effSetProgram, 0, 1);
    EXPECT_EQ(a.getParameter(0), 0.5f);

    // A malformed data byte is read as 7 bits, never as a negative Volume.
    sendMidi(a.effect(), {controller(0, 7, 0xC0)});
    EXPECT_EQ(a.getParameter(0), 64 * 0.007874016f);
    sendMidi(a.effect(), {controller(0, 7, 0)});
    sendMidi(a.effect(), {noteOn(0, 60, 127)});
    EXPECT_TRUE(allZero(process(a.effect(), 2048), 0, 2048));
}

TEST_F(Playing, VolumeScalesTheOutput) {
    sendMidi(a.effect(), {controller(0, 7, 127), noteOn(0, 50, 100)});
    sendMidi(b.effect(), {noteOn(0, 50, 100)});  // Volume 0.5
    const StereoBuffer loud = process(a.effect(), 2048);
    const StereoBuffer half = process(b.effect(), 2048);
    for (std::size_t i = 0; i < 2048; ++i) {
        EXPECT_EQ(half.left[i], std::max(-1.0f, std::min(1.0f, loud.left[i] * 0.5f))) << i;
        if (::testing::Test::HasFailure()) break;
    }
}

TEST_F(Playing, OutputDoesNotDependOnHowTheHostCutsBlocks) {
    std::vector<TimedMessage> piece = {
        {0, 0x90, 36, 70},     {0, 0xB0, 64, 127},   {1, 0x90, 60, 100},    {777, 0x90, 64, 90},
        {1500, 0x80, 60, 0},   {2100, 0x90, 67, 50}, {2100, 0x80, 36, 0},   {3001, 0xB0, 64, 0},
        {3001, 0x90, 72, 127}, {4096, 0x90, 60, 0},  {5000, 0x90, 108, 30}, {6000, 0x80, 67, 0},
        {6500, 0x90, 21, 127}, {7300, 0x80, 21, 0},
    };
    const std::int64_t total = 9000;
    const StereoBuffer reference = perform(a.effect(), piece, total, 512);
    EXPECT_FALSE(allZero(reference, 0, total));
    for (VstInt32 block : {1, 64, 1000}) {
        PluginInstance fresh(library);
        EXPECT_EQ(perform(fresh.effect(), piece, total, block), reference) << "block " << block;
    }
}

// More events in one block than the plug-in takes into a single pass, most of
// them at one frame: the block is rendered in pieces, and the result is the
// same as with the events spread over one-frame and 64-frame blocks.
TEST_F(Playing, AFloodOfEventsInOneBlockPlaysAsWhenSpreadOverSmallBlocks) {
    std::vector<TimedMessage> flood;
    for (int j = 0; j < 1500; ++j) {
        const auto note = static_cast<unsigned char>(21 + (j * 37) % 88);
        if (j % 50 == 0)
            flood.push_back({10, 0xB0, 64, static_cast<unsigned char>(j % 100 == 0 ? 127 : 0)});
        else if (j % 3 == 2)
            flood.push_back({10, 0x80, note, 0});
        else
            flood.push_back({10, 0x90, note, static_cast<unsigned char>(1 + j % 127)});
    }
    for (int f = 11; f < 500; ++f) {
        flood.push_back({f, 0x90, static_cast<unsigned char>(21 + (f * 11) % 88), 80});
        flood.push_back({f, static_cast<unsigned char>(f % 7 == 0 ? 0xB0 : 0x80),
                         static_cast<unsigned char>(f % 7 == 0 ? 64 : 21 + (f * 5) % 88),
                         static_cast<unsigned char>(f % 14 == 0 ? 127 : 0)});
    }
    const std::int64_t total = 2048;
    const StereoBuffer oneBlock = perform(a.effect(), flood, total, 512);
    EXPECT_FALSE(allZero(oneBlock, 0, total));
    for (VstInt32 block : {1, 64}) {
        PluginInstance fresh(library);
        EXPECT_EQ(perform(fresh.effect(), flood, total, block), oneBlock) << "block " << block;
    }
}

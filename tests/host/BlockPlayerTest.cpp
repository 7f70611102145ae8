// The block player drives the instrument linked into this test, as a plug-in
// format's own module holds it; the reference is the built module, loaded as
// a host loads it and played a frame at a time, so every event, Volume
// and all-notes-off included, lands on its own frame.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/BlockPlayer.h"
#include "host/PluginHost.h"
#include "plugin/MidiVocabulary.h"
#include "tests/support/HostHarness.h"
#include "vst/VstPluginMain.h"

namespace {

constexpr int kFrames = 3 * 512;

TimedEvent message(std::int64_t frame, int status, int data1, int data2) {
    return {
        frame,
        {static_cast<std::uint8_t>(status), static_cast<std::uint8_t>(data1), static_cast<std::uint8_t>(data2)}};
}

struct Stereo {
    std::vector<float> left = std::vector<float>(kFrames), right = std::vector<float>(kFrames);
    bool operator==(const Stereo& other) const {
        return std::memcmp(left.data(), other.left.data(), kFrames * sizeof(float)) == 0 &&
               std::memcmp(right.data(), other.right.data(), kFrames * sizeof(float)) == 0;
    }
};

Stereo playInBlocks(PluginHost& plugin, const std::vector<TimedEvent>& events, int blockSize) {
    plugin.open(blockSize);
    plugin.resume();
    Stereo out;
    std::size_t next = 0;
    for (std::int64_t start = 0; start < kFrames; start += blockSize) {
        const std::size_t first = next;
        while (next < events.size() && events[next].frame < start + blockSize) ++next;
        playBlock(plugin, std::span(events).subspan(first, next - first), start, blockSize, out.left.data() + start,
                  out.right.data() + start);
    }
    return out;
}

TEST(BlockPlayer, VolumeAndAllNotesOffActOnTheirFrameAndTheLinkedInstrumentPlaysAsTheModule) {
    using namespace midi;
    const std::vector<TimedEvent> events = {message(0, kNoteOn, 60, 100),
                                            message(100, kNoteOn, 64, 90),
                                            message(300, kControlChange, kVolume, 30),
                                            message(301, kNoteOn, 67, 110),
                                            message(700, kControlChange, kSustainPedal, 127),
                                            message(700, kNoteOff, 60, 0),
                                            message(1100, kControlChange, kAllNotesOff, 0),
                                            message(1101, kNoteOn, 72, 80),
                                            message(1300, kControlChange, kVolume, 127)};

    const testhost::PluginLibrary library;
    PluginHost module(library.entry(), QUENOR_PLUGIN_PATH);
    const Stereo reference = playInBlocks(module, events, 1);

    PluginHost linked(pluginMain, "the linked instrument");
    EXPECT_EQ(playInBlocks(linked, events, 512), reference);

    // Without the cuts Volume and all-notes-off would act up to a block early.
    PluginHost uncut(pluginMain, "the linked instrument");
    uncut.open(512);
    uncut.resume();
    Stereo early;
    for (std::int64_t start = 0; start < kFrames; start += 512) {
        std::vector<TimedEvent> block;
        for (const TimedEvent& event : events)
            if (event.frame >= start && event.frame < start + 512) block.push_back(event);
        uncut.sendEvents(block, start);
        uncut.process(early.left.data() + start, early.right.data() + start, 512);
    }
    EXPECT_FALSE(early == reference);
}

}  // namespace

// Reading MIDI files and laying them out in frames: every event must land on
// the frame its musical time names, and malformed files must be refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "host/HostError.h"
#include "render/DemoPiece.h"
#include "render/EventTimeline.h"
#include "render/MidiFileReader.h"
#include "tests/render/MidiBytes.h"

namespace {

struct Seen {
    std::int64_t frame;
    int status, data1, data2;
    bool operator==(const Seen&) const = default;
};

std::vector<Seen> framesOf(const Bytes& file) {
    const EventTimeline timeline = layOutInFrames(parseMidiFile(file));
    std::vector<Seen> seen;
    for (const TimedEvent& e : timeline.events) seen.push_back({e.frame, e.bytes[0], e.bytes[1], e.bytes[2]});
    return seen;
}

void PrintTo(const Seen& s, std::ostream* os) {
    *os << "{frame " << s.frame << ", " << std::hex << s.status << " " << s.data1 << " " << s.data2 << std::dec
        << "}";
}

TEST(MidiTiming, FormatZeroWithRunningStatusAndATempoChange) {
    TrackBytes track;
    track
        .tempo(0, 500000)             // 120 bpm
        .event(960, {0x90, 60, 100})  // 1.000 s
        .event(0, {64, 90})           // running status: another note-on
        .event(480, {60, 0})          // running status, velocity 0 releases
        .tempo(0, 666667)             // 90 bpm from 1.5 s
        .event(480, {0x80, 64, 0})    // 1.5 + 0.666667 s
        .end(96);
    const Bytes file = midiFile(0, 480, {track});
    const std::vector<Seen> expected = {
        {44100, 0x90, 60, 100}, {44100, 0x90, 64, 90}, {66150, 0x90, 60, 0}, {95550, 0x80, 64, 0}};
    EXPECT_EQ(framesOf(file), expected);
    // 96 ticks more at 90 bpm: 0.1333334 s after the last note-off.
    EXPECT_EQ(layOutInFrames(parseMidiFile(file)).endFrame, 101430);
}

TEST(MidiTiming, FormatOneMergesTracksUnderOneTempoMap) {
    TrackBytes conductor;
    conductor
        .tempo(0, 1000000)                          // 60 bpm
        .event(0, {0xFF, 0x58, 0x04, 4, 2, 24, 8})  // time signature: ignored
        .tempo(96, 250000)                          // 240 bpm from 1.0 s
        .end(0);
    TrackBytes melody;
    melody.event(96, {0x90, 72, 80}).event(48, {0x80, 72, 0}).end(0);
    TrackBytes drums;  // channel 10, running status across a text event
    drums.event(96, {0x99, 40, 70})
        .event(0, {0xFF, 0x01, 0x02, 'h', 'i'})
        .event(24, {40, 0})
        .event(0, {0xB9, 64, 127})
        .end(960);
    const Bytes file = midiFile(1, 96, {conductor, melody, drums});

    // 24 ticks at 240 bpm are 0.0625 s; 48 ticks 0.125 s, 5512.5 frames, rounded up.
    const std::vector<Seen> expected = {{44100, 0x90, 72, 80},
                                        {44100, 0x99, 40, 70},
                                        {46856, 0x99, 40, 0},
                                        {46856, 0xB9, 64, 127},
                                        {49613, 0x80, 72, 0}};
    EXPECT_EQ(framesOf(file), expected);
    // The longest track sets the end: 96 ticks at 60 bpm, then 984 at 240 bpm.
    EXPECT_EQ(layOutInFrames(parseMidiFile(file)).endFrame, 157106);
}

TEST(MidiTiming, TimeIsSummedExactlyAndRoundedToTheNearestFrame) {
    // 60 bpm for 0.25 s, 240 bpm for 0.5 s, 120 bpm for 0.25 s: 1.000 s.
    TrackBytes track;
    track.tempo(0, 1000000).tempo(24, 250000).tempo(192, 500000).event(48, {0x90, 21, 1}).end(0);
    EXPECT_EQ(framesOf(midiFile(0, 96, {track})).at(0).frame, 44100);

    // Half a frame per tick: halves round up.
    TrackBytes halves;
    halves.tempo(0, 5000).event(1, {0x90, 60, 1}).event(1, {0x90, 61, 1}).event(1, {0x90, 62, 1}).end(0);
    const std::vector<Seen> seen = framesOf(midiFile(0, 441, {halves}));
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].frame, 1);  // 0.5
    EXPECT_EQ(seen[1].frame, 1);  // 1.0
    EXPECT_EQ(seen[2].frame, 2);  // 1.5
}

TEST(MidiTiming, ForeignChunksAreSkippedAndAMissingEndOfTrackIsTolerated) {
    TrackBytes track;
    track.event(0, {0xF0, 0x03, 0x7E, 0x7F, 0xF7}).event(10, {0xC0, 5}).event(0, {0xE0, 0, 64});
    Bytes file = midiFile(0, 480, {});
    file[11] = 1;  // one track, preceded by a chunk of an unknown kind
    const Bytes alien{'X', 'y', 'z', 'w', 0, 0, 0, 2, 1, 2};
    file.insert(file.end(), alien.begin(), alien.end());
    const Bytes chunk = track.chunk();
    file.insert(file.end(), chunk.begin(), chunk.end());
    const std::vector<Seen> expected = {{459, 0xC0, 5, 0}, {459, 0xE0, 0, 64}};
    EXPECT_EQ(framesOf(file), expected);
}

TEST(MidiTiming, MalformedFilesAreRefusedWithTheReason) {
    TrackBytes good;
    good.event(0, {0x90, 60, 100}).end(480);
    const Bytes valid = midiFile(0, 480, {good});
    auto withTrack = [](std::initializer_list<std::uint8_t> events) {
        Bytes file = midiFile(0, 480, {});
        file[11] = 1;
        Bytes chunk{'M', 'T', 'r', 'k'};
        TrackBytes::appendLength(chunk, static_cast<std::uint32_t>(events.size()));
        chunk.insert(chunk.end(), events.begin(), events.end());
        file.insert(file.end(), chunk.begin(), chunk.end());
        return file;
    };
    Bytes format2 = valid, smpte = valid, noDivision = valid, twoTracks = valid;
    format2[9] = 2;
    smpte[12] = 0xE7;
    noDivision[12] = noDivision[13] = 0;
    twoTracks[11] = 2;
    twoTracks[9] = 1;

    const std::vector<std::pair<Bytes, std::string>> cases = {
        {Bytes{'R', 'I', 'F', 'F', 1, 2, 3}, "not a Standard MIDI File"},
        {Bytes(valid.begin(), valid.end() - 3), "truncated"},
        {twoTracks, "ends after 1 of 2 tracks"},
        {withTrack({0x00, 0x90, 60}), "track 1 is truncated"},
        {withTrack({0x00, 60, 100}), "data byte without a status byte"},
        {withTrack({0x00, 0x90, 0x90, 100}), "where a data byte belongs"},
        {withTrack({0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 60, 1}), "longer than 4 bytes"},
        {withTrack({0x00, 0xFF, 0x51, 0x00}), "tempo event of 0 bytes"},
        {withTrack({0x00, 0xF2, 0x00, 0x00}), "status byte 0xF2"},
        {format2, "format 2"},
        {smpte, "SMPTE"},
        {noDivision, "0 ticks per quarter note"},
    };
    for (const auto& [bytes, reason] : cases) {
        try {
            parseMidiFile(bytes);
            ADD_FAILURE() << "accepted a file that should fail with: " << reason;
        } catch (const HostError& error) {
            EXPECT_NE(std::string(error.what()).find(reason), std::string::npos)
                << "got: " << error.what() << "\nwanted: " << reason;
        }
    }
}

TEST(MidiTiming, DemoSpansTheKeyboardTheDynamicsAndThePedal) {
    const MidiSequence demo = demoPiece();
    const EventTimeline timeline = layOutInFrames(demo);
    int lowest = 127, highest = 0, softest = 127, loudest = 0, pedalDowns = 0, pedalUps = 0;
    std::multiset<std::pair<int, int>> sounding;  // (channel, note)
    for (const TimedEvent& e : timeline.events) {
        const int kind = e.bytes[0] & 0xF0, channel = e.bytes[0] & 0x0F;
        if (kind == 0x90 && e.bytes[2] > 0) {
            lowest = std::min<int>(lowest, e.bytes[1]);
            highest = std::max<int>(highest, e.bytes[1]);
            softest = std::min<int>(softest, e.bytes[2]);
            loudest = std::max<int>(loudest, e.bytes[2]);
            sounding.insert({channel, e.bytes[1]});
        } else if (kind == 0x80) {
            const auto held = sounding.find({channel, e.bytes[1]});
            ASSERT_NE(held, sounding.end()) << "release of a key not struck, note " << int(e.bytes[1]);
            sounding.erase(held);
        } else if (kind == 0xB0 && e.bytes[1] == 64) {
            (e.bytes[2] ? pedalDowns : pedalUps) += 1;
        }
    }
    EXPECT_TRUE(sounding.empty()) << "every key is released by the end";
    EXPECT_EQ(lowest, 21);
    EXPECT_EQ(highest, 108);
    EXPECT_LE(softest, 20);
    EXPECT_GE(loudest, 110);
    EXPECT_GE(pedalDowns, 8);
    EXPECT_EQ(pedalDowns, pedalUps);
    EXPECT_EQ(timeline.events.back().bytes[0], 0xB0) << "the pedal lifts last";
    EXPECT_GT(timeline.endFrame, 25 * kRenderRate);
    EXPECT_LT(timeline.endFrame, 35 * kRenderRate);
}

TEST(MidiTiming, EveryCutOrDamagedFileIsReadOrRefusedCleanly) {
    TrackBytes conductor;
    conductor.tempo(0, 500000).event(0, {0xFF, 0x03, 0x03, 'a', 'b', 'c'}).tempo(480, 400000).end(0);
    TrackBytes notes;
    notes.event(0, {0xF0, 0x02, 0x01, 0xF7})
        .event(10, {0x90, 60, 100})
        .event(200, {62, 80})
        .event(0x4000, {60, 0})
        .event(0, {0xB0, 64, 127})
        .end(5);
    const Bytes file = midiFile(1, 480, {conductor, notes});
    for (std::size_t length = 0; length < file.size(); ++length)
        EXPECT_THROW(parseMidiFile(Bytes(file.begin(), file.begin() + length)), HostError) << length << " bytes";
    for (std::size_t at = 0; at < file.size(); ++at)
        for (std::uint8_t flip : {0x01, 0x40, 0x80, 0xFF}) {
            Bytes damaged = file;
            damaged[at] ^= flip;
            try {
                const EventTimeline timeline = layOutInFrames(parseMidiFile(damaged));
                EXPECT_TRUE(
                    std::is_sorted(timeline.events.begin(), timeline.events.end(),
                                   [](const TimedEvent& a, const TimedEvent& b) { return a.frame < b.frame; }));
            } catch (const HostError&) {
            }
        }
}

}  // namespace

// The CLAP instance's audio path, linked in so that the counting allocator
// sees it: once warm, a block allocates nothing, whatever it carries.
#include <gtest/gtest.h>

#include <vector>

#include "clap/ClapInstrument.h"
#include "clap/ClapParameters.h"
#include "plugin/MidiVocabulary.h"
#include "tests/clap/ClapTestHost.h"
#include "tests/plugin/CountingAllocator.h"

namespace {

const void* noExtension(const clap_host_t*, const char*) { return nullptr; }
void noRequest(const clap_host_t*) {}
bool accept(const clap_output_events_t*, const clap_event_header_t*) { return true; }

TEST(ClapAudioPath, BlocksAllocateNothingOnceWarm) {
    const clap_host_t host{CLAP_VERSION_INIT, nullptr, "", "", "", "", noExtension, noRequest, noRequest, noRequest};
    const clap_output_events_t out{nullptr, accept};
    for (const double rate : {44100.0, 96000.0}) {
        SCOPED_TRACE(rate);
        ClapInstrument instrument(&host);
        ASSERT_TRUE(instrument.activate(rate));
        std::vector<float> left(5000), right(5000);
        float* channels[2] = {left.data(), right.data()};
        clap_audio_buffer_t buffer{channels, nullptr, 2, 0, 0};
        claptest::EventList events;
        for (int i = 0; i < 40; ++i) events.note(i * 3, true, 40 + i, 0.5);
        events.midi(100, {0, {midi::kControlChange, midi::kVolume, 90}});
        events.param(110, clapparam::kProgram, 2.0);
        events.param(120, kSustain, 0.2);
        events.midi(130, {0, {midi::kControlChange, midi::kAllNotesOff, 0}});
        clap_process_t process{-1, 512, nullptr, nullptr, &buffer, 0, 1, events.input(), &out};

        // The first round warms the instrument's event pool to the most these blocks hold.
        for (const bool counted : {false, true}) {
            testalloc::allocations = 0;
            testalloc::counting = counted;
            for (const std::uint32_t frames : {256u, 0u, 1u, 5000u, 33u}) {
                instrument.edit({EditorEdit::begin, kDamper, 0.0f});
                instrument.edit({EditorEdit::change, kDamper, 0.7f});
                instrument.edit({EditorEdit::end, kDamper, 0.0f});
                process.frames_count = frames;
                instrument.process(process);
            }
            instrument.reset();
            instrument.process(process);
        }
        testalloc::counting = false;
        EXPECT_EQ(testalloc::allocations.load(), 0);
    }
}

}  // namespace

// Without any X server at all: every editor request answers, nothing hangs,
// and the instrument plays on.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"

using namespace testhost;

namespace {

const std::vector<MidiMessage> kChord = {noteOn(0, 33, 120), noteOn(0, 60, 100), noteOn(200, 96, 127)};

}  // namespace

TEST(HostEditor, RequestsWithoutADisplay) {
    // Kept loaded to the end: once the module and the cairo stack are
    // unloaded, leak checks report what the pixel library keeps for the
    // process, with no names left to suppress it by.
    static const auto& library = *new PluginLibrary;
    ASSERT_EQ(setenv("DISPLAY", ":987", 1), 0);  // a display nobody serves
    PluginInstance plugin(library);
    EXPECT_EQ(plugin.dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin.dispatch(effEditClose), 0);
    EXPECT_EQ(plugin.dispatch(effEditClose), 0);
    for (void* parent : {static_cast<void*>(nullptr), reinterpret_cast<void*>(std::uintptr_t{0x1FFFFF0})}) {
        plugin.dispatch(effEditOpen, 0, 0, parent);
        plugin.dispatch(effEditOpen, 0, 0, parent);  // twice without a close
        plugin.dispatch(effEditIdle);
        plugin.dispatch(effEditClose);
        plugin.dispatch(effEditClose);
    }
    ASSERT_EQ(unsetenv("DISPLAY"), 0);
    plugin.dispatch(effEditOpen, 0, 0, nullptr);
    plugin.dispatch(effEditIdle);
    // Still an instrument.
    sendMidi(plugin.effect(), kChord);
    const StereoBuffer out = process(plugin.effect(), 512);
    for (std::size_t i = 0; i < out.frames(); ++i)
        ASSERT_TRUE(std::isfinite(out.left[i]) && std::fabs(out.left[i]) <= 1.0f);
    EXPECT_EQ(plugin.close(), 1);  // with the editor still open
}

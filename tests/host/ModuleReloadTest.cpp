// The DLL loaded and freed as a host that scans its plug-ins over and over
// does: every thread it started is gone and nothing keeps it loaded.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <vector>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"
#include "tests/support/ThreadCount.h"

using namespace testhost;

namespace {

TEST(HostModule, LoadedAndFreedAHundredTimes) {
    const std::vector<MidiMessage> chord = {noteOn(0, 33, 120), noteOn(0, 60, 100), noteOn(200, 96, 127)};
    const int threadsBefore = threadCount();
    for (int i = 0; i < 100; ++i) {
        {
            PluginLibrary library;
            PluginInstance plugin(library);
            sendMidi(plugin.effect(), chord);
            const StereoBuffer out = process(plugin.effect(), 256);
            for (std::size_t f = 0; f < out.frames(); ++f)
                ASSERT_TRUE(std::isfinite(out.left[f]) && std::fabs(out.left[f]) <= 1.0f) << "cycle " << i;
        }
        ASSERT_EQ(GetModuleHandleA("quenor-m4.dll"), nullptr) << "still loaded after cycle " << i;
        ASSERT_TRUE(threadCountSettlesAt(threadsBefore)) << "cycle " << i;
    }
}

}  // namespace

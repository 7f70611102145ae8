// The module loaded and unloaded as a host that scans its plug-ins over and
// over does: every thread it started is gone, nothing keeps it loaded, and
// neither handles nor memory stay behind.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"
#include "tests/support/ProcessProbe.h"
#include "tests/support/ThreadCount.h"

using namespace testhost;

namespace {

TEST(HostModule, LoadedAndUnloadedAHundredTimes) {
    // A host's own toolkit keeps the drawing libraries loaded; unloaded with
    // the module each time, one of them loses a few KB of its own per load.
    const std::shared_ptr<void> drawingLibraries = holdHostsOwnLibraries();
    const std::vector<MidiMessage> chord = {noteOn(0, 33, 120), noteOn(0, 60, 100), noteOn(200, 96, 127)};
    const int threadsBefore = threadCount();
    long long heapAfterWarmUp = 0;
    int handlesAfterWarmUp = 0;
    for (int i = 0; i < 100; ++i) {
        {
            PluginLibrary library;
            PluginInstance plugin(library);
            sendMidi(plugin.effect(), chord);
            const StereoBuffer out = process(plugin.effect(), 256);
            for (std::size_t f = 0; f < out.frames(); ++f)
                ASSERT_TRUE(std::isfinite(out.left[f]) && std::fabs(out.left[f]) <= 1.0f) << "cycle " << i;
        }
        ASSERT_FALSE(moduleIsLoaded(QUENOR_PLUGIN_PATH)) << "still loaded after cycle " << i;
        ASSERT_TRUE(threadCountSettlesAt(threadsBefore)) << "cycle " << i;
        if (i == 9) {
            heapAfterWarmUp = heapBytesInUse();
            handlesAfterWarmUp = openHandleCount();
            ASSERT_GT(handlesAfterWarmUp, 0) << "the system reports open handles";
        }
    }
    // Anything more than the toolchain's own is ours.
    const int handlesKept = openHandleCount() - handlesAfterWarmUp;
    EXPECT_GE(handlesKept, 0);
    EXPECT_LE(handlesKept, handlesKeptPerLoadByTheToolchain() * 90);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // Sanitizers hold freed memory back on purpose; only a plain build says
    // anything about growth. The C++ runtime's exception reserve alone was
    // 72 KB a load; anything an instance allocates would be megabytes.
    EXPECT_LT((heapBytesInUse() - heapAfterWarmUp) / 90, 2048) << "bytes per load and unload";
#else
    static_cast<void>(heapAfterWarmUp);
#endif
}

}  // namespace

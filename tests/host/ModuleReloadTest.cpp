// The DLL loaded and freed as a host that scans its plug-ins over and over
// does: every thread it started is gone, nothing keeps it loaded and no
// memory stays behind.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <vector>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"
#include "tests/support/ThreadCount.h"

using namespace testhost;

namespace {

// Bytes in use in every heap of the process.
long long heapBytesInUse() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 16);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    long long total = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap)) continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) total += entry.cbData;
        HeapUnlock(heap);
    }
    return total;
}

TEST(HostModule, LoadedAndFreedAHundredTimes) {
    const std::vector<MidiMessage> chord = {noteOn(0, 33, 120), noteOn(0, 60, 100), noteOn(200, 96, 127)};
    const int threadsBefore = threadCount();
    long long heapAfterWarmUp = 0;
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
        if (i == 9) heapAfterWarmUp = heapBytesInUse();
    }
    // The C++ runtime's exception reserve alone was 72 KB a load.
    EXPECT_LT((heapBytesInUse() - heapAfterWarmUp) / 90, 2048) << "bytes per load and free";
}

}  // namespace

// Parameter, program and chunk changes from another thread while blocks render.
// Meant for the ThreadSanitizer build, where any data race fails the run.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "plugin/quenor.h"
#include "tests/support/MidiDriver.h"

using namespace testhost;

TEST(Concurrency, ControlThreadChangesWhileAudioRenders) {
    quenor plugin(nullptr, 2);
    AEffect* effect = plugin.getAeffect();
    std::atomic<bool> done{false};

    std::thread control([&] {
        void* bank = nullptr;
        int round = 0;
        while (!done.load()) {
            plugin.setParameter(round % 4, (round % 11) / 10.0f);
            if (round % 7 == 0) plugin.setProgram(round % 4);
            if (round % 13 == 0) {
                const VstInt32 size = plugin.getChunk(&bank, false);
                std::vector<char> copy(static_cast<const char*>(bank), static_cast<const char*>(bank) + size);
                plugin.setChunk(copy.data(), size, false);
            }
            (void)plugin.getParameter(round % 4);
            ++round;
        }
    });

    bool finite = true;
    for (int block = 0; block < 200; ++block) {
        if (block % 10 == 0)
            sendMidi(effect, {noteOn(block % 64, 40 + block % 30, 100), noteOff(300, 40 + (block + 5) % 30)});
        const StereoBuffer out = process(effect, 256);
        for (float x : out.left) finite &= std::isfinite(x) && std::abs(x) <= 1.0f;
    }
    done = true;
    control.join();
    EXPECT_TRUE(finite);
}

// Hosts that do things in an odd order or answer nonsense: the instrument
// must play on, bit for bit as for a well-behaved host where sound is made.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <malloc.h>
#include <unistd.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <string>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"
#include "tests/support/ThreadCount.h"

using namespace testhost;

namespace {

bool allFiniteInRange(const StereoBuffer& out) {
    for (std::size_t i = 0; i < out.frames(); ++i)
        for (float s : {out.left[i], out.right[i]})
            if (!std::isfinite(s) || s > 1.0f || s < -1.0f) return false;
    return true;
}

bool silent(const StereoBuffer& out) {
    for (std::size_t i = 0; i < out.frames(); ++i)
        if (out.left[i] != 0.0f || out.right[i] != 0.0f) return false;
    return true;
}

const std::vector<MidiMessage> kChord = {noteOn(0, 33, 120), noteOn(0, 60, 100), noteOn(17, 72, 90),
                                         noteOn(200, 96, 127)};

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

// Bytes the process's allocator has handed out and not had back.
long heapBytesInUse() {
    const struct mallinfo2 info = mallinfo2();
    return static_cast<long>(info.uordblks + info.hblkhd);
}

// Every request but the version query gets the same nonsense back.
VstIntPtr garbageAnswer = 0;
VstIntPtr garbageHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? (garbageAnswer ? garbageAnswer : 1) : garbageAnswer;
}

}  // namespace

class HostQuirks : public ::testing::Test {
protected:
    PluginLibrary library;
};

TEST_F(HostQuirks, OpenTwiceAndRenderBeforeMainsOrBlockSize) {
    // A fresh instance plays at the default block size without any set-up call.
    PluginInstance odd(library);
    PluginInstance plain(library);
    EXPECT_EQ(odd.dispatch(effOpen), 0);
    EXPECT_EQ(odd.dispatch(effOpen), 0);
    sendMidi(odd.effect(), kChord);
    sendMidi(plain.effect(), kChord);
    const StereoBuffer first = process(odd.effect(), 1024);
    EXPECT_FALSE(silent(first));
    EXPECT_EQ(first, process(plain.effect(), 1024));
    // More frames than the default block size in one call.
    EXPECT_EQ(process(odd.effect(), 4000), process(plain.effect(), 4000));
}

TEST_F(HostQuirks, BlockSizeZeroOrNegativeAnnounced) {
    PluginInstance odd(library);
    PluginInstance plain(library);
    odd.dispatch(effSetBlockSize, 0, 0);
    sendMidi(odd.effect(), kChord);
    sendMidi(plain.effect(), kChord);
    EXPECT_EQ(process(odd.effect(), 512), process(plain.effect(), 512));
    odd.dispatch(effSetBlockSize, 0, -5);
    EXPECT_EQ(process(odd.effect(), 2048), process(plain.effect(), 2048));
}

TEST_F(HostQuirks, BlockSizeChangesWhileNotesSoundKeepTheOutputBitForBit) {
    PluginInstance changing(library);
    PluginInstance reference(library);
    sendMidi(changing.effect(), kChord);
    sendMidi(reference.effect(), kChord);
    StereoBuffer a, b;
    for (VstIntPtr size : {VstIntPtr{1}, VstIntPtr{4096}, VstIntPtr{65536}, VstIntPtr{INT32_MAX}, VstIntPtr{1024},
                           VstIntPtr{7}, VstIntPtr{1024}}) {
        changing.dispatch(effMainsChanged, 0, 0);
        changing.dispatch(effSetBlockSize, 0, size);
        changing.dispatch(effMainsChanged, 0, 1);
        // Frames beyond what the block size allows too: the plug-in renders them in pieces.
        for (VstInt32 frames : {1, 300, 1500}) {
            a.append(process(changing.effect(), frames));
            b.append(process(reference.effect(), frames));
        }
        sendMidi(changing.effect(), {noteOn(5, 50 + static_cast<int>(size % 20), 80), noteOff(400, 60)});
        sendMidi(reference.effect(), {noteOn(5, 50 + static_cast<int>(size % 20), 80), noteOff(400, 60)});
    }
    EXPECT_FALSE(silent(a));
    EXPECT_EQ(a, b);
    // A render as long as the largest announced block, in one call.
    changing.dispatch(effSetBlockSize, 0, 65536);
    EXPECT_EQ(process(changing.effect(), 70000), process(reference.effect(), 70000));
}

TEST_F(HostQuirks, CloseRightAfterTheEntryPoint) {
    for (int i = 0; i < 3; ++i) {
        AEffect* effect = library.entry()(RecordingHost::callback);
        ASSERT_NE(effect, nullptr);
        EXPECT_EQ(effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f), 1);
    }
}

TEST_F(HostQuirks, HostAnsweringNonsenseToEveryRequest) {
    for (VstIntPtr answer : {VstIntPtr{-1}, VstIntPtr{1}, VstIntPtr{0x7f7f7f7f},
                             std::numeric_limits<VstIntPtr>::max(), std::numeric_limits<VstIntPtr>::min()}) {
        garbageAnswer = answer;
        PluginInstance odd(library, garbageHost);
        PluginInstance plain(library);
        odd.dispatch(effMainsChanged, 0, 0);
        odd.dispatch(effMainsChanged, 0, 1);
        sendMidi(odd.effect(), kChord);
        sendMidi(plain.effect(), kChord);
        EXPECT_EQ(process(odd.effect(), 777), process(plain.effect(), 777)) << answer;
        EXPECT_EQ(odd.dispatch(effGetVstVersion), 2400);
        EXPECT_EQ(odd.dispatch(effGetProgram), 0);
    }
    garbageAnswer = 0;
}

TEST_F(HostQuirks, KeyOpcodesWithAnyOpt) {
    PluginInstance plugin(library);
    for (float opt : {std::numeric_limits<float>::quiet_NaN(), std::numeric_limits<float>::infinity(), -1e30f, 3e9f,
                      -2147483904.0f, 3.7f}) {
        EXPECT_EQ(plugin.dispatch(effEditKeyDown, 65, 0, nullptr, opt), 0) << opt;  // no window open
        EXPECT_EQ(plugin.dispatch(effEditKeyUp, 65, 300, nullptr, opt), 0) << opt;
    }
}

// Without any X server: every editor request answers and nothing hangs.
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
    EXPECT_TRUE(allFiniteInRange(process(plugin.effect(), 512)));
    EXPECT_EQ(plugin.close(), 1);  // with the editor still open
}

TEST(HostModule, LoadedAndUnloadedAHundredTimes) {
    // A host's own toolkit keeps the drawing libraries loaded; unloaded with
    // the module each time, one of them loses a few KB of its own per load.
    void* drawingLibrary = dlopen("libcairo.so.2", RTLD_NOW);
    const int threadsBefore = threadCount();
    long heapAfterWarmUp = 0;
    int descriptorsAfterWarmUp = 0;
    for (int i = 0; i < 100; ++i) {
        {
            PluginLibrary library;
            PluginInstance plugin(library);
            sendMidi(plugin.effect(), kChord);
            ASSERT_TRUE(allFiniteInRange(process(plugin.effect(), 256)));
        }
        // Really gone: nothing left in the process keeps it loaded.
        ASSERT_EQ(dlopen(QUENOR_PLUGIN_PATH, RTLD_NOW | RTLD_NOLOAD), nullptr) << "cycle " << i;
        ASSERT_TRUE(threadCountSettlesAt(threadsBefore)) << "cycle " << i;
        if (i == 9) {
            heapAfterWarmUp = heapBytesInUse();
            descriptorsAfterWarmUp = openDescriptors();
        }
    }
    EXPECT_EQ(openDescriptors(), descriptorsAfterWarmUp);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // Sanitizers hold freed memory back on purpose; only a plain build says
    // anything about growth. The C++ runtime's exception reserve alone was
    // 72 KB a load; anything an instance allocates would be megabytes.
    EXPECT_LT((heapBytesInUse() - heapAfterWarmUp) / 90, 2048) << "bytes per load and unload";
#else
    static_cast<void>(heapAfterWarmUp);
#endif
    if (drawingLibrary) dlclose(drawingLibrary);
}

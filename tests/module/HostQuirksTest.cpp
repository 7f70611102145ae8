// Hosts that do things in an odd order or answer nonsense: the instrument
// must play on, bit for bit as for a well-behaved host where sound is made.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>

#include "tests/support/HostHarness.h"
#include "tests/support/MidiDriver.h"
#include "tests/support/ThreadCount.h"

using namespace testhost;

namespace {

bool silent(const StereoBuffer& out) {
    for (std::size_t i = 0; i < out.frames(); ++i)
        if (out.left[i] != 0.0f || out.right[i] != 0.0f) return false;
    return true;
}

const std::vector<MidiMessage> kChord = {noteOn(0, 33, 120), noteOn(0, 60, 100), noteOn(17, 72, 90),
                                         noteOn(200, 96, 127)};

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

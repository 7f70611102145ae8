// The editor base on its own: attachment, rectangle, knob mode, idle pacing
// and edit forwarding, with a stand-in plug-in and host.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>
#include <vector>

#include "vst/AEffGUIEditor.h"
#include "vst/AudioEffectX.h"

namespace {

std::vector<VstInt32> calls;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
    calls.push_back(opcode * 100 + index);
    return 1;
}

struct BareEditor : AEffGUIEditor {
    using AEffGUIEditor::AEffGUIEditor;
};

using Clock = std::chrono::steady_clock;

}  // namespace

TEST(EditorBase, AttachesToItsPlugInAndAnswersTheRectangle) {
    AudioEffectX plugin(recordingHost, 1, 0);
    auto* editor = new BareEditor(&plugin);
    EXPECT_EQ(plugin.getEditor(), editor);
    EXPECT_TRUE(plugin.getAeffect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    EXPECT_TRUE(editor->getRect(&rect));
    EXPECT_NE(rect, nullptr);
    VstKeyCode key{0, 12, 0};
    EXPECT_FALSE(editor->onKeyDown(key)) << "no frame, no keys";
    editor->idle();
}

TEST(EditorBase, KnobModeIsOneValueForTheWholeProcess) {
    AudioEffectX first(recordingHost, 1, 0);
    AudioEffectX second(recordingHost, 1, 0);
    auto* a = new BareEditor(&first);
    auto* b = new BareEditor(&second);
    EXPECT_TRUE(a->setKnobMode(2));
    EXPECT_EQ(b->getKnobMode(), 2);
    EXPECT_TRUE(b->setKnobMode(0));
    EXPECT_EQ(a->getKnobMode(), 0);
}

TEST(EditorBase, EditsReachTheHostAsBeginAndEnd) {
    AudioEffectX plugin(recordingHost, 1, 0);
    auto* editor = new BareEditor(&plugin);
    calls.clear();
    editor->beginEdit(3);
    editor->endEdit(3);
    EXPECT_EQ(calls, (std::vector<VstInt32>{audioMasterBeginEdit * 100 + 3, audioMasterEndEdit * 100 + 3}));
}

TEST(EditorBase, IdlePacingMakesAtMostOneFullPassInFiftyMilliseconds) {
    AudioEffectX plugin(recordingHost, 1, 0);
    auto* editor = new BareEditor(&plugin);
    calls.clear();
    editor->doIdleStuff();
    EXPECT_EQ(calls, std::vector<VstInt32>{audioMasterIdle * 100}) << "the first call is a full pass";
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
    const auto start = Clock::now();
    editor->doIdleStuff();
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(4));
    EXPECT_EQ(calls.size(), 1u) << "10 ms later it only sleeps";
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    editor->doIdleStuff();
    EXPECT_EQ(calls.size(), 2u) << "past 50 ms of the next slot it runs again";
}

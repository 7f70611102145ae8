// The instrument's editor with a stand-in plug-in and no window: its
// rectangle, open and close, and the binding of its sliders to parameters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/qngui.h"
#include "vst/AudioEffectX.h"
#include "vst/EditorFactory.h"
#include "vstgui/CFrame.h"
#include "vstgui/CHorizontalSlider.h"

namespace {

// Host calls and parameter writes, in the order they happened.
std::vector<std::string> calls;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float) {
    if (opcode == audioMasterBeginEdit) calls.push_back("begin " + std::to_string(index));
    if (opcode == audioMasterEndEdit) calls.push_back("end " + std::to_string(index));
    return 1;
}

struct StandInPlugin : AudioEffectX {
    StandInPlugin() : AudioEffectX(recordingHost, 1, 0) {}
    float values[4] = {0.1f, 0.2f, 0.3f, 0.4f};
    std::vector<std::pair<VstInt32, float>> written;

    float getParameter(VstInt32 index) override { return values[index]; }
    void setParameter(VstInt32 index, float value) override {
        written.push_back({index, value});
        calls.push_back("set " + std::to_string(index));
    }
};

// A point on each slider outside the strip where the columns overlap.
VSTGUI::CPoint onSlider(int index) { return {index < 2 ? 100 : 400, index % 2 ? 202 : 146}; }

class Qngui : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        editor = createEditor(&plugin);
    }
    void TearDown() override { editor->close(); }

    // What slider i holds, read back through one wheel notch (0.05) that the
    // plug-in is told of.
    float wheeledValue(int index) {
        plugin.written.clear();
        EXPECT_TRUE(editor->getFrame()->wheel(onSlider(index), 1.0f, 0));
        EXPECT_EQ(plugin.written.size(), 1u);
        if (plugin.written.size() != 1) return -1.0f;
        EXPECT_EQ(plugin.written[0].first, index);
        return plugin.written[0].second - 0.05f;
    }

    StandInPlugin plugin;
    AEffGUIEditor* editor = nullptr;
};

}  // namespace

TEST_F(Qngui, AttachesToItsPlugInAndAnswersItsSizeBeforeOpening) {
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(plugin.getEditor(), editor);
    EXPECT_TRUE(plugin.getAeffect()->flags & effFlagsHasEditor);
    ERect* rect = nullptr;
    ASSERT_TRUE(editor->getRect(&rect));
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 238);
    EXPECT_EQ(rect->right, 494);
    EXPECT_EQ(editor->getFrame(), nullptr);
}

TEST_F(Qngui, OpensWithoutAParentWindowAndClosesAnyNumberOfTimes) {
    editor->idle();
    editor->close();
    EXPECT_TRUE(editor->open(nullptr));
    ASSERT_NE(editor->getFrame(), nullptr);
    EXPECT_EQ(editor->getFrame()->getSystemWindow(), nullptr);
    editor->idle();
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(wheeledValue(i), plugin.values[i]) << i;
    editor->close();
    EXPECT_EQ(editor->getFrame(), nullptr);
    editor->close();
    editor->idle();
    EXPECT_TRUE(editor->open(nullptr));
    EXPECT_NE(editor->getFrame(), nullptr);
}

TEST_F(Qngui, ValuesFromThePlugInReachTheSlidersAtIdleWithoutComingBack) {
    ASSERT_TRUE(editor->open(nullptr));
    editor->setParameter(1, 0.7f);
    editor->setParameter(3, 1.5f);
    editor->idle();
    EXPECT_TRUE(plugin.written.empty());
    EXPECT_FLOAT_EQ(wheeledValue(1), 0.7f);
    EXPECT_FLOAT_EQ(wheeledValue(0), 0.1f);
    // Stored unclamped; the first user change clamps it.
    plugin.written.clear();
    EXPECT_TRUE(editor->getFrame()->wheel(onSlider(3), -1.0f, 0));
    ASSERT_EQ(plugin.written.size(), 1u);
    EXPECT_FLOAT_EQ(plugin.written[0].second, 1.0f);
}

TEST_F(Qngui, ValuesWhileClosedAreForgottenAndOpeningReadsThePlugInAfresh) {
    editor->setParameter(2, 0.9f);
    plugin.values[0] = 0.6f;
    ASSERT_TRUE(editor->open(nullptr));
    editor->idle();
    EXPECT_FLOAT_EQ(wheeledValue(0), 0.6f);
    EXPECT_FLOAT_EQ(wheeledValue(2), 0.3f);

    editor->close();
    editor->setParameter(2, 0.8f);
    editor->idle();
    plugin.values[2] = 0.25f;
    ASSERT_TRUE(editor->open(nullptr));
    editor->idle();
    EXPECT_FLOAT_EQ(wheeledValue(2), 0.25f);
}

TEST_F(Qngui, ParameterIndicesOutsideTheFourAreIgnored) {
    ASSERT_TRUE(editor->open(nullptr));
    for (VstInt32 index : {4, 5, -1, 1000, -1000}) editor->setParameter(index, 0.9f);
    editor->idle();
    EXPECT_TRUE(plugin.written.empty());
    for (int i = 0; i < 4; ++i) EXPECT_FLOAT_EQ(wheeledValue(i), plugin.values[i]) << i;
}

TEST_F(Qngui, AClickOnASliderIsOneEditOfItsParameterTowardsTheHost) {
    ASSERT_TRUE(editor->open(nullptr));
    VSTGUI::CFrame* frame = editor->getFrame();
    // The handle's middle over x = 249 + 19 + 89 is value 0.5; dragged on by 89 pixels, 1.
    VSTGUI::CPoint where{249 + 19 + 89, 146};
    ASSERT_EQ(frame->mouseDown(where, VSTGUI::kLButton), VSTGUI::MouseHandled);
    where.x += 89;
    frame->mouseMoved(where, VSTGUI::kLButton);
    frame->mouseUp(where, 0);
    EXPECT_EQ(calls, (std::vector<std::string>{"begin 2", "set 2", "set 2", "end 2"}));
    ASSERT_EQ(plugin.written.size(), 2u);
    EXPECT_FLOAT_EQ(plugin.written[0].second, 0.5f);
    EXPECT_FLOAT_EQ(plugin.written[1].second, 1.0f);
}

TEST_F(Qngui, ControlsWhoseTagNamesNoParameterAreIgnored) {
    auto* qn = dynamic_cast<qngui*>(editor);
    ASSERT_NE(qn, nullptr);
    for (VstInt32 tag : {0x100, 0x203, 0x801, 0x3}) {
        auto* control =
            new VSTGUI::CHorizontalSlider({0, 0, 100, 20}, qn, tag, {0, 0}, 100, nullptr, nullptr, {0, 0});
        control->setValue(0.75f);
        qn->onValueChanged(control);
        control->dropReference();
    }
    ASSERT_EQ(plugin.written.size(), 1u);
    EXPECT_EQ(plugin.written[0].first, 3);
    EXPECT_FLOAT_EQ(plugin.written[0].second, 0.75f);
}

// The four sliders bound to the plug-in's values, driven by the mouse
// messages a Windows host's window thread delivers, and moved by the plug-in.
#include "tests/module/Win32EditorHost.h"

using namespace wineditor;

namespace {

float pointed(int index, int x) { return static_cast<float>(x - (sliderLeft(index) + 19)) / 178.0f; }

}  // namespace

TEST_F(EditorTest, ClicksMapThePointerToValuesAndClamp) {
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    struct Case {
        int x;
        float value;
    };
    for (const Case c :
         {Case{sliderLeft(1) + 19, 0.0f}, Case{sliderLeft(1) + 197, 1.0f}, Case{sliderLeft(1) + 2, 0.0f},
          Case{sliderLeft(1) + 210, 1.0f}, Case{sliderLeft(1) + 108, 0.5f}}) {
        click(editor, c.x, sliderY(1));
        idle(effect);
        EXPECT_FLOAT_EQ(parameter(effect, 1), c.value) << c.x;
    }
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201, 101, 201, 101, 201, 101, 201, 101, 201}));
}

TEST_F(EditorTest, ADragIsOneEditThatHoldsTheMouseUntilRelease) {
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    mouseMove(editor, sliderX(2, 0.5f), sliderY(2), false);
    leftDown(editor, sliderX(2, 0.5f), sliderY(2));
    EXPECT_EQ(GetCapture(), editor) << "a taken press captures the mouse";
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), 0.5f);
    for (int x = sliderX(2, 0.5f); x >= sliderX(2, 0.25f); x -= 7) {
        mouseMove(editor, x, sliderY(2) + 3, true);
        idle(effect, 1);
    }
    // Off the editor, as a captured mouse reports it: the drag goes on.
    mouseMove(editor, 600, 300, true);
    idle(effect, 1);
    EXPECT_FLOAT_EQ(parameter(effect, 2), 1.0f);
    mouseMove(editor, sliderX(2, 0.25f), -40, true);
    leftUp(editor, sliderX(2, 0.25f), -40);
    EXPECT_EQ(GetCapture(), nullptr) << "the release frees it";
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), 0.25f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202})) << "begin, end, and never an automation";
    EXPECT_EQ(differenceFromValues(), 0) << "the handle is drawn where the value now is";

    // A press beside every handle is not taken and captures nothing.
    leftDown(editor, 10, 10);
    EXPECT_EQ(GetCapture(), nullptr);
    leftUp(editor, 10, 10);
}

TEST_F(EditorTest, ShiftMovesATenthOfThePointer) {
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    const float anchor = parameter(effect, 2);  // 0.7 in the first program
    const int start = sliderX(2, 0.05f);
    mouseMove(editor, start, sliderY(2), false);
    holdKey(VK_SHIFT, true);
    leftDown(editor, start, sliderY(2));
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), anchor) << "a fine press does not jump";
    const int end = start + 150;
    mouseMove(editor, end, sliderY(2), true);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), anchor + (pointed(2, end) - anchor) / 10.0f);

    // Shift let go mid-drag: the value jumps to the pointer.
    holdKey(VK_SHIFT, false);
    mouseMove(editor, end - 1, sliderY(2), true);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), pointed(2, end - 1));
    leftUp(editor, end - 1, sliderY(2));
    idle(effect);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202}));
}

TEST_F(EditorTest, ControlClickResetsToTheMiddleButAControlDoubleClickDoesNot) {
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    dispatch(effect, effSetProgram, 0, 1);  // Metal / Plastic at 1.0
    idle(effect);
    recorder().clear();
    holdKey(VK_CONTROL, true);
    click(editor, sliderX(1, 0.9f), sliderY(1));
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201})) << "the reset is one edit";

    // The second press of a double click carries its own flag: no reset, the
    // value follows the pointer.
    leftDoubleClick(editor, sliderX(1, 0.9f), sliderY(1));
    leftUp(editor, sliderX(1, 0.9f), sliderY(1));
    holdKey(VK_CONTROL, false);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 1), 0.9f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201, 101, 201}));
}

TEST_F(EditorTest, RightAndMiddlePressesAreLeftAlone) {
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    otherClick(editor, sliderX(3, 0.9f), sliderY(3), true);
    EXPECT_EQ(GetCapture(), nullptr);
    otherClick(editor, sliderX(3, 0.1f), sliderY(3), false);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 3), 0.35f);
    EXPECT_TRUE(editCalls(effect).empty());
}

TEST_F(EditorTest, WheelTurnsStepTheSliderUnderThePointerByWholeNotches) {
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    const float start = parameter(effect, 2);
    const float untouched = parameter(effect, 0);
    const int x = sliderX(2, 0.2f);
    wheel(editor, x, sliderY(2), 120);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), start + 0.05f);
    wheel(editor, x, sliderY(2), -240);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.05f, 1e-6);
    wheel(editor, x, sliderY(2), 60);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.05f, 1e-6) << "half a notch is none";
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202, 102, 202})) << "each turn is one complete edit";

    // Shift, read from the key state, makes a notch a tenth.
    holdKey(VK_SHIFT, true);
    wheel(editor, x, sliderY(2), 120);
    holdKey(VK_SHIFT, false);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.045f, 1e-6);
    EXPECT_FLOAT_EQ(parameter(effect, 0), untouched);
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, ProgramChangesMoveEveryHandleAtTheNextIdle) {
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    for (int program : {3, 1, 2, 0}) {
        float before[4];
        currentValues(before);
        dispatch(effect, effSetProgram, 0, program);
        EXPECT_EQ(differingPixels(shot(), expectedPicture(before)), 0) << "nothing moves before the idle";
        idle(effect);
        EXPECT_EQ(differenceFromValues(), 0) << program;
    }
    EXPECT_TRUE(editCalls(effect).empty()) << "the plug-in's own changes are not sent back";
}

TEST_F(EditorTest, VolumeControllerMovesTheVolumeHandleAtTheNextIdle) {
    ASSERT_NE(openAndShow(), nullptr);
    VstMidiEvent volume{};
    volume.type = kVstMidiType;
    volume.byteSize = sizeof volume;
    volume.midiData[0] = static_cast<char>(0xB0);
    volume.midiData[1] = 7;
    volume.midiData[2] = 127;
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&volume);
    dispatch(effect, effProcessEvents, 0, 0, &list);
    EXPECT_EQ(parameter(effect, 0), 1.0f);

    const float before[4] = {0.5f, parameter(effect, 1), parameter(effect, 2), parameter(effect, 3)};
    EXPECT_EQ(differingPixels(shot(), expectedPicture(before)), 0) << "nothing moves before the idle";
    idle(effect);
    EXPECT_EQ(differenceFromValues(), 0);
    EXPECT_TRUE(editCalls(effect).empty());
}

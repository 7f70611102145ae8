// The four sliders bound to the plug-in's values: driven by the pointer, the
// wheel and keys as the window system delivers them, and moved by the
// plug-in.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <thread>

#include "tests/module/EditorTestHost.h"

using namespace editorhost;

namespace {

// A program chunk: four values and a name.
struct ProgramChunk {
    float values[4];
    char name[24];
};

float pointed(int index, int x) { return static_cast<float>(x - (sliderLeft(index) + 19)) / 178.0f; }

}  // namespace

TEST_F(EditorTest, ClicksMapThePointerToValuesAndClamp) {
    ASSERT_TRUE(openAndShow());
    struct Case {
        int x;
        float value;
    };
    // Far enough apart that no two presses count as a double click.
    for (const Case c :
         {Case{sliderLeft(1) + 19, 0.0f}, Case{sliderLeft(1) + 197, 1.0f}, Case{sliderLeft(1) + 2, 0.0f},
          Case{sliderLeft(1) + 210, 1.0f}, Case{sliderLeft(1) + 108, 0.5f}}) {
        click(host, c.x, sliderY(1));
        idle(effect);
        EXPECT_FLOAT_EQ(parameter(effect, 1), c.value) << c.x;
    }
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201, 101, 201, 101, 201, 101, 201, 101, 201}));
}

TEST_F(EditorTest, ADragIsOneEditOfDirectParameterChanges) {
    ASSERT_TRUE(openAndShow());
    movePointer(host, sliderX(2, 0.5f), sliderY(2));
    pressLeft(host);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), 0.5f);
    for (int x = sliderX(2, 0.5f); x >= sliderX(2, 0.25f); x -= 7) {
        movePointer(host, x, sliderY(2) + 3);
        idle(effect, 1);
    }
    movePointer(host, sliderX(2, 0.25f), sliderY(2) + 40);
    releaseLeft(host);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), 0.25f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202})) << "begin, end, and never an automation";
    EXPECT_EQ(differenceFromValues(), 0) << "the handle is drawn where the value now is";
}

TEST_F(EditorTest, DragsGoOnOutsideTheWindowUntilRelease) {
    ASSERT_TRUE(openAndShow());
    movePointer(host, sliderX(2, 0.5f), sliderY(2));
    pressLeft(host);
    movePointer(host, 600, 300);  // off the editor: the pointer stays with it
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), 1.0f);
    movePointer(host, sliderX(2, 0.1f), 400);
    releaseLeft(host);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), 0.1f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202}));
}

TEST_F(EditorTest, ShiftMovesATenthOfThePointer) {
    ASSERT_TRUE(openAndShow());
    const float anchor = parameter(effect, 2);  // 0.7 in the first program
    const int start = sliderX(2, 0.05f);
    movePointer(host, start, sliderY(2));
    holdModifier(Modifier::shift, true);
    pressLeft(host);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), anchor) << "a fine press does not jump";
    const int end = start + 150;
    movePointer(host, end, sliderY(2));
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), anchor + (pointed(2, end) - anchor) / 10.0f);

    // Shift let go mid-drag: the value jumps to the pointer.
    holdModifier(Modifier::shift, false);
    movePointer(host, end - 1, sliderY(2));
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), pointed(2, end - 1));
    releaseLeft(host);
    idle(effect);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202}));
}

TEST_F(EditorTest, ControlClickResetsToTheMiddleAsOneEdit) {
    ASSERT_TRUE(openAndShow());
    ASSERT_FLOAT_EQ(parameter(effect, 1), 0.2f);
    holdModifier(Modifier::control, true);
    click(host, sliderX(1, 0.9f), sliderY(1));
    holdModifier(Modifier::control, false);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201}));

    // With shift as well it is a fine press, not a reset.
    dispatch(effect, effSetProgram, 0, 1);
    recorder().clear();
    holdModifier(Modifier::control, true);
    holdModifier(Modifier::shift, true);
    click(host, sliderX(1, 0.9f) + 20, sliderY(1));
    holdModifier(Modifier::shift, false);
    holdModifier(Modifier::control, false);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 1.0f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201}));
}

TEST_F(EditorTest, AControlDoubleClickResetsOnceThenActsAsAPress) {
    ASSERT_TRUE(openAndShow());
    dispatch(effect, effSetProgram, 0, 1);  // Metal / Plastic at 1.0
    idle(effect);
    recorder().clear();
    holdModifier(Modifier::control, true);
    click(host, sliderX(1, 0.9f), sliderY(1));
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201})) << "the reset is one edit";
    // The second press of a double click carries its own flag: no reset,
    // the value follows the pointer.
    clickAgain(host, sliderX(1, 0.9f), sliderY(1));
    holdModifier(Modifier::control, false);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 1), 0.9f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201, 101, 201}));
}

TEST_F(EditorTest, RightAndMiddlePressesAndTheWheelPastTheTopChangeNothing) {
    ASSERT_TRUE(openAndShow());
    otherClick(host, sliderX(3, 0.9f), sliderY(3), true);
    otherClick(host, sliderX(3, 0.1f), sliderY(3), false);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 3), 0.35f);
    dispatch(effect, effSetProgram, 0, 1);  // Metal / Plastic at 1.0
    idle(effect);
    wheelNotch(host, sliderX(1, 0.5f), sliderY(1), true);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 1.0f);
    EXPECT_TRUE(editCalls(effect).empty());
}

TEST_F(EditorTest, WheelNotchesStepTheSliderUnderThePointer) {
    ASSERT_TRUE(openAndShow());
    const float start = parameter(effect, 2);
    const float untouched = parameter(effect, 0);
    const int x = sliderX(2, 0.2f);
    wheelNotch(host, x, sliderY(2), true);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), start + 0.05f);
    for (int i = 0; i < 2; ++i) wheelNotch(host, x, sliderY(2), false);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.05f, 1e-6);

    holdModifier(Modifier::shift, true);
    wheelNotch(host, x, sliderY(2), true);
    holdModifier(Modifier::shift, false);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.045f, 1e-6) << "shift makes a notch a tenth";
    EXPECT_FLOAT_EQ(parameter(effect, 0), untouched);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202, 102, 202, 102, 202, 102, 202}))
        << "each notch is one complete edit";
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, WhereSlidersOverlapTheLaterOneGetsThePointer) {
    ASSERT_TRUE(openAndShow());
    for (int x : {249, 270, 291}) {
        const float rightValue = std::max(0.0f, pointed(2, x));
        dispatch(effect, effSetProgram, 0, 0);
        idle(effect);
        recorder().clear();
        click(host, x, sliderY(0));
        idle(effect);
        EXPECT_FLOAT_EQ(parameter(effect, 0), 0.5f) << x;
        EXPECT_FLOAT_EQ(parameter(effect, 2), rightValue) << x;
        EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202})) << x;
    }
}

TEST_F(EditorTest, ArrowKeysStepTheSliderLastPressed) {
    ASSERT_TRUE(openAndShow());
    VstKeyCode up{0, 12, 0};
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 0, up.virt, nullptr, up.modifier), 0) << "nothing has the focus yet";
    click(host, sliderX(0, 0.5f), sliderY(0));
    idle(effect);
    recorder().clear();
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 0, up.virt, nullptr, 0), 1);
    EXPECT_FLOAT_EQ(parameter(effect, 0), 0.55f);
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 0, 11, nullptr, 1), 1) << "shift + left";
    EXPECT_FLOAT_EQ(parameter(effect, 0), 0.545f);
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 'a', 0, nullptr, 0), 0);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{100, 200, 100, 200}));
}

TEST_F(EditorTest, ProgramChangesMoveEveryHandleAtTheNextIdle) {
    ASSERT_TRUE(openAndShow());
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
    ASSERT_TRUE(openAndShow());
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

TEST_F(EditorTest, ValuesBeyondTheRangeAreDrawnInsideTheTrack) {
    ProgramChunk chunk{{-0.5f, 1.1f, 40.0f, 0.25f}, "odd"};
    ASSERT_EQ(dispatch(effect, effSetChunk, 1, sizeof chunk, &chunk), static_cast<VstIntPtr>(sizeof chunk));
    ASSERT_TRUE(openAndShow());
    const std::vector<std::uint32_t> picture = shot();
    // Below 0: the handle rests at the start of its travel, as at 0.
    const float clampedLow[4] = {0.0f, 0.0f, 0.0f, 0.25f};
    EXPECT_EQ(differingPixels(picture, expectedPicture(clampedLow), 32, 130, 249, 163), 0);
    // 1.1 leaves a partial handle ending at the travel's end; nothing past it.
    const float noHandles[4] = {40.0f, 40.0f, 40.0f, 40.0f};
    const Picture bare = expectedPicture(noHandles);
    EXPECT_EQ(differingPixels(picture, bare, sliderLeft(1) + 215, 186, 249, 219), 0);
    EXPECT_GT(differingPixels(picture, bare, sliderLeft(1) + 199, 188, sliderLeft(1) + 215, 220), 100);
    // 40 is so far out that no handle is left to draw.
    EXPECT_EQ(differingPixels(picture, bare, 249, 130, 494, 163), 0);
}

TEST_F(EditorTest, ChangesWhileClosedShowOnReopening) {
    ASSERT_TRUE(openAndShow());
    closeEditor();
    dispatch(effect, effSetProgram, 0, 3);
    ASSERT_TRUE(openEditor());
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), 0.85f);
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, ProgramChangesFromAnotherThreadWhileTheWindowPaints) {
    ASSERT_TRUE(openAndShow());
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; i < 2000 && !done.load(); ++i) dispatch(effect, effSetProgram, 0, i % 4);
        done = true;
    });
    while (!done.load()) dispatch(effect, effEditIdle);
    changer.join();
    dispatch(effect, effSetProgram, 0, 2);
    idle(effect);
    EXPECT_EQ(differenceFromValues(), 0);
}

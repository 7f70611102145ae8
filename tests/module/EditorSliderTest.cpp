// The four sliders bound to the plug-in's values, driven by pointer and keys.
#include "tests/module/EditorHost.h"

#include <X11/keysym.h>

#include <atomic>
#include <thread>

using namespace editortest;

namespace {

// A program chunk: four values and a name.
struct ProgramChunk {
    float values[4];
    char name[24];
};

}  // namespace

TEST_F(EditorTest, ClicksMapThePointerToValuesAndClamp) {
    const Window editor = openAndShow();
    struct Case {
        int x;
        float value;
    };
    // Far enough apart that no two presses count as a double click.
    for (const Case c :
         {Case{sliderLeft(1) + 19, 0.0f}, Case{sliderLeft(1) + 197, 1.0f}, Case{sliderLeft(1) + 2, 0.0f},
          Case{sliderLeft(1) + 210, 1.0f}, Case{sliderLeft(1) + 108, 0.5f}}) {
        click(editor, c.x, sliderY(1));
        idle(effect);
        EXPECT_FLOAT_EQ(parameter(effect, 1), c.value) << c.x;
    }
}

TEST_F(EditorTest, ADragIsOneEditOfDirectParameterChanges) {
    const Window editor = openAndShow();
    movePointer(editor, sliderX(2, 0.5f), sliderY(2));
    pressButton(1);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), 0.5f);
    for (int x = sliderX(2, 0.5f); x >= sliderX(2, 0.25f); x -= 7) {
        movePointer(editor, x, sliderY(2) + 3);
        idle(effect, 1);
    }
    movePointer(editor, sliderX(2, 0.25f), sliderY(2) + 40);
    releaseButton(1);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), 0.25f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202})) << "begin, end, and never an automation";

    // The handle was repainted where the value now is.
    float values[4];
    currentValues(values);
    EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels);
}

TEST_F(EditorTest, DragsGoOnOutsideTheWindowUntilRelease) {
    const Window editor = openAndShow();
    movePointer(editor, sliderX(2, 0.5f), sliderY(2));
    pressButton(1);
    movePointer(editor, 600, 300);  // off the editor: the pointer stays grabbed
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), 1.0f);
    movePointer(editor, sliderX(2, 0.1f), 400);
    releaseButton(1);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), 0.1f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202}));
}

TEST_F(EditorTest, ShiftMovesATenthOfThePointer) {
    const Window editor = openAndShow();
    const float anchor = parameter(effect, 2);  // 0.7 in the first program
    const int start = sliderX(2, 0.05f);
    movePointer(editor, start, sliderY(2));
    holdKey(XK_Shift_L, true);
    pressButton(1);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), anchor) << "a fine press does not jump";
    const int end = start + 150;
    movePointer(editor, end, sliderY(2));
    idle(effect);
    const float pointed = static_cast<float>(end - (sliderLeft(2) + 19)) / 178.0f;
    EXPECT_FLOAT_EQ(parameter(effect, 2), anchor + (pointed - anchor) / 10.0f);

    // Shift let go mid-drag: the value jumps to the pointer.
    holdKey(XK_Shift_L, false);
    movePointer(editor, end - 1, sliderY(2));
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), static_cast<float>(end - 1 - (sliderLeft(2) + 19)) / 178.0f);
    releaseButton(1);
    idle(effect);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202}));
}

TEST_F(EditorTest, ControlClickResetsToTheMiddleAsOneEdit) {
    const Window editor = openAndShow();
    ASSERT_FLOAT_EQ(parameter(effect, 1), 0.2f);
    holdKey(XK_Control_L, true);
    click(editor, sliderX(1, 0.9f), sliderY(1));
    holdKey(XK_Control_L, false);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201}));

    // With shift as well it is a fine press, not a reset.
    dispatch(effect, effSetProgram, 0, 1);
    recorder().clear();
    holdKey(XK_Control_L, true);
    holdKey(XK_Shift_L, true);
    click(editor, sliderX(1, 0.9f) + 20, sliderY(1));
    holdKey(XK_Shift_L, false);
    holdKey(XK_Control_L, false);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 1.0f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201}));
}

TEST_F(EditorTest, RightAndMiddlePressesAreLeftAlone) {
    const Window editor = openAndShow();
    click(editor, sliderX(3, 0.9f), sliderY(3), 3);
    click(editor, sliderX(3, 0.1f), sliderY(3), 2);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 3), 0.35f);
    EXPECT_TRUE(editCalls(effect).empty());
}

TEST_F(EditorTest, WheelUpAtTheTopChangesNothing) {
    const Window editor = openAndShow();
    dispatch(effect, effSetProgram, 0, 1);  // Metal / Plastic at 1.0
    idle(effect);
    movePointer(editor, sliderX(1, 0.5f), sliderY(1));
    pressButton(4);
    releaseButton(4);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 1.0f);
    EXPECT_TRUE(editCalls(effect).empty());
}

TEST_F(EditorTest, ArrowKeysStepTheSliderLastPressed) {
    const Window editor = openAndShow();
    VstKeyCode up{0, 12, 0};
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 0, up.virt, nullptr, up.modifier), 0) << "nothing has the focus yet";
    click(editor, sliderX(0, 0.5f), sliderY(0));
    idle(effect);
    recorder().clear();
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 0, up.virt, nullptr, 0), 1);
    EXPECT_FLOAT_EQ(parameter(effect, 0), 0.55f);
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 0, 11, nullptr, 1), 1) << "shift + left";
    EXPECT_FLOAT_EQ(parameter(effect, 0), 0.545f);
    EXPECT_EQ(dispatch(effect, effEditKeyDown, 'a', 0, nullptr, 0), 0);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{100, 200, 100, 200}));
}

TEST_F(EditorTest, ProgramChangesMoveEveryHandle) {
    openAndShow();
    for (int program : {3, 1, 2, 0}) {
        dispatch(effect, effSetProgram, 0, program);
        idle(effect);
        float values[4];
        currentValues(values);
        EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels) << program;
    }
    EXPECT_TRUE(editCalls(effect).empty()) << "the plug-in's own changes are not sent back";
}

TEST_F(EditorTest, VolumeControllerMovesTheVolumeHandleAtTheNextIdle) {
    openAndShow();
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
    EXPECT_EQ(sameCount(shot(), expectedPicture(before)), kPixels) << "nothing moves before the idle";
    idle(effect);
    float values[4];
    currentValues(values);
    EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels);
    EXPECT_TRUE(editCalls(effect).empty());
}

TEST_F(EditorTest, ValuesBeyondTheRangeAreDrawnInsideTheTrack) {
    ProgramChunk chunk{{-0.5f, 1.1f, 40.0f, 0.25f}, "odd"};
    ASSERT_EQ(dispatch(effect, effSetChunk, 1, sizeof chunk, &chunk), static_cast<VstIntPtr>(sizeof chunk));
    openAndShow();
    const std::vector<std::uint32_t> picture = shot();
    // Below 0: the handle rests at the start of its travel.
    const float clampedLow[4] = {0.0f, 0.0f, 0.0f, 0.25f};
    const std::vector<std::uint32_t> low = expectedPicture(clampedLow);
    // Row of slider 0: identical to a handle at 0.
    for (int y = 130; y < 163; ++y)
        for (int x = 32; x < 249; ++x) ASSERT_EQ(picture[y * kWidth + x], low[y * kWidth + x]) << x << "," << y;
    // 1.1 leaves a partial handle ending at the travel's end; nothing past it.
    const float noHandles[4] = {40.0f, 40.0f, 40.0f, 40.0f};
    const std::vector<std::uint32_t> bare = expectedPicture(noHandles);
    for (int y = 186; y < 219; ++y)
        for (int x = sliderLeft(1) + 215; x < 249; ++x)
            ASSERT_EQ(picture[y * kWidth + x], bare[y * kWidth + x]) << x;
    int handlePixels = 0;
    for (int y = 188; y < 220; ++y)
        for (int x = sliderLeft(1) + 199; x < sliderLeft(1) + 215; ++x)
            handlePixels += picture[y * kWidth + x] != bare[y * kWidth + x];
    EXPECT_GT(handlePixels, 100);
    // 40 is so far out that no handle is left to draw.
    for (int y = 130; y < 163; ++y)
        for (int x = 249; x < 494; ++x) ASSERT_EQ(picture[y * kWidth + x], bare[y * kWidth + x]) << x;
}

TEST_F(EditorTest, ChangesWhileClosedShowOnReopening) {
    openAndShow();
    closeEditor();
    dispatch(effect, effSetProgram, 0, 3);
    ASSERT_TRUE(openEditor());
    idle(effect);
    float values[4];
    currentValues(values);
    EXPECT_FLOAT_EQ(values[2], 0.85f);
    EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels);
}

TEST_F(EditorTest, ProgramChangesFromAnotherThreadWhileTheWindowPaints) {
    openAndShow();
    std::atomic<bool> done{false};
    std::thread changer([&] {
        for (int i = 0; i < 2000 && !done.load(); ++i) dispatch(effect, effSetProgram, 0, i % 4);
        done = true;
    });
    while (!done.load()) dispatch(effect, effEditIdle);
    changer.join();
    dispatch(effect, effSetProgram, 0, 2);
    idle(effect);
    float values[4];
    currentValues(values);
    EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels);
}

TEST_F(EditorTest, AControlDoubleClickResetsOnceThenActsAsAPress) {
    const Window editor = openAndShow();
    dispatch(effect, effSetProgram, 0, 1);  // Metal / Plastic at 1.0
    idle(effect);
    holdKey(XK_Control_L, true);
    click(editor, sliderX(1, 0.9f), sliderY(1));
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    // The second press of a double click carries its own flag: no reset,
    // the value follows the pointer.
    click(editor, sliderX(1, 0.9f), sliderY(1));
    holdKey(XK_Control_L, false);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 1), 0.9f, 0.006f);
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{101, 201, 101, 201}));
}

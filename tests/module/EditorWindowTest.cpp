// The editor through the plug-in's record, as a host drives it.
#include "tests/module/EditorHost.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <thread>

using namespace editortest;

namespace {

int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) ++count;
    return count;
}

}  // namespace

TEST_F(EditorTest, RecordAnnouncesTheEditorAndItsSize) {
    EXPECT_EQ(effect->flags, 0x131);
    ERect* rect = nullptr;
    ASSERT_EQ(dispatch(effect, effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->top, 0);
    EXPECT_EQ(rect->left, 0);
    EXPECT_EQ(rect->bottom, 238);
    EXPECT_EQ(rect->right, 494);
    VstKeyCode key{0, 12, 0};
    EXPECT_EQ(dispatch(effect, effEditKeyDown, key.character, key.virt, nullptr, key.modifier), 0)
        << "no keys while closed";
    EXPECT_EQ(dispatch(effect, effEditIdle), 0);
    EXPECT_EQ(dispatch(effect, effSetEditKnobMode, 0, 2), 1);
}

TEST_F(EditorTest, OpenShowsTheBackgroundAndTheHandlesOfTheCurrentProgram) {
    const Window editor = openAndShow();
    ASSERT_NE(editor, 0u);
    XWindowAttributes attributes;
    ASSERT_TRUE(XGetWindowAttributes(display(), editor, &attributes));
    EXPECT_EQ(attributes.x, 0);
    EXPECT_EQ(attributes.y, 0);
    EXPECT_EQ(attributes.width, 494);
    EXPECT_EQ(attributes.height, 238);
    char* title = nullptr;
    ASSERT_TRUE(XFetchName(display(), editor, &title));
    EXPECT_STREQ(title, "Window");
    XFree(title);

    float values[4];
    currentValues(values);
    const std::vector<std::uint32_t> picture = shot();
    const std::vector<std::uint32_t> expected = expectedPicture(values);
    EXPECT_EQ(sameCount(picture, expected), kPixels);
    savePng(picture, 494, 238, "editor-screenshot.png");
}

TEST_F(EditorTest, ExposedAreasArePaintedAgain) {
    openAndShow();
    float values[4];
    currentValues(values);
    // Cover part of the editor with a sibling of the host window, then remove it.
    Window cover = XCreateSimpleWindow(display(), DefaultRootWindow(display()), 100, 50, 200, 120, 0, 0, 0);
    XMapWindow(display(), cover);
    XSync(display(), False);
    XDestroyWindow(display(), cover);
    idle(effect);
    EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels);
}

TEST_F(EditorTest, NullOrBogusParentIsRefusedAndLeavesNothingOpen) {
    const int errorsBefore = xErrorCount();
    const int descriptorsBefore = openDescriptors();
    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 0);
    idle(effect);
    closeEditor();
    // An id that names no window, one the host destroyed, and a pointer that
    // is no X id at all.
    HostWindow destroyed;
    const std::uintptr_t gone = destroyed.id();
    destroyed.destroy();
    for (std::uintptr_t bogus : {std::uintptr_t{0x1FFFFF0}, gone, std::uintptr_t{0x7FFF12345678}}) {
        EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, reinterpret_cast<void*>(bogus)), 0) << bogus;
        idle(effect);
        VstKeyCode key{0, 12, 0};
        EXPECT_EQ(dispatch(effect, effEditKeyDown, key.character, key.virt, nullptr, key.modifier), 0)
            << "no editor is open to take keys";
        closeEditor();
    }
    EXPECT_EQ(xErrorCount(), errorsBefore);
    EXPECT_EQ(openDescriptors(), descriptorsBefore);
    // Still fine with a real window afterwards.
    EXPECT_NE(openAndShow(), 0u);
}

TEST_F(EditorTest, HostDestroyingItsWindowFirstIsSurvived) {
    openAndShow();
    host.destroy();
    idle(effect);
    idle(effect);
    closeEditor();
    // The shared connection is intact: a new window opens and paints.
    HostWindow second;
    ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, second.asParent()), 1);
    idle(effect);
    float values[4];
    currentValues(values);
    EXPECT_EQ(sameCount(screenshot(second.child(), kWidth, kHeight), expectedPicture(values)), kPixels);
    closeEditor();
}

TEST_F(EditorTest, OpenAndCloseAHundredTimesLeavesNothingBehind) {
    const int errorsBefore = xErrorCount();
    const int descriptorsBefore = openDescriptors();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(openEditor());
        dispatch(effect, effEditIdle);
        closeEditor();
    }
    XSync(display(), False);
    EXPECT_EQ(host.child(), 0u) << "every editor window was destroyed";
    EXPECT_EQ(openDescriptors(), descriptorsBefore) << "the editor's server connection closes with it";
    EXPECT_EQ(xErrorCount(), errorsBefore);
}

TEST_F(EditorTest, TwoInstancesOpenAtOnceKeepToThemselves) {
    AEffect* other = loadPlugin();
    HostWindow otherHost(0, 240);
    openAndShow();
    ASSERT_EQ(dispatch(other, effEditOpen, 0, 0, otherHost.asParent()), 1);
    dispatch(other, effSetProgram, 0, 3);
    idle(other);
    idle(effect);

    float values[4];
    currentValues(values);
    float otherValues[4];
    for (int i = 0; i < 4; ++i) otherValues[i] = parameter(other, i);
    EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels);
    EXPECT_EQ(sameCount(screenshot(otherHost.child(), kWidth, kHeight), expectedPicture(otherValues)), kPixels);

    // A click in the first editor, with both idling, changes only the first.
    click(host.child(), sliderX(1, 0.5f), sliderY(1));
    idle(other);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    EXPECT_FLOAT_EQ(parameter(other, 1), otherValues[1]);

    // Closing one leaves the other working.
    dispatch(other, effEditClose);
    unloadPlugin(other);
    dispatch(effect, effSetProgram, 0, 1);
    idle(effect);
    currentValues(values);
    EXPECT_EQ(sameCount(shot(), expectedPicture(values)), kPixels);
}

TEST_F(EditorTest, TheHostsErrorHandlerIsLeftAlone) {
    XErrorHandler before = XSetErrorHandler(nullptr);
    XSetErrorHandler(before);
    openAndShow();
    host.destroy();
    idle(effect);
    closeEditor();
    XErrorHandler after = XSetErrorHandler(before);
    EXPECT_EQ(after, before);
}

TEST_F(EditorTest, WheelNotchesStepTheSliderUnderThePointer) {
    const Window editor = openAndShow();
    const float start = parameter(effect, 2);
    movePointer(editor, sliderX(2, 0.2f), sliderY(2));
    pressButton(4);
    releaseButton(4);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 2), start + 0.05f);
    for (int i = 0; i < 2; ++i) {
        pressButton(5);
        releaseButton(5);
    }
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.05f, 1e-6);

    holdKey(XK_Shift_L, true);
    pressButton(4);
    releaseButton(4);
    holdKey(XK_Shift_L, false);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.045f, 1e-6) << "shift makes a notch a tenth";
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202, 102, 202, 102, 202, 102, 202}))
        << "each notch is one complete edit";
}

TEST_F(EditorTest, WhereSlidersOverlapTheLaterOneGetsThePointer) {
    const Window editor = openAndShow();
    for (int x : {249, 270, 291}) {
        const float rightValue = std::max(0.0f, static_cast<float>(x - (249 + 19)) / 178.0f);
        dispatch(effect, effSetProgram, 0, 0);
        idle(effect);
        recorder().clear();
        click(editor, x, sliderY(0));
        idle(effect);
        EXPECT_FLOAT_EQ(parameter(effect, 0), 0.5f) << x;
        EXPECT_FLOAT_EQ(parameter(effect, 2), rightValue) << x;
        EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202})) << x;
    }
}

// The editor's window in a host's window, as a host drives it through the
// plug-in's record: what it shows, and its life beside the host's windows
// and another instance's.
#include <gtest/gtest.h>

#include "tests/module/EditorTestHost.h"

using namespace editorhost;

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
    ASSERT_TRUE(openAndShow());
    EditorPlacement placement;
    ASSERT_TRUE(editorPlacement(host, placement));
    EXPECT_EQ(placement.x, 0);
    EXPECT_EQ(placement.y, 0);
    EXPECT_EQ(placement.width, 494) << "no border around the client area";
    EXPECT_EQ(placement.height, 238);
    EXPECT_EQ(placement.title, "Window");

    const std::vector<std::uint32_t> picture = shot();
    const int differing = differenceFromValues();
    EXPECT_EQ(differing, 0);
    if (differing != 0) saveScreenshot(picture, "editor-screenshot");
}

TEST_F(EditorTest, OpeningTwiceGivesOneWindowInTheLatestParentAndClosingTwiceIsHarmless) {
    EXPECT_EQ(dispatch(effect, effEditIdle), 0) << "idle while closed";
    closeEditor();
    ASSERT_TRUE(openEditor());
    ASSERT_TRUE(openEditor());
    idle(effect);
    EXPECT_EQ(host.childCount(), 1);

    HostWindow second(HostWindow::Place::second);
    ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, second.asParent()), 1);
    idle(effect);
    EXPECT_EQ(host.childCount(), 0) << "the first parent's window went with the second open";
    EXPECT_EQ(second.childCount(), 1);
    EXPECT_EQ(differenceFromValues(second, effect), 0);

    closeEditor();
    EXPECT_EQ(second.childCount(), 0);
    closeEditor();
    EXPECT_EQ(dispatch(effect, effEditIdle), 0);
    idle(effect);
    ASSERT_TRUE(openAndShow());
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, NullDestroyedOrBogusParentIsRefusedAndLeavesNothingOpen) {
    const std::vector<long long> before = footprint();
    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 0);
    idle(effect);
    EXPECT_EQ(footprint(), before);
    closeEditor();

    // One the host destroyed, and ones that name no window.
    std::vector<void*> parents;
    {
        HostWindow destroyed;
        parents.push_back(destroyed.asParent());
    }
    ASSERT_FALSE(parentExists(parents.front()));
    for (void* bogus : bogusParents()) parents.push_back(bogus);
    for (void* parent : parents) {
        EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, parent), 0) << parent;
        idle(effect);
        VstKeyCode key{0, 12, 0};
        EXPECT_EQ(dispatch(effect, effEditKeyDown, key.character, key.virt, nullptr, key.modifier), 0)
            << "no editor is open to take keys";
        EXPECT_EQ(footprint(), before) << parent;
        closeEditor();
    }

    // Still fine with a real window afterwards.
    ASSERT_TRUE(openAndShow());
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, HostDestroyingItsWindowFirstIsSurvived) {
    ASSERT_TRUE(openAndShow());
    host.destroy();
    idle(effect);
    idle(effect);
    closeEditor();
    // A new window opens and paints.
    HostWindow second;
    ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, second.asParent()), 1);
    idle(effect);
    EXPECT_EQ(differenceFromValues(second, effect), 0);
    closeEditor();
    EXPECT_EQ(second.childCount(), 0);
}

TEST_F(EditorTest, TwoInstancesOpenAtOnceKeepToThemselves) {
    AEffect* other = loadPlugin();
    HostWindow otherHost(HostWindow::Place::second);
    ASSERT_TRUE(openAndShow());
    ASSERT_EQ(dispatch(other, effEditOpen, 0, 0, otherHost.asParent()), 1);
    dispatch(other, effSetProgram, 0, 3);
    idle(other);
    idle(effect);

    const float otherValue = parameter(other, 1);
    EXPECT_EQ(differenceFromValues(), 0);
    EXPECT_EQ(differenceFromValues(otherHost, other), 0);

    // A click in the first editor, with both idling, changes only the first.
    click(host, sliderX(1, 0.5f), sliderY(1));
    idle(other);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    EXPECT_FLOAT_EQ(parameter(other, 1), otherValue);

    // Closing one leaves the other working.
    dispatch(other, effEditClose);
    unloadPlugin(other);
    dispatch(effect, effSetProgram, 0, 1);
    idle(effect);
    EXPECT_EQ(differenceFromValues(), 0);
}

// What only an X11 host sees of the editor: exposure from the server, the
// host's error handler, and the editor's own server connection.
#include "tests/module/X11EditorTestHost.h"

#include "tests/support/ProcessProbe.h"

using namespace editorhost;

TEST_F(EditorTest, ExposedAreasArePaintedAgain) {
    ASSERT_TRUE(openAndShow());
    // Cover part of the editor with a sibling of the host window, then remove it.
    Window cover = XCreateSimpleWindow(display(), DefaultRootWindow(display()), 100, 50, 200, 120, 0, 0, 0);
    XMapWindow(display(), cover);
    XSync(display(), False);
    XDestroyWindow(display(), cover);
    idle(effect);
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, OpenAndCloseAHundredTimesLeavesNothingBehind) {
    const int errorsBefore = xErrorCount();
    const int descriptorsBefore = openHandleCount();
    for (int i = 0; i < 100; ++i) {
        ASSERT_TRUE(openEditor());
        dispatch(effect, effEditIdle);
        closeEditor();
    }
    XSync(display(), False);
    EXPECT_EQ(editorWindow(host), 0u) << "every editor window was destroyed";
    EXPECT_EQ(openHandleCount(), descriptorsBefore) << "the editor's server connection closes with it";
    EXPECT_EQ(xErrorCount(), errorsBefore);
}

TEST_F(EditorTest, TheHostsErrorHandlerIsLeftAlone) {
    XErrorHandler before = XSetErrorHandler(nullptr);
    XSetErrorHandler(before);
    ASSERT_TRUE(openAndShow());
    host.destroy();
    idle(effect);
    closeEditor();
    XErrorHandler after = XSetErrorHandler(before);
    EXPECT_EQ(after, before);
}

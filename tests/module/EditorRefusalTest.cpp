// A build without a window layer: the host still learns the editor's size,
// but opening the editor is refused and leaves nothing open behind.
#include <gtest/gtest.h>

#include "tests/support/HostHarness.h"
#include "tests/support/ThreadCount.h"

using namespace testhost;

TEST(EditorWithoutWindowLayer, OpenIsRefusedWhileTheSizeIsStillAnswered) {
    PluginLibrary library;
    PluginInstance plugin{library};
    EXPECT_EQ(plugin.effect()->flags & effFlagsHasEditor, effFlagsHasEditor);

    ERect* rect = nullptr;
    ASSERT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, 494);
    EXPECT_EQ(rect->bottom - rect->top, 238);

    const int threadsBefore = threadCount();
    int hostWindow = 0;
    EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, &hostWindow), 0);
    EXPECT_EQ(plugin.dispatch(effEditOpen, 0, 0, nullptr), 0);
    // A host that idles and closes anyway finds nothing to act on.
    EXPECT_EQ(plugin.dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin.dispatch(effEditClose), 0);
    EXPECT_EQ(threadCount(), threadsBefore);

    // Values still reach the plug-in and are read back.
    plugin.setParameter(1, 0.25f);
    EXPECT_EQ(plugin.getParameter(1), 0.25f);
    rect = nullptr;
    ASSERT_EQ(plugin.dispatch(effEditGetRect, 0, 0, &rect), 1);
    EXPECT_EQ(rect->right - rect->left, 494);
}

// The CLAP gui as hosts drive it: the editor embedded in the host's window
// (X11, or Win32 under Windows), idled by the host's timer, in whatever
// order the host creates, parents, shows, hides and destroys it; the
// user's drags reach the host as gesture begin, values and end.
#ifdef _WIN32
#include "tests/module/Win32EditorTestHost.h"
#else
#include "tests/module/X11EditorTestHost.h"
#endif

#include <algorithm>

#include "plugin/ProgramRecord.h"
#include "tests/clap/ClapTestHost.h"

using namespace editorhost;
using namespace claptest;

namespace {

#ifdef _WIN32
constexpr const char* kApi = CLAP_WINDOW_API_WIN32;
#else
constexpr const char* kApi = CLAP_WINDOW_API_X11;
#endif

clap_window_t windowOf(const HostWindow& host) {
    clap_window_t window{kApi, {}};
#ifdef _WIN32
    window.win32 = host.asParent();
#else
    window.x11 = static_cast<clap_xwnd>(host.native());
#endif
    return window;
}

class ClapGui : public ::testing::Test {
protected:
    void SetUp() override {
        resetInput();
        std::copy(std::begin(kFactoryPrograms[0].parameters), std::end(kFactoryPrograms[0].parameters), shown);
    }
    void TearDown() override { resetInput(); }

    bool create() { return plugin.gui->create(plugin.plugin, kApi, false); }
    bool setParent(const HostWindow& window) {
        const clap_window_t parent = windowOf(window);
        return plugin.gui->set_parent(plugin.plugin, &parent);
    }
    bool open() { return create() && setParent(host) && plugin.gui->show(plugin.plugin) && (idleGui(), true); }

    void idleGui(int calls = 3) {
        const auto tick = [this] {
            for (const clap_id timer : clapHost.timers) plugin.timer->on_timer(plugin.plugin, timer);
        };
#ifdef _WIN32
        for (int i = 0; i < calls; ++i) {
            tick();
            pumpMessages();
        }
#else
        idle(tick, calls);
#endif
    }

    int differenceFromShown(const HostWindow& window) const {
        return differingPixels(screenshot(window), expectedPicture(shown));
    }

    const Module module;
    Host clapHost;
    Plugin plugin{module, clapHost};
    HostWindow host;
    float shown[4];
};

TEST_F(ClapGui, AnyOrderOfCallsGivesOneEmbeddedEditorAtItsSize) {
    EXPECT_TRUE(plugin.gui->is_api_supported(plugin.plugin, kApi, false));
    EXPECT_FALSE(plugin.gui->is_api_supported(plugin.plugin, kApi, true)) << "embedded only";
    EXPECT_FALSE(plugin.gui->is_api_supported(plugin.plugin, "wayland", false));
    EXPECT_FALSE(plugin.gui->create(plugin.plugin, "wayland", false));
    const clap_window_t parent = windowOf(host);
    EXPECT_FALSE(plugin.gui->set_parent(plugin.plugin, &parent)) << "before create";

    const std::vector<long long> before = footprint();
    ASSERT_TRUE(open());
    std::uint32_t width = 0, height = 0;
    ASSERT_TRUE(plugin.gui->get_size(plugin.plugin, &width, &height));
    EXPECT_EQ(width, std::uint32_t(kWidth));
    EXPECT_EQ(height, std::uint32_t(kHeight));
    EXPECT_FALSE(plugin.gui->can_resize(plugin.plugin));
    EXPECT_FALSE(plugin.gui->set_size(plugin.plugin, 600, 300));
    EXPECT_EQ(clapHost.timers.size(), 1u) << "idled by the host's timer";
    EXPECT_EQ(host.childCount(), 1);
    EXPECT_EQ(differenceFromShown(host), 0) << "the values the instrument plays";

    // Hidden, shown again, moved to another parent: one editor at a time.
    ASSERT_TRUE(plugin.gui->hide(plugin.plugin));
    EXPECT_EQ(host.childCount(), 0);
    ASSERT_TRUE(plugin.gui->show(plugin.plugin));
    idleGui();
    EXPECT_EQ(host.childCount(), 1);
    {
        HostWindow other(HostWindow::Place::second);
        ASSERT_TRUE(setParent(other));
        idleGui();
        EXPECT_EQ(host.childCount(), 0);
        EXPECT_EQ(other.childCount(), 1);
        EXPECT_EQ(differenceFromShown(other), 0);

        // Destroyed while shown, twice; then shown before it has a parent.
        plugin.gui->destroy(plugin.plugin);
        plugin.gui->destroy(plugin.plugin);
        EXPECT_EQ(other.childCount(), 0);
    }
    EXPECT_TRUE(clapHost.timers.empty());
    EXPECT_FALSE(plugin.gui->show(plugin.plugin));
    ASSERT_TRUE(create());
    ASSERT_TRUE(plugin.gui->show(plugin.plugin));
    EXPECT_EQ(host.childCount(), 0);
    ASSERT_TRUE(setParent(host));
    idleGui();
    EXPECT_EQ(host.childCount(), 1);
    plugin.gui->destroy(plugin.plugin);
    EXPECT_EQ(footprint(), before) << "nothing of the editor is left";
}

TEST_F(ClapGui, TheEditorShowsTheValuesThePluginPlays) {
    ASSERT_TRUE(open());
    ASSERT_TRUE(plugin.activate(48000.0));
    EventList values;
    const float played[4] = {0.0f, 1.0f, 0.25f, 0.9f};
    for (int i = 0; i < 4; ++i) values.param(0, i, shown[i] = played[i]);
    Stereo out;
    plugin.process(values, 64, out);
    idleGui();
    EXPECT_EQ(differenceFromShown(host), 0);
    EXPECT_EQ(clapHost.flushRequests, 0) << "the host's own values are not written back";

    // A host that destroys the parent first is told the editor is gone.
    host.destroy();
    idleGui();
    EXPECT_EQ(clapHost.guiClosed, 1);
}

TEST_F(ClapGui, ADragReachesTheHostAsBeginValuesAndEnd) {
    ASSERT_TRUE(open());
    movePointer(host, sliderX(kSustain, shown[kSustain]), sliderY(kSustain));
    pressLeft(host);
    for (float value = 0.6f; value >= 0.2f; value -= 0.1f) {
        movePointer(host, sliderX(kSustain, value), sliderY(kSustain) + 3);
        idleGui(1);
    }
    releaseLeft(host);
    idleGui();
    EXPECT_GT(clapHost.flushRequests, 0) << "not processing: the host is asked to flush";
    plugin.flush({});

    ASSERT_GE(plugin.sent.size(), 4u);
    EXPECT_EQ(plugin.sent.front(), (SentEvent{CLAP_EVENT_PARAM_GESTURE_BEGIN, kSustain, 0.0}));
    EXPECT_EQ(plugin.sent.back(), (SentEvent{CLAP_EVENT_PARAM_GESTURE_END, kSustain, 0.0}));
    for (std::size_t i = 1; i + 1 < plugin.sent.size(); ++i) {
        EXPECT_EQ(plugin.sent[i].type, CLAP_EVENT_PARAM_VALUE);
        EXPECT_EQ(plugin.sent[i].param, clap_id(kSustain));
        if (i > 1) {
            EXPECT_LT(plugin.sent[i].value, plugin.sent[i - 1].value) << "the values follow the pointer";
        }
    }
    EXPECT_NEAR(plugin.value(kSustain), 0.2, 0.006);

    // While it plays, the next block takes the edits; a drag cut short by
    // destroy still ends its gesture.
    ASSERT_TRUE(plugin.activate(44100.0));
    plugin.sent.clear();
    click(host, sliderX(kDamper, 0.5f), sliderY(kDamper));
    idleGui();
    movePointer(host, sliderX(kVolume, shown[kVolume]), sliderY(kVolume));
    pressLeft(host);
    idleGui();
    plugin.gui->destroy(plugin.plugin);
    releaseLeft(host);
    Stereo out;
    plugin.process({}, 64, out);
    EXPECT_EQ(plugin.sent, (std::vector<SentEvent>{{CLAP_EVENT_PARAM_GESTURE_BEGIN, kDamper, 0.0},
                                                   {CLAP_EVENT_PARAM_VALUE, kDamper, 0.5},
                                                   {CLAP_EVENT_PARAM_GESTURE_END, kDamper, 0.0},
                                                   {CLAP_EVENT_PARAM_GESTURE_BEGIN, kVolume, 0.0},
                                                   {CLAP_EVENT_PARAM_VALUE, kVolume, 0.5},
                                                   {CLAP_EVENT_PARAM_GESTURE_END, kVolume, 0.0}}));
    EXPECT_EQ(plugin.value(kDamper), 0.5);
}

}  // namespace

// quenor-play's editor window, seen from another X client the way a window
// manager sees it: a top-level window with the editor inside and the
// player's strip below it, titled after the current program, and closed like
// Ctrl-C.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <thread>

#include "play/StripLayout.h"
#include "tests/play/JackTestRig.h"
#include "tests/support/ScratchFolder.h"
#include "vst/VstInterface.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr char kPlayer[] = "quenor-play";
constexpr int kTimeoutMs = 10000;

void sleepMs(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

bool waitForOutput(const PlayerRun& run, const std::string& text) {
    for (int waited = 0; waited < kTimeoutMs; waited += 20) {
        if (fileText(run.outputPath).find(text) != std::string::npos) return true;
        sleepMs(20);
    }
    return false;
}

struct Geometry {
    int width = 0, height = 0;
};

// An X client of the test's own.
class Display {
public:
    Display() : conn(xcb_connect(nullptr, nullptr)) {}
    ~Display() { xcb_disconnect(conn); }
    bool ok() const { return !xcb_connection_has_error(conn); }

    xcb_window_t root() const { return xcb_setup_roots_iterator(xcb_get_setup(conn)).data->root; }

    std::uint32_t atom(const char* name) {
        auto* reply = xcb_intern_atom_reply(conn, xcb_intern_atom(conn, 0, std::strlen(name), name), nullptr);
        const std::uint32_t value = reply ? reply->atom : 0;
        free(reply);
        return value;
    }

    std::vector<xcb_window_t> children(xcb_window_t window) {
        std::vector<xcb_window_t> found;
        auto* reply = xcb_query_tree_reply(conn, xcb_query_tree(conn, window), nullptr);
        if (!reply) return found;
        const xcb_window_t* list = xcb_query_tree_children(reply);
        found.assign(list, list + xcb_query_tree_children_length(reply));
        free(reply);
        return found;
    }

    std::string property(xcb_window_t window, std::uint32_t name) {
        auto* reply = xcb_get_property_reply(
            conn, xcb_get_property(conn, 0, window, name, XCB_GET_PROPERTY_TYPE_ANY, 0, 4096), nullptr);
        if (!reply) return {};
        const auto* bytes = static_cast<const char*>(xcb_get_property_value(reply));
        const std::size_t length = xcb_get_property_value_length(reply);
        std::string value(bytes, bytes + length);
        free(reply);
        return value;
    }

    std::string title(xcb_window_t window) { return property(window, atom("_NET_WM_NAME")); }

    // The top-level window that names this process as its owner.
    std::optional<xcb_window_t> windowOf(pid_t pid) {
        const std::uint32_t pidAtom = atom("_NET_WM_PID");
        for (xcb_window_t window : children(root())) {
            const std::string value = property(window, pidAtom);
            std::uint32_t owner = 0;
            if (value.size() == 4) std::memcpy(&owner, value.data(), 4);
            if (value.size() == 4 && owner == static_cast<std::uint32_t>(pid)) return window;
        }
        return std::nullopt;
    }

    std::optional<xcb_window_t> waitForWindowOf(pid_t pid) {
        for (int waited = 0; waited < kTimeoutMs; waited += 20) {
            if (auto window = windowOf(pid)) return window;
            sleepMs(20);
        }
        return std::nullopt;
    }

    bool waitForTitle(xcb_window_t window, const std::string& expected) {
        for (int waited = 0; waited < kTimeoutMs; waited += 20) {
            if (title(window) == expected) return true;
            sleepMs(20);
        }
        return false;
    }

    Geometry geometry(xcb_window_t window) {
        auto* reply = xcb_get_geometry_reply(conn, xcb_get_geometry(conn, window), nullptr);
        if (!reply) return {};
        const Geometry size{reply->width, reply->height};
        free(reply);
        return size;
    }

    bool viewable(xcb_window_t window) {
        auto* reply = xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, window), nullptr);
        const bool shown = reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
        free(reply);
        return shown;
    }

    // As 0xRRGGBB, on the test's 24-bit TrueColor screen.
    std::uint32_t colourAt(xcb_window_t window, int x, int y) {
        auto* reply =
            xcb_get_image_reply(conn,
                                xcb_get_image(conn, XCB_IMAGE_FORMAT_Z_PIXMAP, window, static_cast<std::int16_t>(x),
                                              static_cast<std::int16_t>(y), 1, 1, ~0u),
                                nullptr);
        std::uint32_t pixel = 0xFFFFFFFF;  // no such colour: the read failed
        if (reply && xcb_get_image_data_length(reply) >= 4) {
            std::memcpy(&pixel, xcb_get_image_data(reply), 4);
            pixel &= 0xFFFFFF;
        }
        free(reply);
        return pixel;
    }

    bool waitForColour(xcb_window_t window, int x, int y, std::uint32_t colour) {
        for (int waited = 0; waited < kTimeoutMs; waited += 20) {
            if (colourAt(window, x, y) == colour) return true;
            sleepMs(20);
        }
        return false;
    }

    // The user's click, as the server would send it to the window.
    void click(xcb_window_t window, int x, int y) {
        xcb_button_press_event_t press{};
        press.response_type = XCB_BUTTON_PRESS;
        press.detail = 1;
        press.root = root();
        press.event = window;
        press.event_x = static_cast<std::int16_t>(x);
        press.event_y = static_cast<std::int16_t>(y);
        press.same_screen = 1;
        xcb_send_event(conn, 0, window, XCB_EVENT_MASK_BUTTON_PRESS, reinterpret_cast<const char*>(&press));
        xcb_flush(conn);
    }

    // What a window manager sends when the user closes the window.
    void askToClose(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(conn, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
        xcb_flush(conn);
    }

private:
    xcb_connection_t* conn;
};

// The editor's size as the plug-in gives it to any host, asked here directly.
Geometry editorRect(const std::string& pluginPath) {
    void* library = dlopen(pluginPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!library) return {};
    using Entry = AEffect* (*)(audioMasterCallback);
    auto entry = reinterpret_cast<Entry>(dlsym(library, "VSTPluginMain"));
    AEffect* effect = entry ? entry([](AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        return opcode == audioMasterVersion ? kVstVersion : 0;
    })
                            : nullptr;
    if (!effect) return {};
    ERect* rect = nullptr;
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    effect->dispatcher(effect, effEditGetRect, 0, 0, &rect, 0.0f);
    const Geometry size = rect ? Geometry{rect->right - rect->left, rect->bottom - rect->top} : Geometry{};
    effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    return size;
}

std::vector<std::uint8_t> fileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

class PlayerWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(scratch.made());
        ASSERT_TRUE(display.ok()) << "no X server";
    }

    // One connection for the whole run: an X server resets when its last
    // client leaves, and refuses connections meanwhile.
    static void SetUpTestSuite() { shared = new Display; }
    static inline Display* shared = nullptr;

    std::string config() const { return (dir / "config").string(); }
    std::string settingsFile() const { return config() + "/quenor-m4/player-settings"; }

    testhost::ScratchFolder scratch{"quenor-play-window-test"};
    const fs::path& dir = scratch.path();
    Display& display = *shared;
};

TEST_F(PlayerWindow, HoldsTheEditorTitledAfterTheProgramAndClosingItQuitsLikeCtrlC) {
    const Geometry expected = editorRect(QUENOR_PLUGIN_PATH);
    ASSERT_GT(expected.width, 0);
    ASSERT_GT(expected.height, 0);
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    PlayerRun run = startPlayer(server.name(), config(), {"--no-connect", "--program", "plastic"}, dir.string());
    ASSERT_TRUE(waitForOutput(run, "Ctrl-C quits")) << fileText(run.errorPath);
    EXPECT_NE(fileText(run.outputPath).find("editor window: open"), std::string::npos) << fileText(run.outputPath);

    const std::optional<xcb_window_t> window = display.waitForWindowOf(run.pid);
    ASSERT_TRUE(window) << "no window of the player on the display\n" << fileText(run.errorPath);
    EXPECT_TRUE(display.viewable(*window));
    const Geometry size = display.geometry(*window);
    EXPECT_EQ(size.width, expected.width);
    EXPECT_EQ(size.height, expected.height + strip::kHeight);
    EXPECT_EQ(display.title(*window), "quenor-play — plastic");
    EXPECT_EQ(display.property(*window, XCB_ATOM_WM_NAME), "quenor-play — plastic");
    const std::string protocols = display.property(*window, display.atom("WM_PROTOCOLS"));
    const std::uint32_t deleteWindow = display.atom("WM_DELETE_WINDOW");
    EXPECT_NE(protocols.find(std::string(reinterpret_cast<const char*>(&deleteWindow), 4)), std::string::npos)
        << "the window does not offer WM_DELETE_WINDOW";

    // An icon of its own: images of width x height pixels, one after another.
    const std::string icon = display.property(*window, display.atom("_NET_WM_ICON"));
    std::vector<std::uint32_t> words(icon.size() / 4);
    std::memcpy(words.data(), icon.data(), words.size() * 4);
    ASSERT_GE(words.size(), 3u) << "no _NET_WM_ICON";
    std::size_t at = 0;
    for (; at + 2 <= words.size(); at += 2 + std::size_t{words[at]} * words[at + 1]) EXPECT_GE(words[at], 16u);
    EXPECT_EQ(at, words.size()) << "an icon cut short";

    // The editor's own window inside, of its own size.
    const std::vector<xcb_window_t> inside = display.children(*window);
    ASSERT_EQ(inside.size(), 1u) << "the editor did not open in the window";
    EXPECT_TRUE(display.viewable(inside[0]));
    EXPECT_EQ(display.geometry(inside[0]).width, expected.width);
    EXPECT_EQ(display.geometry(inside[0]).height, expected.height);

    // Below it a button per program, the current one lit.
    const auto button = [&](int index) { return strip::button(index, 4, expected.width, expected.height); };
    const auto lit = [&](int index) {
        return display.waitForColour(*window, button(index).x + 1, button(index).y + 1, strip::kButtonCurrent);
    };
    EXPECT_TRUE(lit(1)) << "--program plastic is not lit";
    EXPECT_EQ(display.colourAt(*window, button(0).x + 1, button(0).y + 1), strip::kButtonFace);

    // A program change from a MIDI keyboard: the title and the buttons follow.
    {
        TestClients clients(server.name(), 4096);
        ASSERT_TRUE(clients.ready());
        ASSERT_TRUE(clients.connectTo(kPlayer, kTimeoutMs));
        clients.play({{0, {0xC2, 2, 0}}});
        EXPECT_TRUE(display.waitForTitle(*window, "quenor-play — metallic")) << display.title(*window);
    }
    EXPECT_TRUE(waitForOutput(run, "program 2 'metallic'")) << fileText(run.outputPath);
    EXPECT_TRUE(lit(2));

    // A click on a button chooses its program the same way.
    display.click(*window, button(3).x + button(3).width / 2, button(3).y + button(3).height / 2);
    EXPECT_TRUE(display.waitForTitle(*window, "quenor-play — expressive")) << display.title(*window);
    EXPECT_TRUE(waitForOutput(run, "program 3 'expressive'")) << fileText(run.outputPath);
    EXPECT_TRUE(lit(3));
    EXPECT_EQ(display.colourAt(*window, button(2).x + 1, button(2).y + 1), strip::kButtonFace);

    display.askToClose(*window);
    EXPECT_EQ(finishPlayer(run, false), 0) << fileText(run.errorPath);
    EXPECT_EQ(fileText(run.errorPath), "");
    EXPECT_NE(fileText(run.outputPath).find("settings saved to " + settingsFile()), std::string::npos)
        << fileText(run.outputPath);
    const std::vector<std::uint8_t> saved = fileBytes(settingsFile());
    ASSERT_EQ(saved.size(), 164u);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.end() - 4, saved.end()), (std::vector<std::uint8_t>{3, 0, 0, 0}))
        << "the program chosen with a button was not saved";
    EXPECT_FALSE(display.windowOf(run.pid)) << "the window outlived the player";
}

TEST_F(PlayerWindow, CtrlCWithTheWindowOpenEndsTheSameWay) {
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    PlayerRun run = startPlayer(server.name(), config(), {"--no-connect"}, dir.string());
    ASSERT_TRUE(waitForOutput(run, "Ctrl-C quits")) << fileText(run.errorPath);
    const std::optional<xcb_window_t> window = display.waitForWindowOf(run.pid);
    ASSERT_TRUE(window);
    EXPECT_EQ(display.title(*window), "quenor-play — bright");
    EXPECT_EQ(finishPlayer(run, true), 0) << fileText(run.errorPath);
    EXPECT_EQ(fileText(run.errorPath), "");
    EXPECT_EQ(fileBytes(settingsFile()).size(), 164u);
}

TEST_F(PlayerWindow, WithoutADisplayItSaysSoInOneLineAndPlaysOn) {
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    const std::pair<std::string, std::string> cases[] = {
        {"DISPLAY", "quenor-play: no X display (DISPLAY is not set): playing without the editor window\n"},
        {"DISPLAY=:4093", "quenor-play: cannot open the X display ':4093': playing without the editor window\n"},
    };
    for (const auto& [setting, message] : cases) {
        PlayerRun run = startPlayer(server.name(), config(), {"--no-connect"}, dir.string(), {setting});
        ASSERT_TRUE(waitForOutput(run, "Ctrl-C quits")) << setting << ": " << fileText(run.errorPath);
        EXPECT_NE(fileText(run.outputPath).find("editor window: off"), std::string::npos);
        // Still playing: it quits only when told to, and well.
        sleepMs(300);
        EXPECT_EQ(finishPlayer(run, true), 0) << setting;
        EXPECT_EQ(fileText(run.errorPath), message) << setting;
        EXPECT_NE(fileText(run.outputPath).find("settings saved to"), std::string::npos) << setting;
    }

    // --no-gui with a display there: no window, and nothing said about it.
    PlayerRun run = startPlayer(server.name(), config(), {"--no-connect", "--no-gui"}, dir.string());
    ASSERT_TRUE(waitForOutput(run, "Ctrl-C quits")) << fileText(run.errorPath);
    sleepMs(300);
    EXPECT_FALSE(display.windowOf(run.pid)) << "--no-gui opened a window";
    EXPECT_EQ(finishPlayer(run, true), 0);
    EXPECT_EQ(fileText(run.errorPath), "");
}

TEST_F(PlayerWindow, TheMeterShowsTheOutputAndTheClipLightHoldsUntilClicked) {
    constexpr int kWidth = 320, kTop = 180;  // the stand-in editor's size
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    PlayerRun run =
        startPlayer(server.name(), config(), {"--no-connect", "--plugin", FAKE_EDITOR_PLUGIN_PATH}, dir.string());
    ASSERT_TRUE(waitForOutput(run, "Ctrl-C quits")) << fileText(run.errorPath);
    const std::optional<xcb_window_t> window = display.waitForWindowOf(run.pid);
    ASSERT_TRUE(window);
    const strip::Rect bars[] = {strip::levelBar(0, kWidth, kTop), strip::levelBar(1, kWidth, kTop)};
    const strip::Rect clip = strip::clipLight(kWidth, kTop);
    const auto barStartIs = [&](std::uint32_t colour) {
        return display.waitForColour(*window, bars[0].x, bars[0].y + 1, colour) &&
               display.waitForColour(*window, bars[1].x, bars[1].y + 1, colour);
    };
    const auto clipIs = [&](std::uint32_t colour) {
        return display.waitForColour(*window, clip.x + 1, clip.y + 1, colour);
    };
    const auto playNotes = [&](const std::vector<SentMessage>& notes) {
        TestClients clients(server.name(), 4096);
        ASSERT_TRUE(clients.ready());
        ASSERT_TRUE(clients.connectTo(kPlayer, kTimeoutMs));
        clients.play(notes);
        sleepMs(300);
    };

    EXPECT_TRUE(barStartIs(strip::kUnlit)) << "a level in silence";
    EXPECT_TRUE(clipIs(strip::kClipOff));

    // Half scale, held: both bars lit, not to their end, and no clip.
    playNotes({{0, {0x90, 60, 64}}});
    EXPECT_TRUE(barStartIs(strip::kLevel)) << "no level for a note";
    EXPECT_EQ(display.colourAt(*window, bars[0].x + bars[0].width - 1, bars[0].y + 1), strip::kUnlit);
    EXPECT_EQ(display.colourAt(*window, clip.x + 1, clip.y + 1), strip::kClipOff);

    // Full scale for a moment, then silence: the meter falls back, the light stays.
    playNotes({{0, {0x90, 60, 127}}, {1000, {0x80, 60, 0}}});
    EXPECT_TRUE(clipIs(strip::kClipOn)) << "no clip at full scale";
    EXPECT_TRUE(barStartIs(strip::kUnlit)) << "the meter did not fall back";
    EXPECT_EQ(display.colourAt(*window, clip.x + 1, clip.y + 1), strip::kClipOn);

    display.click(*window, clip.x + clip.width / 2, clip.y + clip.height / 2);
    EXPECT_TRUE(clipIs(strip::kClipOff)) << "a click did not put the clip light out";

    display.askToClose(*window);
    EXPECT_EQ(finishPlayer(run, false), 0) << fileText(run.errorPath);
}

// Read back from the stand-in editor plug-in's log.
std::map<std::string, std::string> readLog(const std::string& path) {
    std::map<std::string, std::string> entries;
    std::ifstream in(path);
    std::string key, rest;
    while (in >> key && std::getline(in, rest)) entries[key] = rest.empty() ? rest : rest.substr(1);
    return entries;
}

TEST_F(PlayerWindow, TheEditorIsIdledFromTheMainThreadAndClosedBeforeThePlugIn) {
    JackServer server(44100, 256);
    ASSERT_TRUE(server.running());
    const std::string log = (dir / "editor.log").string();
    PlayerRun run = startPlayer(server.name(), config(), {"--no-connect", "--plugin", FAKE_EDITOR_PLUGIN_PATH},
                                dir.string(), {"FAKE_EDITOR_LOG=" + log});
    ASSERT_TRUE(waitForOutput(run, "Ctrl-C quits")) << fileText(run.errorPath);
    const std::optional<xcb_window_t> window = display.waitForWindowOf(run.pid);
    ASSERT_TRUE(window);
    EXPECT_EQ(display.geometry(*window).width, 320);
    EXPECT_EQ(display.geometry(*window).height, 180 + strip::kHeight);
    EXPECT_EQ(display.title(*window), "quenor-play — first");
    EXPECT_EQ(display.children(*window).size(), 1u);
    sleepMs(1500);
    display.askToClose(*window);
    ASSERT_EQ(finishPlayer(run, false), 0) << fileText(run.errorPath);

    std::map<std::string, std::string> seen = readLog(log);
    ASSERT_FALSE(seen.empty()) << "the plug-in was never closed";
    EXPECT_EQ(seen["opened-on-loader-thread"], "1");
    EXPECT_EQ(seen["closed"], "1");
    EXPECT_EQ(seen["closed-while-open"], "0") << "the instance was closed with its editor open";
    EXPECT_EQ(seen["foreign-calls"], "0") << "editor calls from another thread than the one that opened it";
    EXPECT_NE(seen["process-calls"], "0") << "the plug-in never played";
    EXPECT_EQ(seen["process-on-loader-thread"], "0");

    std::vector<double> intervals;
    std::istringstream numbers(seen["intervals"]);
    for (double interval; numbers >> interval;) intervals.push_back(interval);
    // 1.5 s at 20 to 50 ms is 30 to 75 idle calls.
    ASSERT_GE(intervals.size(), 25u) << seen["intervals"];
    EXPECT_LE(intervals.size(), 100u) << seen["intervals"];
    std::sort(intervals.begin(), intervals.end());
    const double median = intervals[intervals.size() / 2];
    EXPECT_GE(median, 20.0) << seen["intervals"];
    EXPECT_LE(median, 50.0) << seen["intervals"];
    EXPECT_GE(intervals.front(), 10.0) << "idle calls in a burst: " << seen["intervals"];
}

}  // namespace

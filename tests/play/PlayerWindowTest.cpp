// quenor-play's editor window, seen from another X client the way a window
// manager sees it: a top-level window of the editor's size with the editor
// inside, titled after the current program, and closed like Ctrl-C.
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

#include "tests/play/JackTestRig.h"
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
        char pattern[] = "/tmp/quenor-play-window-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_TRUE(display.ok()) << "no X server";
    }
    void TearDown() override { fs::remove_all(dir); }

    // One connection for the whole run: an X server resets when its last
    // client leaves, and refuses connections meanwhile.
    static void SetUpTestSuite() { shared = new Display; }
    static inline Display* shared = nullptr;

    std::string config() const { return (dir / "config").string(); }
    std::string settingsFile() const { return config() + "/quenor-m4/player-settings"; }

    fs::path dir;
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
    EXPECT_EQ(size.height, expected.height);
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

    // The editor's own window inside, filling it.
    const std::vector<xcb_window_t> inside = display.children(*window);
    ASSERT_EQ(inside.size(), 1u) << "the editor did not open in the window";
    EXPECT_TRUE(display.viewable(inside[0]));
    EXPECT_EQ(display.geometry(inside[0]).width, expected.width);
    EXPECT_EQ(display.geometry(inside[0]).height, expected.height);

    // A program change from a MIDI keyboard: the title follows.
    {
        TestClients clients(server.name(), 4096);
        ASSERT_TRUE(clients.ready());
        ASSERT_TRUE(clients.connectTo(kPlayer, kTimeoutMs));
        clients.play({{0, {0xC2, 2, 0}}});
        EXPECT_TRUE(display.waitForTitle(*window, "quenor-play — metallic")) << display.title(*window);
    }
    EXPECT_TRUE(waitForOutput(run, "program 2 'metallic'")) << fileText(run.outputPath);

    display.askToClose(*window);
    EXPECT_EQ(finishPlayer(run, false), 0) << fileText(run.errorPath);
    EXPECT_EQ(fileText(run.errorPath), "");
    EXPECT_NE(fileText(run.outputPath).find("settings saved to " + settingsFile()), std::string::npos)
        << fileText(run.outputPath);
    const std::vector<std::uint8_t> saved = fileBytes(settingsFile());
    ASSERT_EQ(saved.size(), 164u);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.end() - 4, saved.end()), (std::vector<std::uint8_t>{2, 0, 0, 0}))
        << "the program changed through MIDI was not saved";
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
    EXPECT_EQ(display.geometry(*window).height, 180);
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

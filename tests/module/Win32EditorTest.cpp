// What only a Windows host sees of the editor: its window class and styles,
// the mouse capture, wheel messages of any size, and the process's GDI
// objects, windows and threads.
#include "tests/module/Win32EditorTestHost.h"

#include <ole2.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/ThreadCount.h"

using namespace editorhost;

namespace {

std::string className(HWND window) {
    char name[256] = {};
    return GetClassNameA(window, name, sizeof name) > 0 ? name : "";
}

bool classExists(const std::string& name) {
    WNDCLASSA description{};
    return GetClassInfoA(pluginModule(), name.c_str(), &description) != 0;
}

// The system's major version as the plug-in sees it.
DWORD majorVersion() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&version);
#pragma GCC diagnostic pop
    return version.dwMajorVersion;
}

// How many more GDI objects the process could make: its handle table's room,
// filled with pens and emptied again. Every object held elsewhere takes one
// place, so this counts them where GetGuiResources cannot (Wine answers it
// with 0).
int roomForGdiObjects() {
    std::vector<HPEN> probes;
    while (probes.size() < 1000000) {
        HPEN probe = CreatePen(PS_SOLID, 1, 0);
        if (!probe) break;
        probes.push_back(probe);
    }
    for (HPEN probe : probes) DeleteObject(probe);
    return static_cast<int>(probes.size());
}

// A host's own drop target: it accepts nothing.
class RefusingDropTarget final : public IDropTarget {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** out) override {
        if (id != IID_IUnknown && id != IID_IDropTarget) {
            *out = nullptr;
            return E_NOINTERFACE;
        }
        *out = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragOver(DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject*, DWORD, POINTL, DWORD* effect) override {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
};

// What a host has done before it shows a plug-in: a drop target of its own
// and a child window painted. The system makes what these need the first
// time and keeps it for the process (Wine: one thread for the marshalled
// drop target, a few GDI objects for the first child window), so counts
// taken after this are the plug-in's alone.
class HostWindowInUse {
public:
    explicit HostWindowInUse(HWND window) : window(window) {
        OleInitialize(nullptr);
        registered = RegisterDragDrop(window, &target) == S_OK;
        HWND control = CreateWindowExA(0, "STATIC", "host control", WS_CHILD | WS_VISIBLE, 0, 0, 50, 20, window,
                                       nullptr, GetModuleHandleA(nullptr), nullptr);
        UpdateWindow(control);
        pumpMessages();
        DestroyWindow(control);
        pumpMessages();
    }
    ~HostWindowInUse() {
        if (registered) RevokeDragDrop(window);
        OleUninitialize();
    }
    bool isRegistered() const { return registered; }

private:
    RefusingDropTarget target;
    HWND window;
    bool registered = false;
};

}  // namespace

TEST_F(EditorTest, EditorWindowIsABorderlessChildOfTheModulesOwnClass) {
    ASSERT_TRUE(openAndShow());
    const HWND editor = editorWindow(host);
    EXPECT_EQ(GetParent(editor), handle(host));
    EXPECT_EQ(host.childCount(), 1);

    // "Plugin" and the module handle in hex, however the digits are padded.
    const std::string name = className(editor);
    ASSERT_EQ(name.rfind("Plugin", 0), 0u) << name;
    const std::string digits = name.substr(6);
    ASSERT_FALSE(digits.empty()) << name;
    ASSERT_EQ(digits.find_first_not_of("0123456789abcdefABCDEF"), std::string::npos) << name;
    EXPECT_EQ(std::strtoull(digits.c_str(), nullptr, 16), reinterpret_cast<std::uintptr_t>(pluginModule())) << name;

    WNDCLASSA description{};
    ASSERT_TRUE(GetClassInfoA(pluginModule(), name.c_str(), &description));
    EXPECT_EQ(description.style, 0x4008u) << "global, with double clicks";
    EXPECT_EQ(description.hCursor, LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW)));
    EXPECT_EQ(description.hbrBackground, nullptr) << "the editor paints every pixel itself";

    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(editor, GWL_STYLE)), 0x56000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(editor, GWL_EXSTYLE)), majorVersion() >= 6 ? 0x02000000u : 0u);

    RECT client{};
    ASSERT_TRUE(GetClientRect(editor, &client));
    EXPECT_EQ(client.right - client.left, kWidth);
    EXPECT_EQ(client.bottom - client.top, kHeight);
}

TEST_F(EditorTest, APressOnAHandleHoldsTheMouseUntilReleaseAndNoOtherPressDoes) {
    ASSERT_TRUE(openAndShow());
    const HWND editor = editorWindow(host);
    movePointer(host, sliderX(2, 0.5f), sliderY(2));
    pressLeft(host);
    EXPECT_EQ(GetCapture(), editor) << "a taken press captures the mouse";
    movePointer(host, sliderX(2, 0.25f), -40);
    releaseLeft(host);
    EXPECT_EQ(GetCapture(), nullptr) << "the release frees it";
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), 0.25f, 0.006f);

    // A press beside every handle is not taken and captures nothing.
    movePointer(host, 10, 10);
    pressLeft(host);
    EXPECT_EQ(GetCapture(), nullptr);
    releaseLeft(host);
    otherClick(host, sliderX(3, 0.9f), sliderY(3), true);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(EditorTest, AWheelMessageOfSeveralNotchesIsOneEditAndHalfANotchIsNone) {
    ASSERT_TRUE(openAndShow());
    const float start = parameter(effect, 2);
    const int x = sliderX(2, 0.2f);
    wheel(host, x, sliderY(2), -240);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.1f, 1e-6);
    wheel(host, x, sliderY(2), 60);
    idle(effect);
    EXPECT_NEAR(parameter(effect, 2), start - 0.1f, 1e-6) << "half a notch is none";
    EXPECT_EQ(editCalls(effect), (std::vector<VstInt32>{102, 202})) << "each turn is one complete edit";
}

TEST_F(EditorTest, TwoInstancesShareOneClassUntilTheLastCloses) {
    AEffect* other = loadPlugin();
    HostWindow otherHost(HostWindow::Place::second);
    ASSERT_TRUE(openAndShow());
    ASSERT_EQ(dispatch(other, effEditOpen, 0, 0, otherHost.asParent()), 1);
    idle(other);
    const std::string name = className(editorWindow(host));
    EXPECT_EQ(className(editorWindow(otherHost)), name);

    // Closing one keeps the class for the other.
    dispatch(other, effEditClose);
    unloadPlugin(other);
    EXPECT_TRUE(classExists(name));
    closeEditor();
    EXPECT_FALSE(classExists(name)) << "the last window takes the class with it";

    // A new instance registers it again.
    AEffect* third = loadPlugin();
    HostWindow thirdHost(HostWindow::Place::second);
    ASSERT_EQ(dispatch(third, effEditOpen, 0, 0, thirdHost.asParent()), 1);
    idle(third);
    EXPECT_TRUE(classExists(name));
    EXPECT_EQ(differenceFromValues(thirdHost, third), 0);
    dispatch(third, effEditClose);
    unloadPlugin(third);
    EXPECT_FALSE(classExists(name));
}

TEST_F(EditorTest, OpenAndCloseFiftyTimesLeavesNothingBehind) {
    const HostWindowInUse hostsOwn(handle(host));
    ASSERT_TRUE(hostsOwn.isRegistered());
    const std::vector<HWND> windowsBefore = threadWindows();
    // Wine answers 0 for both counts whatever is open; on Windows they count
    // the process's bitmaps, DCs, pens and brushes, and its windows, menus
    // and cursors.
    const DWORD gdiBefore = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
    const DWORD userBefore = GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS);
    const int roomBefore = roomForGdiObjects();
    const int threadsBefore = threadCount();
    std::string name;
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(openEditor()) << i;
        ASSERT_NE(editorWindow(host), nullptr) << i;
        if (name.empty()) name = className(editorWindow(host));
        idle(effect, 1);  // painted at least once
        closeEditor();
        pumpMessages();
        ASSERT_EQ(editorWindow(host), nullptr) << "cycle " << i;
    }
    EXPECT_EQ(threadWindows(), windowsBefore);
    EXPECT_FALSE(classExists(name));
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
    EXPECT_EQ(roomForGdiObjects(), roomBefore) << "GDI objects left behind";
    EXPECT_TRUE(threadCountSettlesAt(threadsBefore)) << threadCount() << " threads, " << threadsBefore << " before";
}

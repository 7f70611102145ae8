// The editor's window inside a Windows host's window: its class and layout,
// what it paints, and its life beside the host's own windows.
#include "tests/module/Win32EditorHost.h"

#include <ole2.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/support/ThreadCount.h"

using namespace wineditor;

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
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(GetParent(editor), host.handle());
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

    char title[64] = {};
    GetWindowTextA(editor, title, sizeof title);
    EXPECT_STREQ(title, "Window");
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(editor, GWL_STYLE)), 0x56000000u);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(editor, GWL_EXSTYLE)), majorVersion() >= 6 ? 0x02000000u : 0u);

    RECT client{};
    ASSERT_TRUE(GetClientRect(editor, &client));
    EXPECT_EQ(client.right - client.left, kWidth);
    EXPECT_EQ(client.bottom - client.top, kHeight);
    RECT frame{};
    ASSERT_TRUE(GetWindowRect(editor, &frame));
    MapWindowPoints(HWND_DESKTOP, host.handle(), reinterpret_cast<POINT*>(&frame), 2);
    EXPECT_EQ(frame.left, 0);
    EXPECT_EQ(frame.top, 0);
    EXPECT_EQ(frame.right, kWidth) << "no border around the client area";
    EXPECT_EQ(frame.bottom, kHeight);
}

TEST_F(EditorTest, OpenShowsTheBackgroundAndTheHandlesOfTheCurrentProgram) {
    ASSERT_NE(openAndShow(), nullptr);
    float values[4];
    currentValues(values);
    const std::vector<std::uint32_t> picture = shot();
    const int differing = differingPixels(picture, expectedPicture(values));
    EXPECT_EQ(differing, 0);
    if (differing != 0) saveBmp(picture, kWidth, kHeight, "win32-editor-screenshot.bmp");
}

TEST_F(EditorTest, OpeningTwiceGivesOneWindowInTheLatestParentAndClosingTwiceIsHarmless) {
    EXPECT_EQ(dispatch(effect, effEditIdle), 0) << "idle while closed";
    closeEditor();
    ASSERT_TRUE(openEditor());
    ASSERT_TRUE(openEditor());
    idle(effect);
    EXPECT_EQ(host.childCount(), 1);

    HostWindow second(37, 300);
    ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, second.asParent()), 1);
    idle(effect);
    EXPECT_EQ(host.childCount(), 0) << "the first parent's window went with the second open";
    EXPECT_EQ(second.childCount(), 1);
    float values[4];
    currentValues(values);
    EXPECT_EQ(differingPixels(screenshot(second.child()), expectedPicture(values)), 0);

    closeEditor();
    EXPECT_EQ(second.childCount(), 0);
    closeEditor();
    EXPECT_EQ(dispatch(effect, effEditIdle), 0);
    idle(effect);
    ASSERT_NE(openAndShow(), nullptr);
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, NullOrDestroyedParentIsRefusedWithoutAWindow) {
    const std::vector<HWND> before = threadWindows();
    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, nullptr), 0);
    idle(effect);
    EXPECT_EQ(threadWindows(), before);
    closeEditor();

    HWND gone = nullptr;
    {
        HostWindow destroyed;
        gone = destroyed.handle();
    }
    ASSERT_FALSE(IsWindow(gone));
    EXPECT_EQ(dispatch(effect, effEditOpen, 0, 0, gone), 0);
    idle(effect);
    VstKeyCode key{0, 12, 0};
    dispatch(effect, effEditKeyDown, key.character, key.virt, nullptr, key.modifier);
    EXPECT_EQ(threadWindows(), before);
    closeEditor();

    // Still fine with a real window afterwards.
    ASSERT_NE(openAndShow(), nullptr);
    EXPECT_EQ(differenceFromValues(), 0);
}

TEST_F(EditorTest, HostDestroyingItsWindowFirstIsSurvived) {
    ASSERT_NE(openAndShow(), nullptr);
    host.destroy();
    idle(effect);
    idle(effect);
    closeEditor();
    HostWindow second;
    ASSERT_EQ(dispatch(effect, effEditOpen, 0, 0, second.asParent()), 1);
    idle(effect);
    float values[4];
    currentValues(values);
    EXPECT_EQ(differingPixels(screenshot(second.child()), expectedPicture(values)), 0);
    closeEditor();
    EXPECT_EQ(second.childCount(), 0);
}

TEST_F(EditorTest, TwoInstancesShareOneClassUntilTheLastCloses) {
    AEffect* other = loadPlugin();
    HostWindow otherHost(37, 300);
    const HWND editor = openAndShow();
    ASSERT_NE(editor, nullptr);
    ASSERT_EQ(dispatch(other, effEditOpen, 0, 0, otherHost.asParent()), 1);
    dispatch(other, effSetProgram, 0, 3);
    idle(other);
    idle(effect);
    const std::string name = className(editor);
    EXPECT_EQ(className(otherHost.child()), name);

    float otherValues[4];
    for (int i = 0; i < 4; ++i) otherValues[i] = parameter(other, i);
    EXPECT_EQ(differenceFromValues(), 0);
    EXPECT_EQ(differingPixels(screenshot(otherHost.child()), expectedPicture(otherValues)), 0);

    // A click in the first editor changes only the first instance.
    click(editor, sliderX(1, 0.5f), sliderY(1));
    idle(other);
    idle(effect);
    EXPECT_FLOAT_EQ(parameter(effect, 1), 0.5f);
    EXPECT_FLOAT_EQ(parameter(other, 1), otherValues[1]);

    // Closing one keeps the class for the other, which goes on painting.
    dispatch(other, effEditClose);
    unloadPlugin(other);
    EXPECT_TRUE(classExists(name));
    dispatch(effect, effSetProgram, 0, 1);
    idle(effect);
    EXPECT_EQ(differenceFromValues(), 0);

    closeEditor();
    EXPECT_FALSE(classExists(name)) << "the last window takes the class with it";

    // A new instance registers it again.
    AEffect* third = loadPlugin();
    HostWindow thirdHost(37, 300);
    ASSERT_EQ(dispatch(third, effEditOpen, 0, 0, thirdHost.asParent()), 1);
    idle(third);
    EXPECT_TRUE(classExists(name));
    float thirdValues[4];
    for (int i = 0; i < 4; ++i) thirdValues[i] = parameter(third, i);
    EXPECT_EQ(differingPixels(screenshot(thirdHost.child()), expectedPicture(thirdValues)), 0);
    dispatch(third, effEditClose);
    unloadPlugin(third);
    EXPECT_FALSE(classExists(name));
}

TEST_F(EditorTest, OpenAndCloseFiftyTimesLeavesNothingBehind) {
    const HostWindowInUse hostsOwn(host.handle());
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
        ASSERT_NE(host.child(), nullptr) << i;
        if (name.empty()) name = className(host.child());
        idle(effect, 1);  // painted at least once
        closeEditor();
        pumpMessages();
        ASSERT_EQ(host.child(), nullptr) << "cycle " << i;
    }
    EXPECT_EQ(threadWindows(), windowsBefore);
    EXPECT_FALSE(classExists(name));
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS), gdiBefore);
    EXPECT_EQ(GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), userBefore);
    EXPECT_EQ(roomForGdiObjects(), roomBefore) << "GDI objects left behind";
    EXPECT_TRUE(threadCountSettlesAt(threadsBefore)) << threadCount() << " threads, " << threadsBefore << " before";
}

#include "tests/module/Win32EditorHost.h"

#include <gdiplus.h>

#include <cstring>
#include <fstream>
#include <stdexcept>

namespace wineditor {

namespace {

constexpr char kHostClass[] = "QuenorTestHostWindow";

// Modifiers held by holdKey, as MK_ flags for the mouse messages.
WPARAM heldModifiers = 0;

LPARAM clientPoint(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

// The handle picture as non-premultiplied ARGB, decoded once by GDI+ in the
// test's own process; GDI+ is shut down again at once so that it keeps no
// thread or object of its own beside the plug-in's.
struct HandlePicture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> argb;
};

const HandlePicture& handlePicture() {
    static const HandlePicture picture = [] {
        HandlePicture decoded;
        Gdiplus::GdiplusStartupInput input;
        ULONG_PTR token = 0;
        if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok)
            throw std::runtime_error("GDI+ did not start");
        const std::string path = QUENOR_RESOURCE_DIR "/but.png";
        std::wstring wide(path.begin(), path.end());
        Gdiplus::GpBitmap* bitmap = nullptr;
        if (Gdiplus::DllExports::GdipCreateBitmapFromFile(wide.c_str(), &bitmap) == Gdiplus::Ok) {
            UINT width = 0, height = 0;
            Gdiplus::DllExports::GdipGetImageWidth(bitmap, &width);
            Gdiplus::DllExports::GdipGetImageHeight(bitmap, &height);
            decoded.width = static_cast<int>(width);
            decoded.height = static_cast<int>(height);
            for (UINT y = 0; y < height; ++y)
                for (UINT x = 0; x < width; ++x) {
                    Gdiplus::ARGB pixel = 0;
                    Gdiplus::DllExports::GdipBitmapGetPixel(bitmap, x, y, &pixel);
                    decoded.argb.push_back(pixel);
                }
            Gdiplus::DllExports::GdipDisposeImage(bitmap);
        }
        Gdiplus::GdiplusShutdown(token);
        if (decoded.argb.empty()) throw std::runtime_error("cannot decode " + path);
        return decoded;
    }();
    return picture;
}

BOOL CALLBACK collectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

}  // namespace

HMODULE pluginModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(editorhost::pluginLibrary().entry())),
                       &module);
    return module;
}

HostWindow::HostWindow(int x, int y, int width, int height) {
    static const ATOM hostClass = [] {
        WNDCLASSA description{};
        description.lpfnWndProc = DefWindowProcA;
        description.hInstance = GetModuleHandleA(nullptr);
        description.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        description.lpszClassName = kHostClass;
        return RegisterClassA(&description);
    }();
    if (!hostClass) throw std::runtime_error("cannot register the host's window class");
    window = CreateWindowExA(0, kHostClass, "Quenor test host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, x, y,
                             width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    if (!window) throw std::runtime_error("cannot create the host window");
    UpdateWindow(window);
    pumpMessages();
}

HostWindow::~HostWindow() { destroy(); }

void HostWindow::destroy() {
    if (!window) return;
    DestroyWindow(window);
    window = nullptr;
    pumpMessages();
}

HWND HostWindow::child() const { return window ? GetWindow(window, GW_CHILD) : nullptr; }

int HostWindow::childCount() const {
    int count = 0;
    for (HWND c = child(); c; c = GetWindow(c, GW_HWNDNEXT)) ++count;
    return count;
}

void pumpMessages() {
    // Twice, with a pause: the X server's answers to what the first round
    // did (exposure, configuration) come back as messages of their own.
    for (int round = 0; round < 2; ++round) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        if (round == 0) Sleep(3);
    }
}

void idle(AEffect* effect, int calls) {
    for (int i = 0; i < calls; ++i) {
        pumpMessages();
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
    }
    pumpMessages();
}

std::vector<HWND> threadWindows() {
    std::vector<HWND> topLevel;
    EnumThreadWindows(GetCurrentThreadId(), collectWindow, reinterpret_cast<LPARAM>(&topLevel));
    std::vector<HWND> all = topLevel;
    for (HWND window : topLevel) EnumChildWindows(window, collectWindow, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::vector<std::uint32_t> screenshot(HWND window, int width, int height) {
    std::vector<std::uint32_t> pixels;
    if (!window || !IsWindow(window)) return pixels;
    HDC source = GetDC(window);
    if (!source) return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    if (target && memory && bits) {
        HGDIOBJ previous = SelectObject(memory, target);
        if (BitBlt(memory, 0, 0, width, height, source, 0, 0, SRCCOPY)) {
            GdiFlush();
            const auto* words = static_cast<const std::uint32_t*>(bits);
            pixels.reserve(static_cast<std::size_t>(width) * height);
            for (int i = 0; i < width * height; ++i) pixels.push_back(words[i] & 0xFFFFFF);
        }
        SelectObject(memory, previous);
    }
    if (memory) DeleteDC(memory);
    if (target) DeleteObject(target);
    ReleaseDC(window, source);
    return pixels;
}

Picture expectedPicture(const float values[4]) {
    Picture picture;
    picture.rgb = editorhost::background();
    picture.skipped.assign(kPixels, false);

    const HandlePicture& handle = handlePicture();
    for (int i = 0; i < 4; ++i) {
        const editorhost::HandleColumns columns = editorhost::handleColumns(i, values[i], handle.width);
        const int viewTop = editorhost::sliderTop(i);
        for (int y = viewTop; y < viewTop + 33 && y < kHeight; ++y) {
            const int row = y - (viewTop + 2);
            if (row < 0 || row >= handle.height) continue;
            for (int x = columns.left; x < columns.right && x < kWidth; ++x) {
                const std::uint32_t argb = handle.argb[row * handle.width + (x - columns.left)];
                const std::uint32_t alpha = argb >> 24;
                if (alpha == 255) picture.rgb[y * kWidth + x] = argb & 0xFFFFFF;
                if (alpha != 0 && alpha != 255) picture.skipped[y * kWidth + x] = true;
            }
        }
    }
    return picture;
}

int differingPixels(const std::vector<std::uint32_t>& actual, const Picture& expected) {
    if (actual.size() != expected.rgb.size()) return -1;
    int differing = 0;
    for (std::size_t i = 0; i < actual.size(); ++i)
        differing += !expected.skipped[i] && actual[i] != expected.rgb[i];
    return differing;
}

bool saveBmp(const std::vector<std::uint32_t>& rgb, int width, int height, const std::string& path) {
    if (rgb.size() != static_cast<std::size_t>(width) * height) return false;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rgb.size() * 4);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size() * 4));
    return static_cast<bool>(out);
}

void holdKey(int virtualKey, bool down) {
    BYTE state[256];
    GetKeyboardState(state);
    const BYTE value = down ? 0x80 : 0x00;
    state[virtualKey] = value;
    WPARAM flag = 0;
    if (virtualKey == VK_SHIFT) {
        state[VK_LSHIFT] = value;
        flag = MK_SHIFT;
    } else if (virtualKey == VK_CONTROL) {
        state[VK_LCONTROL] = value;
        flag = MK_CONTROL;
    }
    SetKeyboardState(state);
    heldModifiers = down ? heldModifiers | flag : heldModifiers & ~flag;
}

void mouseMove(HWND window, int x, int y, bool leftDown) {
    SendMessageA(window, WM_MOUSEMOVE, heldModifiers | (leftDown ? MK_LBUTTON : 0), clientPoint(x, y));
}

void leftDown(HWND window, int x, int y) {
    SendMessageA(window, WM_LBUTTONDOWN, heldModifiers | MK_LBUTTON, clientPoint(x, y));
}

void leftUp(HWND window, int x, int y) { SendMessageA(window, WM_LBUTTONUP, heldModifiers, clientPoint(x, y)); }

void leftDoubleClick(HWND window, int x, int y) {
    SendMessageA(window, WM_LBUTTONDBLCLK, heldModifiers | MK_LBUTTON, clientPoint(x, y));
}

void click(HWND window, int x, int y) {
    mouseMove(window, x, y, false);
    leftDown(window, x, y);
    leftUp(window, x, y);
}

void otherClick(HWND window, int x, int y, bool right) {
    mouseMove(window, x, y, false);
    SendMessageA(window, right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN, heldModifiers | (right ? MK_RBUTTON : MK_MBUTTON),
                 clientPoint(x, y));
    SendMessageA(window, right ? WM_RBUTTONUP : WM_MBUTTONUP, heldModifiers, clientPoint(x, y));
}

void wheel(HWND window, int x, int y, int delta) {
    POINT onScreen{x, y};
    ClientToScreen(window, &onScreen);
    const WPARAM keys = heldModifiers & 0xFFFF;
    SendMessageA(window, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))),
                 clientPoint(onScreen.x, onScreen.y));
}

void EditorTest::SetUp() {
    holdKey(VK_SHIFT, false);
    holdKey(VK_CONTROL, false);
    handlePicture();  // decoded before the plug-in starts anything
    PluginInstanceTest::SetUp();
}

void EditorTest::TearDown() {
    PluginInstanceTest::TearDown();
    holdKey(VK_SHIFT, false);
    holdKey(VK_CONTROL, false);
}

HWND EditorTest::openAndShow() {
    EXPECT_TRUE(openEditor());
    idle(effect);
    return host.child();
}

int EditorTest::differenceFromValues() {
    float values[4];
    currentValues(values);
    return differingPixels(shot(), expectedPicture(values));
}

}  // namespace wineditor

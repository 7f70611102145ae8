#include "tests/module/Win32EditorTestHost.h"

#include <gdiplus.h>

#include <fstream>
#include <stdexcept>

namespace editorhost {

namespace {

constexpr char kHostClass[] = "QuenorTestHostWindow";

// Modifiers held by holdModifier, as MK_ flags for the mouse messages, and
// where the pointer is as the messages report it.
WPARAM heldModifiers = 0;
bool leftHeld = false;
int pointerX = 0;
int pointerY = 0;

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

void send(const HostWindow& host, UINT message, WPARAM buttons) {
    SendMessageA(editorWindow(host), message, heldModifiers | buttons, clientPoint(pointerX, pointerY));
}

}  // namespace

HMODULE pluginModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(pluginLibrary().entry())), &module);
    return module;
}

HWND editorWindow(const HostWindow& host) { return host.native() ? GetWindow(handle(host), GW_CHILD) : nullptr; }

HostWindow::HostWindow(Place place) {
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
    // A borderless window away from the screen's origin, so that screen and
    // client coordinates differ.
    const HWND created = CreateWindowExA(0, kHostClass, "Quenor test host", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN,
                                         37, place == Place::first ? 41 : 300, kWidth, kHeight, nullptr, nullptr,
                                         GetModuleHandleA(nullptr), nullptr);
    if (!created) throw std::runtime_error("cannot create the host window");
    window = reinterpret_cast<std::uintptr_t>(created);
    UpdateWindow(created);
    pumpMessages();
}

HostWindow::~HostWindow() { destroy(); }

void* HostWindow::asParent() const { return handle(*this); }

int HostWindow::childCount() const {
    int count = 0;
    for (HWND c = editorWindow(*this); c; c = GetWindow(c, GW_HWNDNEXT)) ++count;
    return count;
}

void HostWindow::destroy() {
    if (!window) return;
    DestroyWindow(handle(*this));
    window = 0;
    pumpMessages();
}

bool parentExists(void* parent) { return IsWindow(static_cast<HWND>(parent)) != 0; }

std::vector<void*> bogusParents() {
    // A value that names no window, and a pointer that is no handle at all.
    return {reinterpret_cast<void*>(std::uintptr_t{0x1FFFFF0}),
            reinterpret_cast<void*>(static_cast<std::uintptr_t>(0x7FFF12345678ull))};
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

std::vector<std::uint32_t> screenshot(const HostWindow& host) {
    // As drawn into the window's device context.
    std::vector<std::uint32_t> pixels;
    const HWND window = editorWindow(host);
    if (!window || !IsWindow(window)) return pixels;
    HDC source = GetDC(window);
    if (!source) return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;  // top-down rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP target = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HDC memory = CreateCompatibleDC(source);
    if (target && memory && bits) {
        HGDIOBJ previous = SelectObject(memory, target);
        if (BitBlt(memory, 0, 0, kWidth, kHeight, source, 0, 0, SRCCOPY)) {
            GdiFlush();
            const auto* words = static_cast<const std::uint32_t*>(bits);
            pixels.reserve(kPixels);
            for (int i = 0; i < kPixels; ++i) pixels.push_back(words[i] & 0xFFFFFF);
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
    picture.rgb = background();
    picture.skipped.assign(kPixels, false);

    const HandlePicture& handle = handlePicture();
    for (int i = 0; i < 4; ++i) {
        const HandleColumns columns = handleColumns(i, values[i], handle.width);
        const int viewTop = sliderTop(i);
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

void saveScreenshot(const std::vector<std::uint32_t>& rgb, const std::string& stem) {
    if (rgb.size() != static_cast<std::size_t>(kPixels)) return;
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER header{};
    header.biSize = sizeof header;
    header.biWidth = kWidth;
    header.biHeight = -kHeight;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + static_cast<DWORD>(rgb.size() * 4);
    std::ofstream out(stem + ".bmp", std::ios::binary);
    out.write(reinterpret_cast<const char*>(&file), sizeof file);
    out.write(reinterpret_cast<const char*>(&header), sizeof header);
    out.write(reinterpret_cast<const char*>(rgb.data()), static_cast<std::streamsize>(rgb.size() * 4));
}

bool editorPlacement(const HostWindow& host, EditorPlacement& placement) {
    const HWND editor = editorWindow(host);
    RECT frame{};
    if (!editor || !GetWindowRect(editor, &frame)) return false;
    MapWindowPoints(HWND_DESKTOP, handle(host), reinterpret_cast<POINT*>(&frame), 2);
    placement.x = frame.left;
    placement.y = frame.top;
    placement.width = frame.right - frame.left;
    placement.height = frame.bottom - frame.top;
    char title[64] = {};
    GetWindowTextA(editor, title, sizeof title);
    placement.title = title;
    return true;
}

std::vector<long long> footprint() {
    std::vector<long long> windows;
    for (HWND window : threadWindows())
        windows.push_back(static_cast<long long>(reinterpret_cast<std::intptr_t>(window)));
    return windows;
}

void holdModifier(Modifier modifier, bool down) {
    // Both as the thread's key state (GetKeyState) and as the MK_ flags of
    // the mouse messages that follow.
    BYTE state[256];
    GetKeyboardState(state);
    const BYTE value = down ? 0x80 : 0x00;
    const bool shift = modifier == Modifier::shift;
    state[shift ? VK_SHIFT : VK_CONTROL] = value;
    state[shift ? VK_LSHIFT : VK_LCONTROL] = value;
    SetKeyboardState(state);
    const WPARAM flag = shift ? MK_SHIFT : MK_CONTROL;
    heldModifiers = down ? heldModifiers | flag : heldModifiers & ~flag;
}

void movePointer(const HostWindow& host, int x, int y) {
    // Sent to the editor's window wherever the pointer is, as to a window
    // that has captured the mouse.
    pointerX = x;
    pointerY = y;
    send(host, WM_MOUSEMOVE, leftHeld ? MK_LBUTTON : 0);
}

void pressLeft(const HostWindow& host) {
    leftHeld = true;
    send(host, WM_LBUTTONDOWN, MK_LBUTTON);
}

void releaseLeft(const HostWindow& host) {
    leftHeld = false;
    send(host, WM_LBUTTONUP, 0);
}

void click(const HostWindow& host, int x, int y) {
    movePointer(host, x, y);
    pressLeft(host);
    releaseLeft(host);
}

void clickAgain(const HostWindow& host, int x, int y) {
    pointerX = x;
    pointerY = y;
    send(host, WM_LBUTTONDBLCLK, MK_LBUTTON);
    send(host, WM_LBUTTONUP, 0);
}

void otherClick(const HostWindow& host, int x, int y, bool right) {
    movePointer(host, x, y);
    send(host, right ? WM_RBUTTONDOWN : WM_MBUTTONDOWN, right ? MK_RBUTTON : MK_MBUTTON);
    send(host, right ? WM_RBUTTONUP : WM_MBUTTONUP, 0);
}

void wheel(const HostWindow& host, int x, int y, int delta) {
    const HWND editor = editorWindow(host);
    POINT onScreen{x, y};
    ClientToScreen(editor, &onScreen);
    const WPARAM keys = heldModifiers & 0xFFFF;
    SendMessageA(editor, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(static_cast<short>(delta))),
                 clientPoint(onScreen.x, onScreen.y));
}

void wheelNotch(const HostWindow& host, int x, int y, bool up) { wheel(host, x, y, up ? 120 : -120); }

void resetInput() {
    holdModifier(Modifier::shift, false);
    holdModifier(Modifier::control, false);
    leftHeld = false;
    handlePicture();  // decoded before the plug-in starts anything
}

}  // namespace editorhost

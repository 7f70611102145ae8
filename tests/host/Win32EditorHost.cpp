#include "tests/host/Win32EditorHost.h"

#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace wineditor {

namespace {

constexpr char kHostClass[] = "QuenorTestHostWindow";

// Modifiers held by holdKey, as MK_ flags for the mouse messages.
WPARAM heldModifiers = 0;

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

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

testhost::RecordingHost& recorder() {
    static testhost::RecordingHost host;
    return host;
}

std::vector<VstInt32> editCalls(AEffect* effect) {
    std::vector<VstInt32> result;
    for (const testhost::HostCall& call : recorder().calls()) {
        if (call.effect != effect) continue;
        if (call.opcode == audioMasterBeginEdit) result.push_back(100 + call.index);
        if (call.opcode == audioMasterEndEdit) result.push_back(200 + call.index);
        if (call.opcode == audioMasterAutomate) result.push_back(300 + call.index);
    }
    return result;
}

namespace {

const testhost::PluginLibrary& library() {
    // Kept loaded for the whole run, as a host keeps a plug-in it shows.
    static const auto* loaded = new testhost::PluginLibrary;
    return *loaded;
}

}  // namespace

AEffect* loadPlugin() {
    recorder();  // active before the plug-in's first callback
    AEffect* effect = library().entry()(testhost::RecordingHost::callback);
    if (!effect) throw std::runtime_error("VSTPluginMain refused");
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    return effect;
}

void unloadPlugin(AEffect* effect) { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }

HMODULE pluginModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(reinterpret_cast<void*>(library().entry())), &module);
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
    // The BMP read independently of the plug-in's decoder: bottom-up BGRx
    // rows, which as little-endian words are 0x..RRGGBB.
    const std::vector<std::uint8_t> bmp = readFile(QUENOR_RESOURCE_DIR "/quenor4.bmp");
    if (bmp.size() < 54) throw std::runtime_error("cannot read the background");
    const std::uint32_t offset = le32(bmp.data() + 10);
    if (bmp.size() < offset + static_cast<std::size_t>(kPixels) * 4) throw std::runtime_error("short background");
    Picture picture;
    picture.rgb.resize(kPixels);
    picture.skipped.assign(kPixels, false);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            picture.rgb[y * kWidth + x] =
                le32(bmp.data() + offset + ((kHeight - 1 - y) * kWidth + x) * 4) & 0xFFFFFF;

    const HandlePicture& handle = handlePicture();
    for (int i = 0; i < 4; ++i) {
        // The handle is drawn inside its slider's rectangle and inside its travel.
        const int viewLeft = sliderLeft(i);
        const int viewTop = 130 + 56 * (i % 2);
        const float pixels = std::clamp(178.0f * values[i], -1.0e6f, 1.0e6f);
        const int handleLeft = viewLeft + std::max(static_cast<int>(pixels) + 4, 4);
        const int handleRight = std::min(handleLeft + handle.width, viewLeft + 215);
        for (int y = viewTop; y < viewTop + 33 && y < kHeight; ++y) {
            const int row = y - (viewTop + 2);
            if (row < 0 || row >= handle.height) continue;
            for (int x = handleLeft; x < handleRight && x < kWidth; ++x) {
                const std::uint32_t argb = handle.argb[row * handle.width + (x - handleLeft)];
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

float parameter(AEffect* effect, int index) { return effect->getParameter(effect, index); }

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void EditorTest::SetUp() {
    holdKey(VK_SHIFT, false);
    holdKey(VK_CONTROL, false);
    handlePicture();  // decoded before the plug-in starts anything
    recorder().clear();
    effect = loadPlugin();
}

void EditorTest::TearDown() {
    closeEditor();
    unloadPlugin(effect);
    holdKey(VK_SHIFT, false);
    holdKey(VK_CONTROL, false);
}

HWND EditorTest::openAndShow() {
    EXPECT_TRUE(openEditor());
    idle(effect);
    return host.child();
}

void EditorTest::currentValues(float out[4]) const {
    for (int i = 0; i < 4; ++i) out[i] = parameter(effect, i);
}

int EditorTest::differenceFromValues() {
    float values[4];
    currentValues(values);
    return differingPixels(shot(), expectedPicture(values));
}

int sliderLeft(int index) { return 32 + 217 * (index / 2); }
int sliderX(int index, float value) { return sliderLeft(index) + 19 + static_cast<int>(value * 178.0f); }
int sliderY(int index) { return 130 + 56 * (index % 2) + 16; }

}  // namespace wineditor

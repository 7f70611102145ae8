// The editor window as a borderless Win32 child of the host's window. Input
// and paint requests arrive through the host's own message loop; painting
// draws through GDI+ onto the paint message's device context.
#include <windows.h>

#include <ole2.h>

#include "platform/NativeWindow.h"
#include "platform/win32/GdiPlusCanvas.h"
#include "platform/win32/NullDropTarget.h"
#include "platform/win32/WindowClass.h"

namespace platform {

namespace {

constexpr DWORD kWindowStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
constexpr int kWheelDeltaPerNotch = 120;

// Composited windows (the system double-buffers them) exist from major version 6 on.
DWORD extendedStyle() {
    OSVERSIONINFOA version{};
    version.dwOSVersionInfoSize = sizeof version;
    if (!GetVersionExA(&version)) return 0;
    return version.dwMajorVersion >= 6 ? WS_EX_COMPOSITED : 0;
}

int altFlag() { return GetKeyState(VK_MENU) < 0 ? kMouseAlt : 0; }

int buttonFlags(WPARAM keys) {
    int flags = altFlag();
    if (keys & MK_LBUTTON) flags |= kMouseLeft;
    if (keys & MK_RBUTTON) flags |= kMouseRight;
    if (keys & MK_MBUTTON) flags |= kMouseMiddle;
    if (keys & MK_XBUTTON1) flags |= kMouseButton4;
    if (keys & MK_XBUTTON2) flags |= kMouseButton5;
    if (keys & MK_CONTROL) flags |= kMouseControl;
    if (keys & MK_SHIFT) flags |= kMouseShift;
    return flags;
}

// A wheel message carries no button state: the keyboard's modifiers only.
int keyboardFlags() {
    int flags = altFlag();
    if (GetKeyState(VK_SHIFT) < 0) flags |= kMouseShift;
    if (GetKeyState(VK_CONTROL) < 0) flags |= kMouseControl;
    return flags;
}

// Positions are two signed 16-bit words.
int lowWord(LPARAM value) { return static_cast<short>(LOWORD(value)); }
int highWord(LPARAM value) { return static_cast<short>(HIWORD(value)); }

bool isPress(UINT message) {
    return message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN ||
           message == WM_XBUTTONDOWN;
}
bool isDoubleClick(UINT message) {
    return message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK || message == WM_MBUTTONDBLCLK ||
           message == WM_XBUTTONDBLCLK;
}
bool isRelease(UINT message) {
    return message == WM_LBUTTONUP || message == WM_RBUTTONUP || message == WM_MBUTTONUP || message == WM_XBUTTONUP;
}

class Win32Window final : public NativeWindow {
public:
    static LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* window = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (!window) return DefWindowProcA(hwnd, message, wParam, lParam);
        return window->handleMessage(message, wParam, lParam);
    }

    Win32Window(WindowEventHandler& handler, HWND hwnd, int width, int height)
        : handler(handler), hwnd(hwnd), width(width), height(height), savedCursor(GetCursor()) {
        // Pointer-sized user data: the 32-bit call would cut a 64-bit pointer.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        auto* target = new NullDropTarget;
        if (RegisterDragDrop(hwnd, target) == S_OK)
            dropTarget = target;
        else
            target->Release();
    }

    ~Win32Window() override {
        SetCursor(savedCursor);
        revokeDropTarget();
        // Messages sent while the window goes find no handler any more.
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        if (alive) DestroyWindow(hwnd);
        WindowClass::release();
    }

    // The host's message loop delivers input to the window procedure.
    void processEvents() override {}
    // Invalidated areas come back as paint messages through the host's loop.
    void paintDirtyAreas() override {}

    void invalidate(const PixelRect& area) override {
        if (!alive) return;
        const RECT rect{area.left, area.top, area.right, area.bottom};
        InvalidateRect(hwnd, &rect, TRUE);
    }

    void* nativeHandle() const override { return hwnd; }

private:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_PAINT) {
            paint();
            return 0;
        }
        if (message == WM_ERASEBKGND) return 1;
        if (message == WM_MOUSEMOVE) {
            requestLeaveNotice();
            handler.onMouseMoved(lowWord(lParam), highWord(lParam), buttonFlags(wParam));
            return 0;
        }
        if (isPress(message) || isDoubleClick(message)) {
            const int buttons = buttonFlags(wParam) | (isDoubleClick(message) ? kMouseDoubleClick : 0);
            if (handler.onMouseDown(lowWord(lParam), highWord(lParam), buttons)) SetCapture(hwnd);
            return 0;
        }
        if (isRelease(message)) {
            handler.onMouseUp(lowWord(lParam), highWord(lParam), buttonFlags(wParam));
            ReleaseCapture();
            return 0;
        }
        if (message == WM_MOUSEWHEEL) {
            wheel(wParam, lParam);
            return DefWindowProcA(hwnd, message, wParam, lParam);
        }
        if (message == WM_MOUSELEAVE) return 0;
        if (message == WM_DESTROY) {
            // The host destroyed its window, and ours with it.
            alive = false;
            revokeDropTarget();
            handler.onDestroyed();
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }

    void paint() {
        HRGN region = CreateRectRgn(0, 0, 0, 0);
        if (GetUpdateRgn(hwnd, region, FALSE) == NULLREGION) {
            DeleteObject(region);
            return;
        }
        PAINTSTRUCT paintInfo;
        HDC dc = BeginPaint(hwnd, &paintInfo);
        if (dc) {
            GdiPlusCanvas canvas = GdiPlusCanvas::onDeviceContext(dc, width, height);
            const RECT& rect = paintInfo.rcPaint;
            const PixelRect area =
                PixelRect{rect.left, rect.top, rect.right, rect.bottom}.intersected(canvas.bounds());
            canvas.setClip(area);
            if (!area.isEmpty()) handler.onPaint(canvas, area);
        }
        EndPaint(hwnd, &paintInfo);
        DeleteObject(region);
    }

    void wheel(WPARAM wParam, LPARAM lParam) {
        RECT frame{};
        GetWindowRect(hwnd, &frame);
        const int delta = static_cast<short>(HIWORD(wParam));
        // Whole notches only, toward zero: a fine-resolution wheel's small
        // steps move nothing.
        const auto notches = static_cast<float>(delta / kWheelDeltaPerNotch);
        handler.onWheel(lowWord(lParam) - frame.left, highWord(lParam) - frame.top, notches, keyboardFlags());
    }

    void requestLeaveNotice() {
        if (leaveRequested) return;
        TRACKMOUSEEVENT request{};
        request.cbSize = sizeof request;
        request.dwFlags = TME_LEAVE;
        request.hwndTrack = hwnd;
        leaveRequested = TrackMouseEvent(&request) != FALSE;
    }

    void revokeDropTarget() {
        if (!dropTarget) return;
        RevokeDragDrop(hwnd);
        dropTarget->Release();
        dropTarget = nullptr;
    }

    WindowEventHandler& handler;
    HWND hwnd;
    int width;
    int height;
    HCURSOR savedCursor;
    NullDropTarget* dropTarget = nullptr;
    bool alive = true;
    bool leaveRequested = false;
};

}  // namespace

bool NativeWindow::canCreateWindows() { return true; }

std::unique_ptr<NativeWindow> NativeWindow::createChild(GuiSession&, void* parent, int width, int height,
                                                        const char* title, WindowEventHandler& handler) {
    auto* parentWindow = static_cast<HWND>(parent);
    if (!parentWindow || !IsWindow(parentWindow) || width <= 0 || height <= 0) return nullptr;
    const char* className = WindowClass::acquire(&Win32Window::procedure);
    if (!className) return nullptr;
    HWND hwnd = CreateWindowExA(extendedStyle(), className, title, kWindowStyle, 0, 0, width, height, parentWindow,
                                nullptr, WindowClass::instance(), nullptr);
    if (!hwnd) {
        WindowClass::release();
        return nullptr;
    }
    return std::make_unique<Win32Window>(handler, hwnd, width, height);
}

}  // namespace platform

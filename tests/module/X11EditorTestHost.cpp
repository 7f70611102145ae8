#include "tests/module/X11EditorTestHost.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

#include "tests/support/ProcessProbe.h"

namespace editorhost {

namespace {

int errors = 0;
// Keys held by holdModifier, released again by resetInput.
bool shiftHeld = false;
bool controlHeld = false;
bool leftHeld = false;

int countError(Display*, XErrorEvent*) {
    ++errors;
    return 0;
}

void settle() {
    XSync(display(), False);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
}

Window asWindow(std::uintptr_t id) { return static_cast<Window>(id); }

void pressButton(unsigned button, bool down) {
    XTestFakeButtonEvent(display(), button, down ? True : False, CurrentTime);
    XSync(display(), False);
}

void clickButton(const HostWindow& host, int x, int y, unsigned button) {
    movePointer(host, x, y);
    pressButton(button, true);
    pressButton(button, false);
}

// An image surface holding rgb, kWidth x kHeight.
cairo_surface_t* surfaceOf(const std::vector<std::uint32_t>& rgb) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(data + y * stride, &rgb[static_cast<std::size_t>(y) * kWidth], kWidth * 4);
    cairo_surface_mark_dirty(surface);
    return surface;
}

std::vector<Window> children(Window window) {
    Window root = 0, parent = 0, *list = nullptr;
    unsigned count = 0;
    std::vector<Window> result;
    if (!XQueryTree(display(), window, &root, &parent, &list, &count)) return result;
    result.assign(list, list + count);
    if (list) XFree(list);
    return result;
}

}  // namespace

Display* display() {
    static Display* connection = [] {
        Display* d = XOpenDisplay(nullptr);
        if (!d) throw std::runtime_error("no X server: run the test through run-with-xvfb.sh");
        XSetErrorHandler(countError);
        return d;
    }();
    return connection;
}

int xErrorCount() {
    XSync(display(), False);
    return errors;
}

Window editorWindow(const HostWindow& host) {
    if (!host.native()) return 0;
    const std::vector<Window> inside = children(asWindow(host.native()));
    return inside.empty() ? 0 : inside.front();
}

HostWindow::HostWindow(Place place) {
    Display* d = display();
    const int y = place == Place::first ? 0 : 240;
    const Window created =
        XCreateSimpleWindow(d, DefaultRootWindow(d), 0, y, kWidth, kHeight, 0, BlackPixel(d, 0), BlackPixel(d, 0));
    XSelectInput(d, created, StructureNotifyMask);
    XMapWindow(d, created);
    XEvent event;
    do XWindowEvent(d, created, StructureNotifyMask, &event);
    while (event.type != MapNotify);
    window = created;
}

HostWindow::~HostWindow() { destroy(); }

void* HostWindow::asParent() const { return reinterpret_cast<void*>(window); }

int HostWindow::childCount() const {
    // The editor makes and destroys its window on a connection of its own:
    // the server is given a moment for what that one has sent.
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    return window ? static_cast<int>(children(asWindow(window)).size()) : 0;
}

void HostWindow::destroy() {
    if (!window) return;
    XDestroyWindow(display(), asWindow(window));
    XSync(display(), False);
    window = 0;
}

bool parentExists(void* parent) {
    // Among the root's children, so that asking makes no error of its own.
    const std::vector<Window> topLevel = children(DefaultRootWindow(display()));
    return std::find(topLevel.begin(), topLevel.end(), reinterpret_cast<std::uintptr_t>(parent)) != topLevel.end();
}

std::vector<void*> bogusParents() {
    // An id that names no window, and a pointer that is no X id at all.
    return {reinterpret_cast<void*>(std::uintptr_t{0x1FFFFF0}),
            reinterpret_cast<void*>(std::uintptr_t{0x7FFF12345678})};
}

void idle(const std::function<void()>& idleCall, int calls) {
    for (int i = 0; i < calls; ++i) {
        settle();
        idleCall();
    }
    settle();
}

void idle(AEffect* effect, int calls) {
    idle([effect] { effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f); }, calls);
}

std::vector<std::uint32_t> screenshot(const HostWindow& host) {
    std::vector<std::uint32_t> pixels;
    const Window editor = editorWindow(host);
    if (!editor) return pixels;
    XImage* image = XGetImage(display(), editor, 0, 0, kWidth, kHeight, AllPlanes, ZPixmap);
    if (!image) return pixels;
    pixels.reserve(kPixels);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
}

Picture expectedPicture(const float values[4]) {
    // Composited by cairo, as the editor does: every pixel is compared.
    cairo_surface_t* canvas = surfaceOf(background());

    cairo_surface_t* handle = cairo_image_surface_create_from_png(QUENOR_RESOURCE_DIR "/but.png");
    cairo_t* cr = cairo_create(canvas);
    for (int i = 0; i < 4; ++i) {
        const HandleColumns columns = handleColumns(i, values[i], cairo_image_surface_get_width(handle));
        if (columns.right <= columns.left) continue;
        const int viewTop = sliderTop(i);
        cairo_save(cr);
        cairo_rectangle(cr, columns.left, viewTop, columns.right - columns.left, 33);
        cairo_clip(cr);
        cairo_set_source_surface(cr, handle, columns.left, viewTop + 2);
        cairo_paint(cr);
        cairo_restore(cr);
    }
    cairo_destroy(cr);
    cairo_surface_destroy(handle);
    cairo_surface_flush(canvas);

    const auto* data = cairo_image_surface_get_data(canvas);
    const int stride = cairo_image_surface_get_stride(canvas);
    Picture picture;
    picture.skipped.assign(kPixels, false);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            picture.rgb.push_back(reinterpret_cast<const std::uint32_t*>(data + y * stride)[x] & 0xFFFFFF);
    cairo_surface_destroy(canvas);
    return picture;
}

void saveScreenshot(const std::vector<std::uint32_t>& rgb, const std::string& stem) {
    if (rgb.size() != static_cast<std::size_t>(kPixels)) return;
    cairo_surface_t* surface = surfaceOf(rgb);
    cairo_surface_write_to_png(surface, (stem + ".png").c_str());
    cairo_surface_destroy(surface);
}

bool editorPlacement(const HostWindow& host, EditorPlacement& placement) {
    const Window editor = editorWindow(host);
    XWindowAttributes attributes;
    if (!editor || !XGetWindowAttributes(display(), editor, &attributes)) return false;
    placement.x = attributes.x;
    placement.y = attributes.y;
    placement.width = attributes.width;
    placement.height = attributes.height;
    char* title = nullptr;
    if (!XFetchName(display(), editor, &title)) return false;
    placement.title = title ? title : "";
    XFree(title);
    return true;
}

std::vector<long long> footprint() { return {xErrorCount(), openHandleCount()}; }

void holdModifier(Modifier modifier, bool down) {
    const KeySym key = modifier == Modifier::shift ? XK_Shift_L : XK_Control_L;
    XTestFakeKeyEvent(display(), XKeysymToKeycode(display(), key), down ? True : False, CurrentTime);
    XSync(display(), False);
    (modifier == Modifier::shift ? shiftHeld : controlHeld) = down;
}

void movePointer(const HostWindow& host, int x, int y) {
    int rootX = 0, rootY = 0;
    Window ignored;
    XTranslateCoordinates(display(), editorWindow(host), DefaultRootWindow(display()), x, y, &rootX, &rootY,
                          &ignored);
    XTestFakeMotionEvent(display(), DefaultScreen(display()), rootX, rootY, CurrentTime);
    XSync(display(), False);
}

void pressLeft(const HostWindow&) {
    pressButton(1, true);
    leftHeld = true;
}

void releaseLeft(const HostWindow&) {
    pressButton(1, false);
    leftHeld = false;
}

void click(const HostWindow& host, int x, int y) { clickButton(host, x, y, 1); }

// The server makes a double click of two clicks close in time.
void clickAgain(const HostWindow& host, int x, int y) { clickButton(host, x, y, 1); }

void otherClick(const HostWindow& host, int x, int y, bool right) { clickButton(host, x, y, right ? 3 : 2); }

void wheelNotch(const HostWindow& host, int x, int y, bool up) { clickButton(host, x, y, up ? 4 : 5); }

void resetInput() {
    if (shiftHeld) holdModifier(Modifier::shift, false);
    if (controlHeld) holdModifier(Modifier::control, false);
    if (leftHeld) pressButton(1, false);
    leftHeld = false;
}

}  // namespace editorhost

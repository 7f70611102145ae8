#include "tests/module/EditorHost.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

namespace editortest {

namespace {

int errors = 0;

int countError(Display*, XErrorEvent*) {
    ++errors;
    return 0;
}

void settle() {
    XSync(display(), False);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
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

HostWindow::HostWindow(int x, int y, int width, int height) {
    Display* d = display();
    window =
        XCreateSimpleWindow(d, DefaultRootWindow(d), x, y, width, height, 0, BlackPixel(d, 0), BlackPixel(d, 0));
    XSelectInput(d, window, StructureNotifyMask);
    XMapWindow(d, window);
    XEvent event;
    do XWindowEvent(d, window, StructureNotifyMask, &event);
    while (event.type != MapNotify);
}

HostWindow::~HostWindow() { destroy(); }

void HostWindow::destroy() {
    if (!window) return;
    XDestroyWindow(display(), window);
    XSync(display(), False);
    window = 0;
}

Window HostWindow::child() const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display(), window, &root, &parent, &children, &count)) return 0;
    const Window first = count > 0 ? children[0] : 0;
    if (children) XFree(children);
    return first;
}

void idle(AEffect* effect, int calls) {
    for (int i = 0; i < calls; ++i) {
        settle();
        effect->dispatcher(effect, effEditIdle, 0, 0, nullptr, 0.0f);
    }
    settle();
}

std::vector<std::uint32_t> screenshot(Window window, int width, int height) {
    XImage* image = XGetImage(display(), window, 0, 0, width, height, AllPlanes, ZPixmap);
    std::vector<std::uint32_t> pixels;
    if (!image) return pixels;
    pixels.reserve(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return pixels;
}

int sameCount(const std::vector<std::uint32_t>& a, const std::vector<std::uint32_t>& b) {
    int same = 0;
    for (std::size_t i = 0; i < a.size() && i < b.size(); ++i) same += a[i] == b[i];
    return same;
}

std::vector<std::uint32_t> expectedPicture(const float values[4]) {
    const std::vector<std::uint32_t> rgb = editorhost::background();
    cairo_surface_t* canvas = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    auto* data = cairo_image_surface_get_data(canvas);
    const int stride = cairo_image_surface_get_stride(canvas);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(data + y * stride, &rgb[static_cast<std::size_t>(y) * kWidth], kWidth * 4);
    cairo_surface_mark_dirty(canvas);

    cairo_surface_t* handle = cairo_image_surface_create_from_png(QUENOR_RESOURCE_DIR "/but.png");
    cairo_t* cr = cairo_create(canvas);
    for (int i = 0; i < 4; ++i) {
        const editorhost::HandleColumns columns =
            editorhost::handleColumns(i, values[i], cairo_image_surface_get_width(handle));
        if (columns.right <= columns.left) continue;
        const int viewTop = editorhost::sliderTop(i);
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

    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            pixels.push_back(reinterpret_cast<const std::uint32_t*>(data + y * stride)[x] & 0xFFFFFF);
    cairo_surface_destroy(canvas);
    return pixels;
}

bool savePng(const std::vector<std::uint32_t>& rgb, int width, int height, const std::string& path) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    auto* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y)
        std::memcpy(data + y * stride, &rgb[static_cast<std::size_t>(y) * width], width * 4);
    cairo_surface_mark_dirty(surface);
    const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
    cairo_surface_destroy(surface);
    return ok;
}

void movePointer(Window window, int x, int y) {
    int rootX = 0, rootY = 0;
    Window ignored;
    XTranslateCoordinates(display(), window, DefaultRootWindow(display()), x, y, &rootX, &rootY, &ignored);
    XTestFakeMotionEvent(display(), DefaultScreen(display()), rootX, rootY, CurrentTime);
    XSync(display(), False);
}

void pressButton(unsigned button) {
    XTestFakeButtonEvent(display(), button, True, CurrentTime);
    XSync(display(), False);
}

void releaseButton(unsigned button) {
    XTestFakeButtonEvent(display(), button, False, CurrentTime);
    XSync(display(), False);
}

void click(Window window, int x, int y, unsigned button) {
    movePointer(window, x, y);
    pressButton(button);
    releaseButton(button);
}

void holdKey(unsigned long keysym, bool down) {
    XTestFakeKeyEvent(display(), XKeysymToKeycode(display(), keysym), down ? True : False, CurrentTime);
    XSync(display(), False);
}

Window EditorTest::openAndShow() {
    EXPECT_TRUE(openEditor());
    idle(effect);
    return host.child();
}

}  // namespace editortest

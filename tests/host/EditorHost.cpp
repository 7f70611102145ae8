#include "tests/host/EditorHost.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <cairo.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

namespace editortest {

namespace {

constexpr int kWidth = 494;
constexpr int kHeight = 238;
int errors = 0;

int countError(Display*, XErrorEvent*) {
    ++errors;
    return 0;
}

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t le32(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

void settle() {
    XSync(display(), False);
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
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

AEffect* loadPlugin() {
    // Kept loaded for the whole run, as a host keeps a plug-in it shows.
    static const auto* library = new testhost::PluginLibrary;
    recorder();  // active before the plug-in's first callback
    AEffect* effect = library->entry()(testhost::RecordingHost::callback);
    if (!effect) throw std::runtime_error("VSTPluginMain refused");
    effect->dispatcher(effect, effOpen, 0, 0, nullptr, 0.0f);
    return effect;
}

void unloadPlugin(AEffect* effect) { effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f); }

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

std::vector<std::uint32_t> expectedPicture(const float values[4]) {
    // The BMP read independently of the plug-in's decoder: bottom-up BGRx rows.
    const std::vector<std::uint8_t> bmp = readFile(QUENOR_RESOURCE_DIR "/quenor4.bmp");
    const std::uint32_t offset = le32(bmp.data() + 10);
    cairo_surface_t* canvas = cairo_image_surface_create(CAIRO_FORMAT_RGB24, kWidth, kHeight);
    auto* data = cairo_image_surface_get_data(canvas);
    const int stride = cairo_image_surface_get_stride(canvas);
    for (int y = 0; y < kHeight; ++y)
        std::memcpy(data + y * stride, bmp.data() + offset + (kHeight - 1 - y) * kWidth * 4, kWidth * 4);
    cairo_surface_mark_dirty(canvas);

    cairo_surface_t* handle = cairo_image_surface_create_from_png(QUENOR_RESOURCE_DIR "/but.png");
    cairo_t* cr = cairo_create(canvas);
    for (int i = 0; i < 4; ++i) {
        // Slider rectangle; the handle is drawn inside it and inside its travel.
        const int viewLeft = 32 + 217 * (i / 2);
        const int viewTop = 130 + 56 * (i % 2);
        const float pixels = std::clamp(178.0f * values[i], -1.0e6f, 1.0e6f);
        const int handleLeft = viewLeft + std::max(static_cast<int>(pixels) + 4, 4);
        const int handleRight = std::min(handleLeft + 33, viewLeft + 215);
        if (handleRight <= handleLeft) continue;
        cairo_save(cr);
        cairo_rectangle(cr, handleLeft, viewTop, handleRight - handleLeft, 33);
        cairo_clip(cr);
        cairo_set_source_surface(cr, handle, handleLeft, viewTop + 2);
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

float parameter(AEffect* effect, int index) { return effect->getParameter(effect, index); }

VstIntPtr dispatch(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    return effect->dispatcher(effect, opcode, index, value, ptr, opt);
}

void EditorTest::SetUp() {
    recorder().clear();
    effect = loadPlugin();
}

void EditorTest::TearDown() {
    closeEditor();
    unloadPlugin(effect);
}

Window EditorTest::openAndShow() {
    EXPECT_TRUE(openEditor());
    idle(effect);
    return host.child();
}

void EditorTest::currentValues(float out[4]) const {
    for (int i = 0; i < 4; ++i) out[i] = parameter(effect, i);
}

int sliderX(int index, float value) { return 32 + 217 * (index / 2) + 19 + static_cast<int>(value * 178.0f); }
int sliderY(int index) { return 130 + 56 * (index % 2) + 16; }

}  // namespace editortest

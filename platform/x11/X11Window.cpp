// The editor window as an X11 child of the host's window, drawn with cairo.
#include <cairo-xcb.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/NativeWindow.h"
#include "platform/x11/CairoCanvas.h"
#include "platform/x11/X11Session.h"

namespace platform {

namespace {

constexpr std::uint32_t kEventMask = XCB_EVENT_MASK_EXPOSURE | XCB_EVENT_MASK_BUTTON_PRESS |
                                     XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION |
                                     XCB_EVENT_MASK_STRUCTURE_NOTIFY;
constexpr std::uint16_t kPointerMask =
    XCB_EVENT_MASK_BUTTON_PRESS | XCB_EVENT_MASK_BUTTON_RELEASE | XCB_EVENT_MASK_POINTER_MOTION;
// Beyond this many separate areas one enclosing area is repainted instead.
constexpr std::size_t kMaxDirtyAreas = 8;
constexpr xcb_timestamp_t kDoubleClickMs = 500;
constexpr int kDoubleClickSlop = 4;

int keyFlags(std::uint16_t state) {
    int flags = 0;
    if (state & XCB_MOD_MASK_SHIFT) flags |= kMouseShift;
    if (state & XCB_MOD_MASK_CONTROL) flags |= kMouseControl;
    if (state & XCB_MOD_MASK_1) flags |= kMouseAlt;
    return flags;
}

int buttonFlags(std::uint16_t state) {
    int flags = keyFlags(state);
    if (state & XCB_BUTTON_MASK_1) flags |= kMouseLeft;
    if (state & XCB_BUTTON_MASK_2) flags |= kMouseMiddle;
    if (state & XCB_BUTTON_MASK_3) flags |= kMouseRight;
    return flags;
}

int flagOfButton(xcb_button_t button) {
    switch (button) {
        case 1:
            return kMouseLeft;
        case 2:
            return kMouseMiddle;
        case 3:
            return kMouseRight;
        case 8:
            return kMouseButton4;
        case 9:
            return kMouseButton5;
        default:
            return 0;
    }
}

// X reports a wheel step as a press of button 4 (up) or 5 (down).
float wheelNotches(xcb_button_t button) {
    if (button == 4) return 1.0f;
    if (button == 5) return -1.0f;
    return 0.0f;
}
bool isWheelButton(xcb_button_t button) { return button >= 4 && button <= 7; }

// The counterpart of a per-module window class name: the library's load address.
void setClassHint(xcb_connection_t* conn, xcb_window_t window) {
    Dl_info info{};
    void* base = dladdr(reinterpret_cast<void*>(&setClassHint), &info) ? info.dli_fbase : nullptr;
    char name[48];
    const int length = std::snprintf(name, sizeof name, "Plugin%p", base);
    // WM_CLASS holds instance and class name, each NUL-terminated.
    std::vector<char> value(name, name + length + 1);
    value.insert(value.end(), name, name + length + 1);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(value.size()), value.data());
}

class X11Window final : public NativeWindow, private X11WindowEvents {
public:
    X11Window(X11Session& session, WindowEventHandler& handler, xcb_window_t window, cairo_surface_t* surface,
              int width, int height)
        : session(session), handler(handler), window(window), surface(surface), width(width), height(height) {
        session.attach(window, *this);
    }

    ~X11Window() override {
        session.detach(window);
        cairo_surface_finish(surface);
        cairo_surface_destroy(surface);
        if (xcb_connection_t* conn = session.connection()) {
            if (pointerGrabbed) xcb_ungrab_pointer(conn, XCB_CURRENT_TIME);
            // If the host destroyed the window already, the server answers
            // with an error event, which the session drops.
            if (alive) xcb_destroy_window(conn, window);
            xcb_flush(conn);
        }
    }

    void processEvents() override { session.pumpEvents(); }

    void paintDirtyAreas() override {
        if (!alive || dirty.empty()) return;
        std::vector<PixelRect> areas;
        areas.swap(dirty);
        {
            CairoCanvas canvas(surface, width, height);
            for (const PixelRect& area : areas) {
                canvas.setClip(area);
                handler.onPaint(canvas, area);
            }
        }
        cairo_surface_flush(surface);
        // One round trip, so that what was drawn is on the server when the
        // idle call returns.
        if (xcb_connection_t* conn = session.connection())
            free(xcb_get_input_focus_reply(conn, xcb_get_input_focus(conn), nullptr));
    }

    void invalidate(const PixelRect& area) override {
        const PixelRect limited = area.intersected({0, 0, width, height});
        if (!alive || limited.isEmpty()) return;
        for (const PixelRect& known : dirty)
            if (known.contains(limited)) return;
        dirty.push_back(limited);
        if (dirty.size() > kMaxDirtyAreas) {
            PixelRect all;
            for (const PixelRect& part : dirty) all = all.united(part);
            dirty.assign(1, all);
        }
    }

    void* nativeHandle() const override { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }

private:
    void handleEvent(const xcb_generic_event_t& event) override {
        if (!alive) return;
        switch (event.response_type & 0x7F) {
            case XCB_EXPOSE: {
                const auto& expose = reinterpret_cast<const xcb_expose_event_t&>(event);
                invalidate({expose.x, expose.y, expose.x + expose.width, expose.y + expose.height});
                break;
            }
            case XCB_BUTTON_PRESS:
                buttonPressed(reinterpret_cast<const xcb_button_press_event_t&>(event));
                break;
            case XCB_BUTTON_RELEASE:
                buttonReleased(reinterpret_cast<const xcb_button_release_event_t&>(event));
                break;
            case XCB_MOTION_NOTIFY: {
                const auto& motion = reinterpret_cast<const xcb_motion_notify_event_t&>(event);
                handler.onMouseMoved(motion.event_x, motion.event_y, buttonFlags(motion.state));
                break;
            }
            case XCB_DESTROY_NOTIFY:
                alive = false;
                pointerGrabbed = false;
                dirty.clear();
                handler.onDestroyed();
                break;
            default:
                break;
        }
    }

    void buttonPressed(const xcb_button_press_event_t& press) {
        if (isWheelButton(press.detail)) {
            const float notches = wheelNotches(press.detail);
            if (notches != 0.0f) handler.onWheel(press.event_x, press.event_y, notches, keyFlags(press.state));
            return;
        }
        int buttons = buttonFlags(press.state) | flagOfButton(press.detail);
        if (isDoubleClick(press)) buttons |= kMouseDoubleClick;
        xcb_connection_t* conn = session.connection();
        if (handler.onMouseDown(press.event_x, press.event_y, buttons)) {
            if (conn && alive) {
                xcb_grab_pointer(conn, 0, window, kPointerMask, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC, XCB_NONE,
                                 XCB_NONE, press.time);
                pointerGrabbed = true;
            }
        } else if (conn) {
            // An unwanted press keeps nothing: end the server's implicit grab.
            xcb_ungrab_pointer(conn, press.time);
        }
    }

    void buttonReleased(const xcb_button_release_event_t& release) {
        if (isWheelButton(release.detail)) return;
        const int buttons = buttonFlags(release.state) & ~flagOfButton(release.detail);
        handler.onMouseUp(release.event_x, release.event_y, buttons);
        if (pointerGrabbed && alive) {
            if (xcb_connection_t* conn = session.connection()) xcb_ungrab_pointer(conn, release.time);
            pointerGrabbed = false;
        }
    }

    // A second press of the same button, soon and near the first; a third
    // press starts over.
    bool isDoubleClick(const xcb_button_press_event_t& press) {
        const bool isDouble = lastPress.valid && lastPress.button == press.detail &&
                              press.time - lastPress.time <= kDoubleClickMs &&
                              std::abs(press.event_x - lastPress.x) <= kDoubleClickSlop &&
                              std::abs(press.event_y - lastPress.y) <= kDoubleClickSlop;
        lastPress = {!isDouble, press.detail, press.time, press.event_x, press.event_y};
        return isDouble;
    }

    struct Press {
        bool valid = false;
        xcb_button_t button = 0;
        xcb_timestamp_t time = 0;
        int x = 0;
        int y = 0;
    };

    X11Session& session;
    WindowEventHandler& handler;
    xcb_window_t window;
    cairo_surface_t* surface;
    int width;
    int height;
    bool alive = true;
    bool pointerGrabbed = false;
    std::vector<PixelRect> dirty;
    Press lastPress;
};

// The host passes its window as an X11 id; anything wider is not one.
bool toWindowId(void* parent, xcb_window_t& id) {
    const auto value = reinterpret_cast<std::uintptr_t>(parent);
    if (value == 0 || value > 0x1FFFFFFFu) return false;
    id = static_cast<xcb_window_t>(value);
    return true;
}

}  // namespace

bool NativeWindow::canCreateWindows() { return true; }

std::unique_ptr<NativeWindow> NativeWindow::createChild(GuiSession& guiSession, void* parent, int width, int height,
                                                        const char* title, WindowEventHandler& handler) {
    auto& session = static_cast<X11Session&>(guiSession);
    xcb_connection_t* conn = session.connection();
    xcb_window_t parentId = 0;
    if (!conn || width <= 0 || height <= 0 || !toWindowId(parent, parentId)) return nullptr;

    // Checked requests: a bad parent comes back as an answer, not an error event.
    auto* geometry = xcb_get_geometry_reply(conn, xcb_get_geometry(conn, parentId), nullptr);
    auto* attributes = xcb_get_window_attributes_reply(conn, xcb_get_window_attributes(conn, parentId), nullptr);
    const bool usable = geometry && attributes && attributes->_class == XCB_WINDOW_CLASS_INPUT_OUTPUT;
    const xcb_window_t root = geometry ? geometry->root : 0;
    const xcb_visualid_t visualId = attributes ? attributes->visual : 0;
    free(geometry);
    free(attributes);
    if (!usable) return nullptr;
    xcb_visualtype_t* visual = session.findVisual(root, visualId);
    if (!visual) return nullptr;

    const xcb_window_t window = xcb_generate_id(conn);
    // No background: the window is never cleared before it is painted.
    const std::uint32_t values[] = {XCB_BACK_PIXMAP_NONE, kEventMask};
    xcb_generic_error_t* error = xcb_request_check(
        conn, xcb_create_window_checked(conn, XCB_COPY_FROM_PARENT, window, parentId, 0, 0,
                                        static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), 0,
                                        XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                                        XCB_CW_BACK_PIXMAP | XCB_CW_EVENT_MASK, values));
    if (error) {
        free(error);
        return nullptr;
    }
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                        static_cast<std::uint32_t>(std::strlen(title)), title);
    setClassHint(conn, window);
    xcb_map_window(conn, window);
    xcb_flush(conn);

    cairo_surface_t* surface = cairo_xcb_surface_create(conn, window, visual, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        xcb_destroy_window(conn, window);
        xcb_flush(conn);
        return nullptr;
    }
    session.adoptDevice(surface);
    return std::make_unique<X11Window>(session, handler, window, surface, width, height);
}

}  // namespace platform

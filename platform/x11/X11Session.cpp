#include "platform/x11/X11Session.h"

#include <cairo-xcb.h>

#include <algorithm>

namespace platform {

namespace {

// The window an event is about; 0 for errors and events no editor asks for.
xcb_window_t windowOf(const xcb_generic_event_t& event) {
    switch (event.response_type & 0x7F) {
        case XCB_EXPOSE:
            return reinterpret_cast<const xcb_expose_event_t&>(event).window;
        case XCB_BUTTON_PRESS:
        case XCB_BUTTON_RELEASE:
            return reinterpret_cast<const xcb_button_press_event_t&>(event).event;
        case XCB_MOTION_NOTIFY:
            return reinterpret_cast<const xcb_motion_notify_event_t&>(event).event;
        case XCB_DESTROY_NOTIFY:
            return reinterpret_cast<const xcb_destroy_notify_event_t&>(event).window;
        default:
            return 0;
    }
}

}  // namespace

std::unique_ptr<GuiSession> GuiSession::start() { return std::make_unique<X11Session>(); }

X11Session::X11Session() {
    xcb_connection_t* candidate = xcb_connect(nullptr, nullptr);
    // xcb_connect always returns an object; a failed one must still be freed.
    if (xcb_connection_has_error(candidate))
        xcb_disconnect(candidate);
    else
        conn = candidate;
}

X11Session::~X11Session() {
    if (device) {
        cairo_device_finish(device);
        cairo_device_destroy(device);
    }
    if (conn) xcb_disconnect(conn);
}

xcb_connection_t* X11Session::connection() const {
    return conn && !xcb_connection_has_error(conn) ? conn : nullptr;
}

xcb_visualtype_t* X11Session::findVisual(xcb_window_t root, xcb_visualid_t id) const {
    for (auto screens = xcb_setup_roots_iterator(xcb_get_setup(conn)); screens.rem; xcb_screen_next(&screens)) {
        if (screens.data->root != root) continue;
        for (auto depths = xcb_screen_allowed_depths_iterator(screens.data); depths.rem; xcb_depth_next(&depths))
            for (auto visuals = xcb_depth_visuals_iterator(depths.data); visuals.rem; xcb_visualtype_next(&visuals))
                if (visuals.data->visual_id == id) return visuals.data;
    }
    return nullptr;
}

void X11Session::attach(xcb_window_t window, X11WindowEvents& target) { routes.push_back({window, &target}); }

void X11Session::detach(xcb_window_t window) {
    std::erase_if(routes, [window](const Route& route) { return route.window == window; });
}

void X11Session::pumpEvents() {
    if (!connection()) return;
    while (xcb_generic_event_t* event = xcb_poll_for_event(conn)) {
        const xcb_window_t window = windowOf(*event);
        // Looked up per event: a handler may close another editor meanwhile.
        const auto route = std::find_if(routes.begin(), routes.end(),
                                        [window](const Route& r) { return window != 0 && r.window == window; });
        if (route != routes.end()) route->target->handleEvent(*event);
        free(event);
    }
}

void X11Session::adoptDevice(cairo_surface_t* surface) {
    if (device) return;
    device = cairo_surface_get_device(surface);
    if (device) cairo_device_reference(device);
}

}  // namespace platform

// The process's one connection to the X server for editor windows, and the
// routing of its events to the windows made on it. It is this library's own
// connection: the host's connection, event loop and error handler are never
// touched, and protocol errors arrive as events here instead of going to any
// process-wide handler.
#pragma once

#include <cairo.h>
#include <xcb/xcb.h>

#include <vector>

#include "platform/GuiSession.h"

namespace platform {

class X11WindowEvents {
public:
    virtual ~X11WindowEvents() = default;
    virtual void handleEvent(const xcb_generic_event_t& event) = 0;
};

class X11Session final : public GuiSession {
public:
    X11Session();
    ~X11Session() override;
    X11Session(const X11Session&) = delete;
    X11Session& operator=(const X11Session&) = delete;

    // Null when the server could not be reached or the connection broke.
    xcb_connection_t* connection() const;
    xcb_visualtype_t* findVisual(xcb_window_t root, xcb_visualid_t id) const;

    void attach(xcb_window_t window, X11WindowEvents& target);
    void detach(xcb_window_t window);
    // Takes every event already received, without waiting, to its window.
    void pumpEvents();
    // Keeps cairo's state for this connection until the connection closes.
    void adoptDevice(cairo_surface_t* surface);

private:
    struct Route {
        xcb_window_t window;
        X11WindowEvents* target;
    };

    xcb_connection_t* conn = nullptr;
    cairo_device_t* device = nullptr;
    std::vector<Route> routes;
};

}  // namespace platform

#include "play/EditorWindow.h"

#include <poll.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/HostError.h"
#include "play/StripLayout.h"
#include "play/WindowIcon.h"

namespace {

// WM_NORMAL_HINTS as ICCCM lays it out: flags, then 17 numbers.
constexpr std::uint32_t kProgramMinSize = 1 << 4, kProgramMaxSize = 1 << 5;
constexpr int kSizeHintWords = 18;
constexpr std::uint8_t kFirstMouseButton = 1;

constexpr char kWindowClass[] = "quenor-play\0Quenor-play";

std::string noDisplay() {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return "no X display (DISPLAY is not set)";
    return std::string("cannot open the X display '") + display + "'";
}

}  // namespace

EditorWindow::EditorWindow(int width, int height, const std::string& title) {
    int screenNumber = 0;
    conn = xcb_connect(nullptr, &screenNumber);
    if (xcb_connection_has_error(conn)) {
        xcb_disconnect(conn);
        conn = nullptr;
        throw HostError(noDisplay());
    }
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(xcb_get_setup(conn));
    for (int i = 0; i < screenNumber && screens.rem; ++i) xcb_screen_next(&screens);
    const xcb_screen_t* screen = screens.data;

    window = xcb_generate_id(conn);
    const std::uint32_t values[] = {screen->black_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_EXPOSURE |
                                                             XCB_EVENT_MASK_BUTTON_PRESS};
    xcb_create_window(conn, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, static_cast<std::uint16_t>(width),
                      static_cast<std::uint16_t>(height + strip::kHeight), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK, values);
    protocols = atom("WM_PROTOCOLS");
    deleteWindow = atom("WM_DELETE_WINDOW");
    utf8String = atom("UTF8_STRING");
    netWmName = atom("_NET_WM_NAME");
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, protocols, XCB_ATOM_ATOM, 32, 1, &deleteWindow);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                        sizeof kWindowClass, kWindowClass);
    const std::uint32_t pid = static_cast<std::uint32_t>(::getpid());
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_PID"), XCB_ATOM_CARDINAL, 32, 1, &pid);
    const std::vector<std::uint32_t> icon = windowIcon();
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, atom("_NET_WM_ICON"), XCB_ATOM_CARDINAL, 32,
                        static_cast<std::uint32_t>(icon.size()), icon.data());
    setSizeHints(width, height);
    setTitle(title);
    controls.emplace(conn, window, *screen, width, height);
    xcb_flush(conn);
}

EditorWindow::~EditorWindow() {
    if (!conn) return;
    controls.reset();
    if (!lost()) xcb_destroy_window(conn, window);
    xcb_disconnect(conn);
}

std::uint32_t EditorWindow::atom(const char* name) {
    const xcb_intern_atom_cookie_t cookie =
        xcb_intern_atom(conn, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(conn, cookie, nullptr);
    const std::uint32_t value = reply ? reply->atom : std::uint32_t{XCB_ATOM_NONE};
    std::free(reply);
    return value;
}

void EditorWindow::setSizeHints(int width, int height) {
    std::uint32_t hints[kSizeHintWords] = {};
    hints[0] = kProgramMinSize | kProgramMaxSize;
    hints[5] = hints[7] = static_cast<std::uint32_t>(width);
    hints[6] = hints[8] = static_cast<std::uint32_t>(height + strip::kHeight);
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32,
                        kSizeHintWords, hints);
}

void EditorWindow::show() {
    xcb_map_window(conn, window);
    xcb_flush(conn);
}

// The window manager shows _NET_WM_NAME; WM_NAME is for the ones that predate it.
void EditorWindow::setTitle(const std::string& title) {
    const auto length = static_cast<std::uint32_t>(title.size());
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, netWmName, utf8String, 8, length, title.data());
    xcb_change_property(conn, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_NAME, utf8String, 8, length, title.data());
    xcb_flush(conn);
}

void EditorWindow::resize(int width, int height) {
    setSizeHints(width, height);
    const std::uint32_t size[] = {static_cast<std::uint32_t>(width),
                                  static_cast<std::uint32_t>(height + strip::kHeight)};
    xcb_configure_window(conn, window, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, size);
    controls->place(width, height);
    controls->draw();
}

void EditorWindow::wait(int milliseconds) {
    pollfd descriptor{xcb_get_file_descriptor(conn), POLLIN, 0};
    ::poll(&descriptor, 1, milliseconds);
}

bool EditorWindow::closeRequested() {
    while (xcb_generic_event_t* event = xcb_poll_for_event(conn)) {
        switch (event->response_type & 0x7F) {
            case XCB_CLIENT_MESSAGE: {
                const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
                if (message->type == protocols && message->format == 32 && message->data.data32[0] == deleteWindow)
                    closing = true;
                break;
            }
            case XCB_EXPOSE:
                // The last of a series: the strip is drawn whole, once.
                if (reinterpret_cast<const xcb_expose_event_t*>(event)->count == 0) controls->draw();
                break;
            case XCB_BUTTON_PRESS: {
                const auto* press = reinterpret_cast<const xcb_button_press_event_t*>(event);
                if (press->detail == kFirstMouseButton) controls->press(press->event_x, press->event_y);
                break;
            }
            case XCB_DESTROY_NOTIFY:
                if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == window) closing = true;
                break;
            default:
                break;
        }
        std::free(event);
    }
    return closing;
}

bool EditorWindow::lost() const { return xcb_connection_has_error(conn) != 0; }

// The player's own top-level X11 window, which a plug-in's editor opens in
// as a child at its top left, with the player's strip below it. It has a
// connection of its own: the editor talks to the server through the
// plug-in's, and the two share nothing but the window id.
#pragma once

#include <xcb/xcb.h>

#include <cstdint>
#include <optional>
#include <string>

#include "play/ControlStrip.h"

class EditorWindow {
public:
    // Connects to the display DISPLAY names and makes an unmapped window for
    // an editor of this size; throws a HostError with one line when there is
    // no display.
    EditorWindow(int width, int height, const std::string& title);
    ~EditorWindow();
    EditorWindow(const EditorWindow&) = delete;
    EditorWindow& operator=(const EditorWindow&) = delete;

    // The id the editor is opened with as its parent.
    void* parentHandle() const { return reinterpret_cast<void*>(static_cast<std::uintptr_t>(window)); }
    void show();
    void setTitle(const std::string& title);
    // A fixed size: the editor does not follow a resized frame.
    void resize(int width, int height);

    // Waits at most this long for the server to send something.
    void wait(int milliseconds);
    // Takes what the server sent without waiting, clicks in the strip and
    // requests to redraw it too; true once the window manager has asked to
    // close the window (or it was destroyed).
    bool closeRequested();
    // The connection broke: the server went away.
    bool lost() const;

    ControlStrip& strip() { return *controls; }

private:
    std::uint32_t atom(const char* name);
    void setSizeHints(int width, int height);

    xcb_connection_t* conn = nullptr;
    xcb_window_t window = 0;
    std::optional<ControlStrip> controls;
    std::uint32_t protocols = 0, deleteWindow = 0, utf8String = 0, netWmName = 0;
    bool closing = false;
};

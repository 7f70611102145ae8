// The player's own strip below the editor, drawn with core X requests on the
// player's window: a button per program with the current one lit, a peak
// meter per channel that falls back slowly, and a clip light that stays lit
// until the meter or the light is clicked. All on the main thread.
#pragma once

#include <xcb/xcb.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "play/PeakMeter.h"
#include "play/StripLayout.h"

class ControlStrip {
public:
    // Below an editor `top` pixels high and `width` wide.
    ControlStrip(xcb_connection_t* conn, xcb_window_t window, const xcb_screen_t& screen, int width, int top);
    ~ControlStrip();
    ControlStrip(const ControlStrip&) = delete;
    ControlStrip& operator=(const ControlStrip&) = delete;

    void place(int width, int top);
    void showPrograms(const std::vector<std::string>& programNames, int currentProgram);
    void showLevel(const PeakMeter::Reading& reading, std::chrono::steady_clock::time_point now);
    // A click of the first mouse button at this point of the window.
    void press(int x, int y);
    // The program whose button was clicked since the last call, or -1.
    int takeChosenProgram() { return std::exchange(chosen, -1); }
    void draw();

private:
    int buttonCount() const;
    void drawButton(int index);
    void drawLevels(bool always);
    void drawClip();
    void fill(std::uint32_t colour, const strip::Rect& rect);
    void label(const std::string& text, const strip::Rect& rect, std::uint32_t colour, std::uint32_t background);
    std::uint32_t pixel(std::uint32_t colour) const;

    xcb_connection_t* conn;
    xcb_window_t window;
    xcb_gcontext_t gc = 0;
    xcb_font_t font = 0;
    int charWidth = 0, ascent = 0, descent = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pixels;  // colour, the server's pixel for it
    int width, top;

    std::vector<std::string> names;
    int current = -1;
    int chosen = -1;
    float shown[2] = {0.0f, 0.0f};
    int drawnLength[2] = {-1, -1};
    bool clipLit = false;
    std::chrono::steady_clock::time_point lastLevel{};
};

#include "play/ControlStrip.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The meter spans 60 dB and falls back at 24 dB/s: a peak shows for a
// moment, and a full-scale one is gone in 2.5 s.
constexpr float kFloorDb = -60.0f;
constexpr float kFallDbPerSecond = 24.0f;

constexpr std::uint32_t kColours[] = {
    strip::kBackground, strip::kButtonFace, strip::kButtonCurrent, strip::kText,   strip::kTrough,
    strip::kUnlit,      strip::kLevel,      strip::kClipOff,       strip::kClipOn, strip::kClipOffText};

xcb_rectangle_t toX(const strip::Rect& rect) {
    return {static_cast<std::int16_t>(rect.x), static_cast<std::int16_t>(rect.y),
            static_cast<std::uint16_t>(std::max(rect.width, 0)),
            static_cast<std::uint16_t>(std::max(rect.height, 0))};
}

int barLength(float level, int barWidth) {
    if (!(level > 0.0f)) return 0;
    const float fraction = std::clamp((20.0f * std::log10(level) - kFloorDb) / -kFloorDb, 0.0f, 1.0f);
    return static_cast<int>(std::lround(fraction * static_cast<float>(barWidth)));
}

}  // namespace

ControlStrip::ControlStrip(xcb_connection_t* conn, xcb_window_t window, const xcb_screen_t& screen, int width,
                           int top)
    : conn(conn), window(window), width(width), top(top) {
    // All asked for before any answer is read: one round trip, not ten.
    std::vector<xcb_alloc_color_cookie_t> asked;
    for (std::uint32_t colour : kColours) {
        const auto channel = [colour](int shift) {
            return static_cast<std::uint16_t>(((colour >> shift) & 0xFF) * 257);
        };
        asked.push_back(xcb_alloc_color(conn, screen.default_colormap, channel(16), channel(8), channel(0)));
    }
    for (std::size_t i = 0; i < asked.size(); ++i) {
        xcb_alloc_color_reply_t* reply = xcb_alloc_color_reply(conn, asked[i], nullptr);
        pixels.emplace_back(kColours[i], reply ? reply->pixel : screen.white_pixel);
        std::free(reply);
    }

    // The server's built-in font: always there, even on a bare Xvfb.
    constexpr char kFont[] = "fixed";
    font = xcb_generate_id(conn);
    if (xcb_generic_error_t* error = xcb_request_check(
            conn, xcb_open_font_checked(conn, font, static_cast<std::uint16_t>(sizeof kFont - 1), kFont))) {
        std::free(error);
        font = 0;
    } else if (xcb_query_font_reply_t* info = xcb_query_font_reply(conn, xcb_query_font(conn, font), nullptr)) {
        charWidth = info->max_bounds.character_width;
        ascent = info->font_ascent;
        descent = info->font_descent;
        std::free(info);
    }
    gc = xcb_generate_id(conn);
    const std::uint32_t values[] = {0};
    xcb_create_gc(conn, gc, window, XCB_GC_GRAPHICS_EXPOSURES, values);
    if (font) xcb_change_gc(conn, gc, XCB_GC_FONT, &font);
}

ControlStrip::~ControlStrip() {
    xcb_free_gc(conn, gc);
    if (font) xcb_close_font(conn, font);
}

void ControlStrip::place(int newWidth, int newTop) {
    width = newWidth;
    top = newTop;
    drawnLength[0] = drawnLength[1] = -1;
}

std::uint32_t ControlStrip::pixel(std::uint32_t colour) const {
    for (const auto& [rgb, value] : pixels)
        if (rgb == colour) return value;
    return 0;
}

int ControlStrip::buttonCount() const { return std::min(static_cast<int>(names.size()), strip::kMaxButtons); }

void ControlStrip::fill(std::uint32_t colour, const strip::Rect& rect) {
    const std::uint32_t value = pixel(colour);
    xcb_change_gc(conn, gc, XCB_GC_FOREGROUND, &value);
    const xcb_rectangle_t area = toX(rect);
    xcb_poly_fill_rectangle(conn, window, gc, 1, &area);
}

// Centred, and cut to what fits.
void ControlStrip::label(const std::string& text, const strip::Rect& rect, std::uint32_t colour,
                         std::uint32_t background) {
    if (!font || charWidth <= 0) return;
    const int fits = std::clamp((rect.width - 4) / charWidth, 0, 255);
    const auto length = static_cast<int>(std::min<std::size_t>(text.size(), static_cast<std::size_t>(fits)));
    if (length == 0) return;
    const std::uint32_t values[] = {pixel(colour), pixel(background)};
    xcb_change_gc(conn, gc, XCB_GC_FOREGROUND | XCB_GC_BACKGROUND, values);
    const int x = rect.x + (rect.width - length * charWidth) / 2;
    const int baseline = rect.y + (rect.height + ascent - descent) / 2;
    xcb_image_text_8(conn, static_cast<std::uint8_t>(length), window, gc, static_cast<std::int16_t>(x),
                     static_cast<std::int16_t>(baseline), text.data());
}

void ControlStrip::drawButton(int index) {
    if (index < 0 || index >= buttonCount()) return;
    const strip::Rect rect = strip::button(index, buttonCount(), width, top);
    const std::uint32_t face = index == current ? strip::kButtonCurrent : strip::kButtonFace;
    fill(face, rect);
    label(names[static_cast<std::size_t>(index)], rect, strip::kText, face);
}

void ControlStrip::drawLevels(bool always) {
    for (int channel = 0; channel < 2; ++channel) {
        const strip::Rect bar = strip::levelBar(channel, width, top);
        const int length = barLength(shown[channel], bar.width);
        if (!always && length == drawnLength[channel]) continue;
        drawnLength[channel] = length;
        fill(strip::kLevel, {bar.x, bar.y, length, bar.height});
        fill(strip::kUnlit, {bar.x + length, bar.y, bar.width - length, bar.height});
    }
}

void ControlStrip::drawClip() {
    const strip::Rect light = strip::clipLight(width, top);
    const std::uint32_t face = clipLit ? strip::kClipOn : strip::kClipOff;
    fill(face, light);
    label("CLIP", light, clipLit ? strip::kText : strip::kClipOffText, face);
}

void ControlStrip::draw() {
    fill(strip::kBackground, {0, top, width, strip::kHeight});
    for (int i = 0; i < buttonCount(); ++i) drawButton(i);
    fill(strip::kTrough, strip::meter(width, top));
    drawLevels(true);
    drawClip();
    xcb_flush(conn);
}

void ControlStrip::showPrograms(const std::vector<std::string>& programNames, int currentProgram) {
    if (programNames != names) {
        names = programNames;
        current = currentProgram;
        draw();
        return;
    }
    if (currentProgram == current) return;
    const int previous = std::exchange(current, currentProgram);
    drawButton(previous);
    drawButton(current);
    xcb_flush(conn);
}

void ControlStrip::showLevel(const PeakMeter::Reading& reading, std::chrono::steady_clock::time_point now) {
    const float seconds = lastLevel == std::chrono::steady_clock::time_point{}
                              ? 0.0f
                              : std::chrono::duration<float>(now - lastLevel).count();
    lastLevel = now;
    const float fall = std::pow(10.0f, -kFallDbPerSecond * seconds / 20.0f);
    shown[0] = std::max(reading.left, shown[0] * fall);
    shown[1] = std::max(reading.right, shown[1] * fall);
    drawLevels(false);
    if (reading.clipped && !clipLit) {
        clipLit = true;
        drawClip();
    }
    xcb_flush(conn);
}

void ControlStrip::press(int x, int y) {
    for (int i = 0; i < buttonCount(); ++i) {
        if (strip::button(i, buttonCount(), width, top).contains(x, y)) {
            chosen = i;
            return;
        }
    }
    if (clipLit && (strip::clipLight(width, top).contains(x, y) || strip::meter(width, top).contains(x, y))) {
        clipLit = false;
        drawClip();
        xcb_flush(conn);
    }
}

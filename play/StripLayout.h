// The player's strip below the editor, laid out for a window of a given
// width: a button per program, a level bar per channel and the clip light.
// The player draws and hit-tests by it; the window test reads pixels by it.
#pragma once

#include <algorithm>
#include <cstdint>

namespace strip {

struct Rect {
    int x = 0, y = 0, width = 0, height = 0;
    constexpr bool contains(int px, int py) const {
        return px >= x && px < x + width && py >= y && py < y + height;
    }
};

constexpr int kHeight = 29;
// More would leave too little room for a name: the rest are reached by MIDI.
constexpr int kMaxButtons = 8;

constexpr int kMargin = 4;
constexpr int kGap = 4;
constexpr int kClipWidth = 36;

// Colours as 0xRRGGBB.
constexpr std::uint32_t kBackground = 0x1E1E1E;
constexpr std::uint32_t kButtonFace = 0x3C3C3C;
constexpr std::uint32_t kButtonCurrent = 0x3D7BC4;
constexpr std::uint32_t kText = 0xE8E8E8;
constexpr std::uint32_t kTrough = 0x0C0C0C;
constexpr std::uint32_t kUnlit = 0x2C2C2C;
constexpr std::uint32_t kLevel = 0x4CC04C;
constexpr std::uint32_t kClipOff = 0x4A1414;
constexpr std::uint32_t kClipOn = 0xE02626;
constexpr std::uint32_t kClipOffText = 0x8A5050;

// `top` is the strip's first row in the window: the editor's height.
constexpr Rect clipLight(int width, int top) {
    return {width - kMargin - kClipWidth, top + kMargin, kClipWidth, kHeight - 2 * kMargin};
}

constexpr Rect meter(int width, int top) {
    const int meterWidth = width / 4;
    return {clipLight(width, top).x - kGap - meterWidth, top + kMargin, meterWidth, kHeight - 2 * kMargin};
}

// Channel 0 is the left one, drawn on top.
constexpr Rect levelBar(int channel, int width, int top) {
    const Rect all = meter(width, top);
    const int barHeight = (all.height - 3) / 2;
    return {all.x + 1, all.y + 1 + channel * (barHeight + 1), all.width - 2, barHeight};
}

constexpr Rect button(int index, int count, int width, int top) {
    count = std::clamp(count, 1, kMaxButtons);
    const int room = meter(width, top).x - kGap - kMargin;
    const int buttonWidth = (room - (count - 1) * kGap) / count;
    return {kMargin + index * (buttonWidth + kGap), top + kMargin, buttonWidth, kHeight - 2 * kMargin};
}

}  // namespace strip

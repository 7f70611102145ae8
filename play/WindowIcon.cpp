#include "play/WindowIcon.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr std::uint32_t kClear = 0x00000000;
constexpr std::uint32_t kCase = 0xFF2B2F36;
constexpr std::uint32_t kLid = 0xFF9A6434;
constexpr std::uint32_t kIvory = 0xFFF4F1E8;
constexpr std::uint32_t kEbony = 0xFF141414;
constexpr int kWhiteKeys = 5;

// A rounded dark case, a wooden lid along the top and five white keys with
// their three black ones (C to G) below it.
void drawIcon(std::vector<std::uint32_t>& out, int size) {
    const double radius = size / 6.0;
    const int margin = size / 8;
    const int keysTop = size * 3 / 8, keysBottom = size - margin;
    const int lidTop = margin, lidBottom = keysTop - std::max(1, size / 16);
    const double keyWidth = static_cast<double>(size - 2 * margin) / kWhiteKeys;
    const auto blackAt = [keyWidth, margin](int x) {
        for (int boundary : {1, 2, 4}) {
            const double centre = margin + boundary * keyWidth;
            if (std::abs(x + 0.5 - centre) < keyWidth * 0.3) return true;
        }
        return false;
    };
    out.push_back(static_cast<std::uint32_t>(size));
    out.push_back(static_cast<std::uint32_t>(size));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            // Outside the rounded corners: transparent.
            const double cx = std::clamp(x + 0.5, radius, size - radius);
            const double cy = std::clamp(y + 0.5, radius, size - radius);
            if (std::hypot(x + 0.5 - cx, y + 0.5 - cy) > radius) {
                out.push_back(kClear);
                continue;
            }
            std::uint32_t pixel = kCase;
            const bool inside = x >= margin && x < size - margin;
            if (inside && y >= lidTop && y < lidBottom) pixel = kLid;
            if (inside && y >= keysTop && y < keysBottom) {
                const double along = (x - margin) / keyWidth;
                const bool gap = along - std::floor(along) < 1.0 / keyWidth && x > margin;
                pixel = gap ? kCase : kIvory;
                if (y < keysTop + (keysBottom - keysTop) * 3 / 5 && blackAt(x)) pixel = kEbony;
            }
            out.push_back(pixel);
        }
    }
}

}  // namespace

std::vector<std::uint32_t> windowIcon() {
    std::vector<std::uint32_t> icon;
    for (int size : {32, 48}) drawIcon(icon, size);
    return icon;
}

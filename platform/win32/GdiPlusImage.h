// How a decoded picture is held on Windows: a GDI+ bitmap and, for a picture
// decoded from a stream, the bytes GDI+ may keep reading for as long as the
// bitmap lives.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/Image.h"
#include "platform/win32/GdiPlus.h"

namespace platform {

struct Image::Pixels {
    explicit Pixels(gdiplus::GpBitmap* bitmap, std::vector<std::uint8_t> bytes = {});
    ~Pixels();
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    gdiplus::GpBitmap* bitmap;
    std::vector<std::uint8_t> bytes;
    int width = 0;
    int height = 0;
};

}  // namespace platform

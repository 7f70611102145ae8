// A decoded picture with straight per-pixel alpha, owned by the drawing layer.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/ByteReader.h"

namespace platform {

class Image {
public:
    struct Pixels;

    Image();
    ~Image();
    Image(Image&&) noexcept;
    Image& operator=(Image&&) noexcept;

    // Recognises PNG and uncompressed 32-bit BMP; an empty image when the
    // bytes are neither or are damaged.
    static Image decode(ByteReader& reader);
    // A picture stored as the system's own bitmap resource of this module,
    // for modules whose pictures are not data files; empty where the system
    // has no such resources.
    static Image fromStandardBitmap(const char* name);
    // A fully transparent surface to draw into.
    static Image blank(int width, int height);

    bool isValid() const { return pixels != nullptr; }
    int width() const;
    int height() const;
    // 0xAARRGGBB of one pixel, alpha not premultiplied; 0 outside the image.
    std::uint32_t pixelAt(int x, int y) const;

    Pixels* native() const { return pixels.get(); }

private:
    explicit Image(std::unique_ptr<Pixels> pixels);
    std::unique_ptr<Pixels> pixels;
};

}  // namespace platform

// The cairo drawing target behind every canvas of this layer.
#pragma once

#include <cairo.h>

#include "platform/Canvas.h"

namespace platform {

// Owns one reference of an image surface.
struct Image::Pixels {
    cairo_surface_t* surface;
    ~Pixels() { cairo_surface_destroy(surface); }
};

class CairoCanvas final : public Canvas {
public:
    // Draws onto surface (which the canvas references) of the given size.
    CairoCanvas(cairo_surface_t* surface, int width, int height);
    ~CairoCanvas() override;
    CairoCanvas(const CairoCanvas&) = delete;
    CairoCanvas& operator=(const CairoCanvas&) = delete;

    PixelRect bounds() const override { return area; }
    void setClip(const PixelRect& clip) override;
    void drawImage(const Image& image, int sourceX, int sourceY, const PixelRect& destination,
                   std::uint8_t alpha) override;
    void fillRect(const PixelRect& rect, std::uint32_t argb) override;

private:
    cairo_t* cr;
    PixelRect area;
};

}  // namespace platform
